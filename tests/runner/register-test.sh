#!/usr/bin/env bash
# Registration as a user meets it: a DLL of the other architecture is refused with one clear
# message and leaves nothing registered; regsvr32 and regsvr32 /u of this architecture's build
# publish and remove the classes and this architecture's type library, in a prefix of their own.
#   register-test.sh ARCH BUILD
KZ_ARCH="${1:?architecture}"
build="${2:?build folder}"
tmp="$(mktemp -d)"; trap 'wineserver -k >/dev/null 2>&1; rm -rf "$tmp"' EXIT
export KZ_WINEPREFIX="$tmp/prefix"
. "$(dirname "$0")/../../tools/env.sh"
wine() { timeout 90 wine "$@"; }  # a hang fails the check instead of the whole run
fail=0
check() { if [ "$1" = "$2" ]; then :; else echo "FAIL: $3: got [$1], expected [$2]"; fail=1; fi; }
has_key() { wine reg query "$1" >/dev/null 2>&1 && echo yes || echo no; }
libkey='HKCR\TypeLib\{12CA6A53-5CE0-4A23-9E8D-105BAEA9123E}\1.0\409'
if [ "$KZ_ARCH" = x64 ]; then kind=win64; else kind=win32; fi

wineboot -i >/dev/null 2>&1
wineserver -w

# The other architecture's DLL: the same file with the other machine in its header.
mkdir -p "$tmp/other/siblings"
cp "$build/kelzud10.dll" "$tmp/other/kelzud10.dll"
off=$(od -An -t u4 -j 60 -N 4 "$tmp/other/kelzud10.dll" | tr -d ' ')
if [ "$KZ_ARCH" = x64 ]; then other='\x4c\x01'; else other='\x64\x86'; fi
printf "$other" | dd of="$tmp/other/kelzud10.dll" bs=1 seek=$((off + 4)) conv=notrunc status=none
"$(dirname "$0")/../../tools/register-all" "$KZ_ARCH" "$tmp/other" >"$tmp/out" 2>&1; check $? 1 "the other architecture's DLL is refused"
check "$(grep -c "is an x.. DLL; the $KZ_ARCH prefix takes the $KZ_ARCH build" "$tmp/out")" 1 "one clear message"
check "$(has_key 'HKCR\Kelzud10.clsKelzudGUIDA')" no "nothing registered after the refusal"

dll="$(winepath -w "$build/kelzud10.dll")"
wine regsvr32 /s "$dll" >/dev/null 2>&1; check $? 0 "regsvr32"
check "$(has_key 'HKCR\Kelzud10.clsKelzudGUIDA\CLSID')" yes "a built class's programmatic identifier"
# A class of the type library whose source does not register it (if any is left) stays out.
root="$(cd "$(dirname "$0")/../.." && pwd)"
unbuilt=""
for c in $(sed -n 's/^coclass \(cls[A-Za-z0-9_]*\).*/\1/p' "$root"/idl/*.idl); do
  if ! grep -rqs -e "KZ_CLASS($c)" "$root/src" && ! grep -qs -e "\b$c\b" "$root/src/frame/EmptyClasses.cpp"; then
    unbuilt="$c"; break
  fi
done
if [ -n "$unbuilt" ]; then
  check "$(has_key "HKCR\\Kelzud10.$unbuilt")" no "a class not built ($unbuilt) stays unregistered"
fi
check "$(has_key "$libkey\\$kind")" yes "the type library for $kind"
wine regsvr32 /s /u "$dll" >/dev/null 2>&1; check $? 0 "regsvr32 /u"
check "$(has_key 'HKCR\Kelzud10.clsKelzudGUIDA')" no "programmatic identifier removed"
check "$(has_key "$libkey\\$kind")" no "type library registration removed"
[ $fail = 0 ] && echo "register: all checks passed"
exit $fail
