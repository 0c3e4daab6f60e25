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
if [ ! -f "$KZ_BUILD/build.ninja" ]; then
  cmake -S . -B "$KZ_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$KZ_BUILD" "$@"
