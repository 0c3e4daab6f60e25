#!/usr/bin/env bash
# Installs what both builds (x86 and x64) need on a Debian machine (as root), says once whether
# this host runs 32-bit programs, and makes sure the Wine prefix of every architecture the host
# runs exists. Does nothing that is already done.
set -euo pipefail
. "$(dirname "$0")/env.sh"

if [ "$(uname -m)" != x86_64 ]; then
  echo "setup: unsupported host: $(uname -m); the builds and Wine need an x86_64 (amd64) Debian host" >&2
  exit 1
fi

need=()
command -v wine >/dev/null || need+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)  # also the 32-bit type libraries widl imports
[ -x "$KZ_WINE64" ] || need+=(wine64)
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
command -v i686-w64-mingw32-widl >/dev/null && command -v x86_64-w64-mingw32-widl >/dev/null || need+=(mingw-w64-tools)
[ -f /usr/include/wine/wine/windows/oaidl.idl ] || need+=(libwine-dev)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v Xvfb >/dev/null || need+=(xvfb)  # real windows in tests: forms, pickers, keyboard
command -v import >/dev/null || need+=(imagemagick)  # screenshots of forms for the documentation
if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi
if [ ! -x "$KZ_WINE64" ]; then
  echo "setup: the 64-bit Wine loader ($KZ_WINE64) is missing after installing wine64; nothing can run" >&2
  exit 1
fi

if why="$(kz_x86_runs)"; then
  echo "setup: this host runs 32-bit programs: x86 (the reference) and x64 are built and tested"
else
  echo "setup: no 32-bit programs here ($why): x64 is built and run, x86 is built only"
fi

for arch in $(kz_host_archs); do
  kz_use_arch "$arch"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the $arch Wine prefix $WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "setup: Wine could not create the $arch prefix $WINEPREFIX" >&2
      exit 1
    fi
  fi
done
