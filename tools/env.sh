# Sourced by the project's scripts. Each architecture has its own build folder (build/x86,
# build/x64) and its own Wine prefix (.wineprefix/x86, .wineprefix/x64); a pinned locale keeps
# the ANSI code page at 1252 in every run.
#
#   KZ_ARCH=x86|x64   the architecture to work with (default: x86 where the host runs it, else x64)
#   KZ_NO_X86=1       behave as on a host that cannot run 32-bit programs
#   KZ_BUILD_ROOT     where the build folders go (default build/): <root>/<arch>
#   KZ_PREFIX_ROOT    where the Wine prefixes go (default .wineprefix/): <root>/<arch>
#   KZ_WINEPREFIX     one prefix of the caller's own, whatever the architecture
KZ_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KZ_WINE32=/usr/lib/wine/wine
KZ_WINE64=/usr/lib/wine/wine64

# Whether 32-bit Windows programs run here, natively or through a user-mode emulator. The setup
# step decides it once per run (tools/setup.sh: it starts the 32-bit loader, and then a program in
# the x86 prefix, each within a time limit) and keeps the answer in $KZ_X86_STATUS: "native",
# "emulated ..." or "no: <reason>". Before the setup has run, a timed start of the loader answers.
# Prints how they run, or why they cannot.
KZ_X86_STATUS="${KZ_PREFIX_ROOT:-$KZ_ROOT/.wineprefix}/x86-status"
kz_x86_runs() {
  if [ -n "${KZ_NO_X86:-}" ]; then
    echo "KZ_NO_X86 is set"; return 1
  fi
  local status
  if [ -f "$KZ_X86_STATUS" ]; then
    status="$(cat "$KZ_X86_STATUS")"
  else
    status="$(kz_x86_loader_check)"
  fi
  case "$status" in
    no:*) echo "${status#no: }"; return 1 ;;
  esac
  echo "$status"
  return 0
}

# The handler that runs 32-bit programs through the emulator, when one is registered and enabled.
KZ_QEMU_HANDLER=/proc/sys/fs/binfmt_misc/qemu-i386
kz_x86_emulated() {
  [ -f "$KZ_QEMU_HANDLER" ] && head -1 "$KZ_QEMU_HANDLER" | grep -qx enabled
}

# Starts the 32-bit Wine loader within a time limit: "native", "emulated (...)" or "no: <reason>".
kz_x86_loader_check() {
  if [ ! -x "$KZ_WINE32" ]; then
    echo "no: the 32-bit Wine loader ($KZ_WINE32) is not installed"; return
  fi
  local out rc
  out="$(timeout 60 "$KZ_WINE32" --version 2>&1)"; rc=$?
  if [ $rc -eq 124 ]; then
    echo "no: the 32-bit Wine loader did not answer within 60 s"; return
  elif [ $rc -ne 0 ]; then
    echo "no: this host's kernel refuses 32-bit programs (${out##*: })"; return
  fi
  if kz_x86_emulated; then
    echo "emulated by qemu-i386 $(qemu-i386 --version 2>/dev/null | sed -n '1s/.*version \([0-9.]*\).*/\1/p')"
  else
    echo native
  fi
}

# The architectures this host runs, the reference (x86) first.
kz_host_archs() {
  if kz_x86_runs >/dev/null; then echo "x86 x64"; else echo "x64"; fi
}

kz_use_arch() {
  case "$1" in
    x86|x64) ;;
    *) echo "env: unknown architecture '$1' (x86 or x64)" >&2; return 2 ;;
  esac
  export KZ_ARCH="$1"
  export KZ_BUILD="${KZ_BUILD_ROOT:-$KZ_ROOT/build}/$KZ_ARCH"
  export WINEPREFIX="${KZ_WINEPREFIX:-${KZ_PREFIX_ROOT:-$KZ_ROOT/.wineprefix}/$KZ_ARCH}"
  PATH="$(printf '%s' "$PATH" | tr ':' '\n' | grep -vx "$KZ_ROOT/tools/wine64" | paste -sd:)"
  if [ "$KZ_ARCH" = x64 ]; then
    export WINEARCH=win64 WINELOADER="$KZ_WINE64"
    PATH="$KZ_ROOT/tools/wine64:$PATH"
  else
    export WINEARCH=win32
    unset WINELOADER
  fi
  export PATH
}

export WINEDEBUG=-all
export LANG=en_US.UTF-8 LC_ALL=C.UTF-8
export DISPLAY="${KZ_DISPLAY:-}"  # empty: no windows, unless a test asks for the virtual display
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -n "${KZ_ARCH:-}" ]; then
  kz_use_arch "$KZ_ARCH" || return 2
elif kz_x86_runs >/dev/null; then
  kz_use_arch x86
else
  kz_use_arch x64
fi
