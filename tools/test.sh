#!/usr/bin/env bash
# Builds everything and runs every test (C++ tests and client scripts) under Wine.
set -euo pipefail
here="$(dirname "$0")"
"$here/setup.sh"
. "$here/env.sh"
"$here/build.sh"
# A persistent wineserver and a booted prefix: programs start fast, and no helper process of
# Wine keeps ctest's pipes open.
wineserver -p 2>/dev/null || true
wine wineboot >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 || true  # the prefix's services are up before the first test
cd "$KZ_ROOT/build"
set +e
ctest --output-on-failure --timeout 300 -j2 "$@"
rc=$?
set -e
wineserver -k || true
exit $rc
