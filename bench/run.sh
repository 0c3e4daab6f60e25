#!/usr/bin/env bash
# Runs the benchmarks against one architecture's build (KZ_ARCH, by default x86 where the host
# runs it, else x64): bench/*.vbs through cscript, bench/*.cpp as programs. Each prints its
# ratio to a baseline measured in the same run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../tools/env.sh"
echo "bench: the $KZ_ARCH build, in $WINEPREFIX"
"$here/../tools/build.sh" --target kelzud10 siblings >/dev/null
cmake --build "$KZ_BUILD" --target benchmarks >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true
wine wineboot >/dev/null 2>&1 || true
"$KZ_ROOT/tools/register-all" "$KZ_ARCH" "$KZ_BUILD"
for b in "$here"/*.vbs; do
  [ -f "$b" ] || continue
  echo "== $(basename "$b") ($KZ_ARCH)"
  wine cscript.exe //nologo "$(winepath -w "$b")" 2>/dev/null | tr -d '\r'
done
for exe in "$KZ_BUILD"/bench_*.exe; do
  [ -f "$exe" ] || continue
  echo "== $(basename "$exe") ($KZ_ARCH)"
  wine "$exe" 2>/dev/null | tr -d '\r'
done
wineserver -k || true
