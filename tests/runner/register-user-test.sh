#!/usr/bin/env bash
# Registration for the current user alone (regsvr32 /n /i:user), in a prefix of its own, for
# kelzud10.dll and the sibling servers: the classes, programmatic identifiers, type library and
# its interfaces land below HKEY_CURRENT_USER\Software\Classes and nowhere else; those keys are
# complete (copied to the machine's classes they make every class creatable); unregistering
# (regsvr32 /u /n /i:user) leaves the user's classes as they were before.
#   register-user-test.sh ARCH BUILD
KZ_ARCH="${1:?architecture}"
build="${2:?build folder}"
tmp="$(mktemp -d)"; trap 'wineserver -k >/dev/null 2>&1; rm -rf "$tmp"' EXIT
export KZ_WINEPREFIX="$tmp/prefix"
. "$(dirname "$0")/../../tools/env.sh"
wine() { timeout 120 wine "$@"; }  # a hang fails the check instead of the whole run
fail=0
check() { if [ "$1" = "$2" ]; then :; else echo "FAIL: $3: got [$1], expected [$2]"; fail=1; fi; }
has_key() { wine reg query "$1" >/dev/null 2>&1 && echo yes || echo no; }
# A key's export, without the file's header and blank lines (a fresh prefix has no user's
# classes key at all, and registering creates it: the key alone, left empty, is no leftover).
export_key() {
  rm -f "$2"; wine reg export "$1" "$(winepath -w "$2")" /y >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$2" 2>/dev/null | tr -d '\r' | sed '1{/^Windows Registry Editor/d}; /^$/d' | grep -vxF "[${1/HKCU/HKEY_CURRENT_USER}]"
}
if [ "$KZ_ARCH" = x64 ]; then kind=win64; else kind=win32; fi
user='HKCU\Software\Classes'
machine='HKLM\Software\Classes'

wineboot -i >/dev/null 2>&1
wineserver -w

dlls=()
for d in "$build/kelzud10.dll" "$build"/siblings/kelzud11.dll "$build"/siblings/kelzud16.dll "$build"/siblings/ruvo10.dll; do
  dlls+=("$(winepath -w "$d")")
done
libid="$(sed -n 's/.*<typelib tlbid="\([^"]*\)".*/\1/p' "$build/kelzud10.sxs.manifest")"
iid="$(sed -n 's/.*name="_clsKelzudGUIDA" iid="\([^"]*\)".*/\1/p' "$build/kelzud10.sxs.manifest")"
clsid="$(sed -n 's/.*clsid="\([^"]*\)" progid="Kelzud10.clsKelzudGUIDA".*/\1/p' "$build/kelzud10.sxs.manifest")"
check "$( [ -n "$libid" ] && [ -n "$iid" ] && [ -n "$clsid" ] && echo found)" found "identifiers read from the build"

export_key "$machine" "$tmp/machine.before.reg" >"$tmp/machine.before"
export_key "$user" "$tmp/user.before.reg" >"$tmp/user.before"

wine regsvr32 /s /n /i:someone "${dlls[0]}" >/dev/null 2>&1; check "$([ $? -ne 0 ] && echo refused)" refused "an unknown scope"
check "$(has_key "$user\\Kelzud10.clsKelzudGUIDA")" no "nothing registered for an unknown scope"
for d in "${dlls[@]}"; do
  wine regsvr32 /s /n /i:user "$d" >/dev/null 2>&1; check $? 0 "regsvr32 /n /i:user $d"
done
for k in "$user\\Kelzud10.clsKelzudGUIDA\\CLSID" "$user\\CLSID\\$clsid\\InprocServer32" \
         "$user\\KELZUD11.clsKelzud11RunTimeA\\CLSID" "$user\\RUVO10.clsRUVODebuggerA\\CLSID" \
         "$user\\TypeLib\\$libid\\1.0\\409\\$kind" "$user\\Interface\\$iid\\ProxyStubClsid32"; do
  check "$(has_key "$k")" yes "$k"
done
export_key "$user" "$tmp/user.reg" >/dev/null
# Wine's per-user type library call registers the interfaces machine-wide in the 32-bit view
# too (the classes root redirection does not reach that view there): those keys alone are let
# pass here, and must be gone again after unregistering.
export_key "$machine" "$tmp/machine.after.reg" >"$tmp/machine.after"
check "$(diff "$tmp/machine.before" "$tmp/machine.after" | grep '^> \[' | grep -vc '^> \[HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\Interface\\')" 0 \
  "the machine's classes untouched"

# Complete: the user's keys, copied to the machine's classes, make every class creatable.
{ printf '\xff\xfe'; iconv -f UTF-16 -t UTF-8 "$tmp/user.reg" |
  sed 's/^\[HKEY_CURRENT_USER\\Software\\Classes/[HKEY_LOCAL_MACHINE\\Software\\Classes/' | iconv -f UTF-8 -t UTF-16LE; } >"$tmp/copy.reg"
wine reg import "$(winepath -w "$tmp/copy.reg")" >/dev/null 2>&1; check $? 0 "the user's keys copied to the machine"
export KELZUD10_UNATTENDED="$(winepath -w "$tmp/unattended.log")"
wine "$build/kzt_creatable.exe" "${dlls[@]:1}" >"$tmp/creatable.out" 2>&1
check $? 0 "every class created from the copied keys"
tr -d '\r' <"$tmp/creatable.out" | grep -v '^creatable:' | head -20

# The copy taken out again: the keys it added, deepest first.
{ printf '\xff\xfe'; { printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  iconv -f UTF-16 -t UTF-8 "$tmp/copy.reg" | tr -d '\r' | grep '^\[' | grep -vxFf "$tmp/machine.before" | tac |
    sed 's/^\[/[-/; s/$/\r/'; } | iconv -f UTF-8 -t UTF-16LE; } >"$tmp/uncopy.reg"
wine reg import "$(winepath -w "$tmp/uncopy.reg")" >/dev/null 2>&1; check $? 0 "the copied keys taken out"

# The other architecture's server registered for the machine: the user's registration is still
# the user's own to remove in full.
if [ "$KZ_ARCH" = x64 ]; then
  wine reg add "HKLM\\Software\\Classes\\CLSID\\$clsid\\InprocServer32" /reg:32 /f >/dev/null 2>&1
fi
for d in "${dlls[@]}"; do
  wine regsvr32 /s /u /n /i:user "$d" >/dev/null 2>&1; check $? 0 "regsvr32 /u /n /i:user $d"
done
export_key "$user" "$tmp/user.after.reg" >"$tmp/user.after"
[ "$KZ_ARCH" = x64 ] && wine reg delete "HKLM\\Software\\Classes\\CLSID\\$clsid" /reg:32 /f >/dev/null 2>&1
export_key "$machine" "$tmp/machine.end.reg" >"$tmp/machine.end"
check "$(cmp -s "$tmp/machine.before" "$tmp/machine.end" && echo same)" same "the machine's classes as before, the copied keys taken out"
if ! cmp -s "$tmp/user.before" "$tmp/user.after"; then
  echo "FAIL: keys left below $user:"; diff "$tmp/user.before" "$tmp/user.after" | head -20; fail=1
fi

[ $fail = 0 ] && echo "register-user: all checks passed"
exit $fail
