#!/usr/bin/env bash
# Configures and builds everything (DLL, siblings, kzpals, test programs) for one architecture
# into build/<arch>: KZ_ARCH chooses it (see env.sh). Arguments go to cmake --build.
set -euo pipefail
. "$(dirname "$0")/env.sh"
cd "$KZ_ROOT"
case "$KZ_ARCH" in
  x86) toolchain=cmake/mingw-i686.cmake ;;
  x64) toolchain=cmake/mingw-x86_64.cmake ;;
esac
# A compiler cache, where one is installed, makes a rebuild of unchanged sources (both
# architectures, a fresh clone) a matter of seconds.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$KZ_ROOT}"
fi
if [ ! -f "$KZ_BUILD/build.ninja" ]; then
  cmake -S . -B "$KZ_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release \
    "${launcher[@]}" >/dev/null
fi
cmake --build "$KZ_BUILD" "$@"
