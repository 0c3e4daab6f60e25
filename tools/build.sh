#!/usr/bin/env bash
# Configures and builds everything (DLL, siblings, test programs) into build/.
set -euo pipefail
. "$(dirname "$0")/env.sh"
cd "$KZ_ROOT"
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build "$@"
