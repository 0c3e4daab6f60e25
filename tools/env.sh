# Sourced by the project's scripts: the project's own 32-bit Wine prefix and a pinned locale,
# so the ANSI code page is 1252 in every run.
KZ_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${KZ_WINEPREFIX:-$KZ_ROOT/.wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export LANG=en_US.UTF-8 LC_ALL=C.UTF-8
export DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
