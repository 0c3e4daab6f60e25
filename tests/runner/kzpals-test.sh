#!/usr/bin/env bash
# kzpals from the command line: a section that runs, a section that fails, bad usage.
KZ_ARCH="${1:?architecture}"; shift
. "$(dirname "$0")/../../tools/env.sh"
wine() { timeout 60 wine "$@"; }  # a hang fails the check instead of the whole run
exe="${1:?kzpals.exe}"
tmp="$(mktemp -d)"; trap 'rm -rf "$tmp"; wine reg delete "HKCU\\Software\\Kelzud10Tests\\Kzpals" /f >/dev/null 2>&1' EXIT
fail=0
check() { if [ "$1" = "$2" ]; then :; else echo "FAIL: $3: got [$1], expected [$2]"; fail=1; fi; }
printf '[Good]\r\na=hcu,Software\\Kelzud10Tests\\Kzpals,V,ok,\r\n[Bad]\r\nb=hcu,Software\\Kelzud10Tests\\Kzpals,W,x\r\n' > "$tmp/a.ini"
ini="$(winepath -w "$tmp/a.ini")"

wine "$exe" "$ini" Good kelzudIFHPalsCREGK >"$tmp/out" 2>"$tmp/err"; check $? 0 "a section that runs"
check "$(wine reg query 'HKCU\Software\Kelzud10Tests\Kzpals' /v V 2>/dev/null | tr -d '\r' | awk '/REG_SZ/{print $3}')" ok "value written"
wine "$exe" "$ini" Bad 4 >"$tmp/out" 2>"$tmp/err"; check $? 1 "a section that fails"
check "$(grep -c 'kzpals: error 9 in Kelzud10.clsKelzudINIFileHandler1A: Subscript out of range' "$tmp/err")" 1 "error reported"
wine "$exe" "$ini" Good >/dev/null 2>&1; check $? 2 "missing argument"
wine "$exe" "$ini" Good NOSUCHCODE >/dev/null 2>&1; check $? 2 "unknown code"
[ $fail = 0 ] && echo "kzpals: all checks passed"
exit $fail
