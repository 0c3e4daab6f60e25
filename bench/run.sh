#!/usr/bin/env bash
# Runs the benchmarks against the build in build/ (tools/demo.sh or tools/test.sh builds it):
# bench/*.vbs through cscript, bench/*.cpp as programs. Each prints its ratio to a baseline
# measured in the same run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../tools/env.sh"
"$here/../tools/build.sh" --target kelzud10 >/dev/null
cmake --build "$KZ_ROOT/build" --target benchmarks >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true
wine wineboot >/dev/null 2>&1 || true
"$KZ_ROOT/tools/register-all" "$KZ_ROOT/build"
for b in "$here"/*.vbs; do
  [ -f "$b" ] || continue
  echo "== $(basename "$b")"
  wine cscript.exe //nologo "$(winepath -w "$b")" 2>/dev/null | tr -d '\r'
done
for exe in "$KZ_ROOT"/build/bench_*.exe; do
  [ -f "$exe" ] || continue
  echo "== $(basename "$exe")"
  wine "$exe" 2>/dev/null | tr -d '\r'
done
wineserver -k || true
