#!/usr/bin/env bash
# Runs the benchmarks against one architecture's build (KZ_ARCH, by default x86 where the host
# runs it, else x64): bench/*.vbs through cscript, bench/*.cpp as programs. Each prints the
# architecture and its ratio to a baseline measured in the same run.
#
# Fails (non-zero, after running the rest) when a benchmark cannot be built, when a program
# exits non-zero (its results differ from its baseline's), or when a script prints no ratio
# (cscript exits 0 even on a script error).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../tools/env.sh"
echo "bench: the $KZ_ARCH build, in $WINEPREFIX"
failed=()
if ! "$here/../tools/build.sh" --target kelzud10 siblings >/tmp/kz-bench-build.$$ 2>&1; then
  cat /tmp/kz-bench-build.$$; rm -f /tmp/kz-bench-build.$$
  echo "bench: the library does not build"; exit 1
fi
if ! cmake --build "$KZ_BUILD" --target benchmarks -- -k 0 >/tmp/kz-bench-build.$$ 2>&1; then
  grep -E "error|FAILED" /tmp/kz-bench-build.$$ | head -40
  failed+=("build of the benchmarks")
fi
rm -f /tmp/kz-bench-build.$$
wineserver -p 2>/dev/null || true
wine wineboot >/dev/null 2>&1 || true
"$KZ_ROOT/tools/register-all" "$KZ_ARCH" "$KZ_BUILD" || { echo "bench: registration failed"; exit 1; }
for b in "$here"/*.vbs; do
  [ -f "$b" ] || continue
  name="$(basename "$b")"
  echo "== $name ($KZ_ARCH)"
  out="$(wine cscript.exe //nologo "$(winepath -w "$b")" 2>/dev/null | tr -d '\r')"
  printf '%s\n' "$out"
  grep -q "ratio" <<<"$out" || failed+=("$name (no ratio printed)")
done
for src in "$here"/*.cpp; do
  [ -f "$src" ] || continue
  name="bench_$(basename "$src" .cpp)"
  exe="$KZ_BUILD/$name.exe"
  echo "== $name ($KZ_ARCH)"
  if [ ! -f "$exe" ]; then
    echo "not built"; failed+=("$name (not built)"); continue
  fi
  wine "$exe" 2>/dev/null | tr -d '\r'
  rc=${PIPESTATUS[0]}
  [ "$rc" -eq 0 ] || failed+=("$name (exit $rc)")
done
wineserver -k || true
if [ ${#failed[@]} -gt 0 ]; then
  echo "bench: FAILED: ${failed[*]}"
  exit 1
fi
echo "bench: all benchmarks ran and agree with their baselines"
