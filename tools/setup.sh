#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine (as root), then makes sure the
# project's Wine prefix exists. Does nothing that is already done.
set -euo pipefail
. "$(dirname "$0")/env.sh"

need=()
command -v wine >/dev/null || need+=(wine wine32:i386 wine64)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
command -v i686-w64-mingw32-widl >/dev/null || need+=(mingw-w64-tools)
[ -f /usr/include/wine/wine/windows/oaidl.idl ] || need+=(libwine-dev)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
