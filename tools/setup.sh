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
command -v zip >/dev/null && command -v unzip >/dev/null || need+=(zip unzip)  # the release packages
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

# 32-bit programs: some hosts refuse them (containers and VMs without IA-32 emulation). There the
# x86 build runs through Debian's qemu-user, version 10 or later (7.2 ignores MAP_FIXED_NOREPLACE,
# and Wine then fails to map its shared memory), registered for 32-bit ELF programs. The
# registration does not survive a new machine, so it is checked on every run.
QEMU_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
QEMU_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
qemu_major() { qemu-i386 --version 2>/dev/null | sed -n '1s/.*version \([0-9]*\)\..*/\1/p'; }
setup_emulator() {
  local major
  major="$(qemu_major)"
  if [ -z "$major" ] || [ "$major" -lt 10 ]; then
    echo "setup: installing qemu-user 10 from bookworm-backports to run the x86 build (found: ${major:-none})"
    local src=/etc/apt/sources.list.d/kelzud10-backports.sources
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm-backports' \
        'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' > "$src"
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      -t bookworm-backports qemu-user >/dev/null || return 1
    major="$(qemu_major)"
    if [ -z "$major" ] || [ "$major" -lt 10 ]; then
      echo "setup: qemu-user ${major:-(none)} installed; 10 or later is needed" >&2; return 1
    fi
    # A handler registered with F keeps the old binary open: register the new one.
    [ -f "$KZ_QEMU_HANDLER" ] && echo -1 > "$KZ_QEMU_HANDLER"
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || return 1
  fi
  if [ -f "$KZ_QEMU_HANDLER" ] && ! grep -qx 'interpreter /usr/bin/qemu-i386' "$KZ_QEMU_HANDLER"; then
    echo -1 > "$KZ_QEMU_HANDLER"  # someone else's interpreter: ours is the one checked above
  fi
  if [ ! -f "$KZ_QEMU_HANDLER" ]; then
    echo ":qemu-i386:M::$QEMU_MAGIC:$QEMU_MASK:/usr/bin/qemu-i386:F" > /proc/sys/fs/binfmt_misc/register \
      || return 1
  fi
  echo 1 > "$KZ_QEMU_HANDLER"
}

mkdir -p "$(dirname "$KZ_X86_STATUS")"
rm -f "$KZ_X86_STATUS"
if [ -n "${KZ_NO_X86:-}" ]; then
  status="no: KZ_NO_X86 is set"
else
  status="$(kz_x86_loader_check)"
  case "$status" in
    "no: this host's kernel refuses"*|"no: the 32-bit Wine loader did not answer"*)
      echo "setup: ${status#no: }; trying user-mode emulation"
      if setup_emulator; then
        status="$(kz_x86_loader_check)"
      else
        status="no: ${status#no: }, and the emulator (qemu-user 10) could not be set up"
      fi ;;
  esac
fi

# A prefix of every architecture that runs. The x86 one is then asked to start a program within a
# time limit: a slow or broken emulator counts as "cannot run", with its reason.
make_prefix() {
  kz_use_arch "$1"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the $1 Wine prefix $WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    timeout 600 wineboot -i >/dev/null 2>&1 || true
    timeout 300 wineserver -w || true  # wineboot may return before the prefix is ready
    [ -f "$WINEPREFIX/system.reg" ] || return 1
  fi
}
case "$status" in
  no:*) ;;
  *)
    if ! make_prefix x86; then
      status="no: Wine could not create the x86 prefix ($status)"
    elif ! timeout 120 wine cmd /c exit >/dev/null 2>&1; then
      status="no: a program in the x86 prefix did not start and end within 120 s ($status)"
    fi
    wineserver -k 2>/dev/null || true ;;
esac
echo "$status" > "$KZ_X86_STATUS"
case "$status" in
  native) echo "setup: this host runs 32-bit programs: x86 (the reference) and x64 are built and tested" ;;
  emulated*) echo "setup: 32-bit programs run here through user-mode emulation ($status): x86 (the reference) and x64 are built and tested" ;;
  *) echo "setup: the x86 build cannot run here (${status#no: }): x64 is built and run, x86 is built only" ;;
esac

if ! make_prefix x64; then
  echo "setup: Wine could not create the x64 prefix $WINEPREFIX" >&2
  exit 1
fi
