#!/usr/bin/env bash
# Builds everything and runs every test (C++ tests and client scripts) under Wine, on every
# architecture this host runs: x86 and x64 where 32-bit programs run, x64 alone elsewhere (the
# x86 build is still built, so it keeps compiling). Each architecture has its own build folder
# and Wine prefix. Extra arguments go to ctest. KZ_ARCH=x86 or KZ_ARCH=x64 builds and tests that
# architecture alone.
set -euo pipefail
here="$(dirname "$0")"
only="${KZ_ARCH:-}"
"$here/setup.sh"
. "$here/env.sh"

run_suite() {
  kz_use_arch "$1"
  shift
  # The run's virtual display comes up before the Wine session: Wine's desktop process picks
  # its display driver once, when the session starts.
  local display
  display="$(cat "$KZ_BUILD/kz-display")"
  "$here/xvfb" start "$display"
  export KZ_DISPLAY=":$display" DISPLAY=":$display"
  # A persistent wineserver and a booted prefix: programs start fast, and no helper process of
  # Wine keeps ctest's pipes open.
  wineserver -p 2>/dev/null || true
  wine wineboot >/dev/null 2>&1 || true
  wine cmd /c exit >/dev/null 2>&1 || true  # the prefix's services are up before the first test
  # The desktop started at boot stays for the whole run: a desktop started later by a test
  # would hold that test's output pipes open after it ends (see tools/hold/hold.cpp).
  wine "$KZ_BUILD/kzhold.exe" </dev/null >/dev/null 2>&1 &
  local rc=0
  (cd "$KZ_BUILD" && ctest --output-on-failure --timeout 300 -j2 "$@") | tee "$KZ_BUILD/ctest.out" || rc=$?
  wineserver -k 2>/dev/null || true
  "$here/xvfb" stop "$display"
  unset KZ_DISPLAY
  export DISPLAY=
  local how=""
  [ "$KZ_ARCH" = x86 ] && how=" ($(kz_x86_runs))"
  summary+=("$KZ_ARCH$how: $(grep -E 'tests passed|No tests were found' "$KZ_BUILD/ctest.out" | tail -1)")
  return $rc
}

archs="$(kz_host_archs)"
built="x86 x64"
if [ -n "$only" ]; then
  built="$only"
  case " $archs " in
    *" $only "*) archs="$only" ;;
    *) echo "test: $only does not run on this host: $(kz_x86_runs)"; archs="" ;;
  esac
fi
for arch in $built; do
  echo "== build $arch"
  KZ_ARCH=$arch "$here/build.sh"
done

summary=()
rc=0
for arch in $archs; do
  echo "== tests $arch"
  run_suite "$arch" "$@" || rc=1
done
echo
echo "== summary"
if [ -z "$archs" ]; then
  exit 1
fi
if [ "$archs" = x64 ] && [ "$built" != x64 ]; then
  why="$(kz_x86_runs)" || true
  echo "x86: built, not run: $why"
fi
printf '%s\n' "${summary[@]}"
exit $rc
