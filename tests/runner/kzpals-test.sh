#!/usr/bin/env bash
# kzpals from the command line: a section that runs (one well past the first 8 KB of key names
# too), a line that fails, and each way of being called wrongly, with its message and status.
KZ_ARCH="${1:?architecture}"; shift
. "$(dirname "$0")/../../tools/env.sh"
wine() { timeout 120 wine "$@"; }  # a hang fails the check instead of the whole run
exe="${1:?kzpals.exe}"
tmp="$(mktemp -d)"; trap 'rm -rf "$tmp"; wine reg delete "HKCU\\Software\\Kelzud10Tests\\Kzpals" /f >/dev/null 2>&1' EXIT
fail=0
# A failed check also shows how the last registry query ended, should reg itself have failed.
check() {
  if [ "$1" = "$2" ]; then :; else echo "FAIL: $3: got [$1], expected [$2]"; cat "$tmp/reg.last" 2>/dev/null; fail=1; fi
  : >"$tmp/reg.last"
}
# `reg query` with its carriage returns removed; an exit other than 0 is noted for check.
regq() {
  wine reg query "$@" 2>"$tmp/reg.err" | tr -d '\r'
  local rc=${PIPESTATUS[0]}
  if [ "$rc" -eq 0 ]; then : >"$tmp/reg.last"; else
    echo "  (reg query $*: exit $rc: $(tr -d '\r' <"$tmp/reg.err" | head -2 | paste -sd' '))" >"$tmp/reg.last"
  fi
}
regdefault() { regq "HKCR\\$1" /ve | sed -n 's/^ *(Default) *REG_SZ *//p'; }
printf '[Good]\r\na=hcu,Software\\Kelzud10Tests\\Kzpals,V,ok,\r\n[Bad]\r\nfirst=hcu,Software\\Kelzud10Tests\\Kzpals,F,1,\r\nPaths=hcu,Software\\Kelzud10Tests\\Kzpals,W,x\r\n[Empty]\r\n' > "$tmp/a.ini"
ini="$(winepath -w "$tmp/a.ini")"

wine "$exe" "$ini" Good kelzudIFHPalsCREGK >"$tmp/out" 2>"$tmp/err"; check $? 0 "a section that runs"
check "$(regq 'HKCU\Software\Kelzud10Tests\Kzpals' /v V | awk '/REG_SZ/{print $3}')" ok "value written"

# The failing line is named, with its section.
wine "$exe" "$ini" Bad 4 >"$tmp/out" 2>"$tmp/err"; check $? 1 "a line that fails"
check "$(tr -d '\r' < "$tmp/err")" 'kzpals: [Bad] line "Paths": error 9 in Kelzud10.clsKelzudINIFileHandler1A: Subscript out of range' "failing line reported"

# The form actions: a layout with no form to apply it to is error 91; FormMap2 writes the
# empty entry into the section.
printf '[Layout]\r\nFormMap1Left=5\r\n' > "$tmp/form.ini"
form="$(winepath -w "$tmp/form.ini")"
wine "$exe" "$form" Layout FormMap1 >"$tmp/out" 2>"$tmp/err"; check $? 1 "a layout without a form"
grep -q "error 91" "$tmp/err" || { echo "FAIL: layout without a form: $(tr -d '\r' < "$tmp/err")"; fail=1; }
wine "$exe" "$form" Layout kelzudIFHPalsFormMap2 >"$tmp/out" 2>"$tmp/err"; check $? 0 "the empty entry"
check "$(tr -d '\r' < "$tmp/form.ini" | grep -c '^=$')" 1 "empty entry written"

# 3,000 lines: 27,000 characters of key names, every line runs.
{ printf '[Many]\r\n'; for i in $(seq -w 0 2999); do printf 'Key%s=hcu,Software\\Kelzud10Tests\\Kzpals\\Many,N%s,%s,\r\n' "$i" "$i" "$i"; done; } > "$tmp/many.ini"
wine "$exe" "$(winepath -w "$tmp/many.ini")" Many CREGK >"$tmp/out" 2>"$tmp/err"; check $? 0 "a section past 8 KB"
check "$(regq 'HKCU\Software\Kelzud10Tests\Kzpals\Many' | grep -c REG_SZ)" 3000 "every line of the long section"
check "$(regq 'HKCU\Software\Kelzud10Tests\Kzpals\Many' /v N2999 | awk '/REG_SZ/{print $3}')" 2999 "the last line"

# Each way of calling it wrongly: its status and a message that says what is wrong.
mkdir -p "$tmp/folder.ini"
long="$tmp/$(printf 'd%.0s' $(seq 1 120))/$(printf 'e%.0s' $(seq 1 150)).ini"
cases=(
  "2|usage|$ini Good"
  "3|no such file|$(winepath -w "$tmp/missing.ini") Good CREGK"
  "4|is a folder|$(winepath -w "$tmp/folder.ini") Good CREGK"
  "5|too long|$(winepath -w "$long") Good CREGK"
  "6|no section \\[Nowhere\\]|$ini Nowhere CREGK"
  "7|has no lines|$ini Empty CREGK"
  "8|has no action|$ini Good 99"
  "8|has no action|$ini Good kelzudIFHPalsDREGK"
  "8|has no action|$ini Good NOSUCHCODE"
  "9|out of range|$ini Good 4294967300"
)
for c in "${cases[@]}"; do
  IFS='|' read -r want message args <<<"$c"
  read -r -a argv <<<"$args"
  wine "$exe" "${argv[@]}" >"$tmp/out" 2>"$tmp/err"; check $? "$want" "status for: $args"
  grep -q "$message" "$tmp/err" || { echo "FAIL: message for: $args: $(tr -d '\r' < "$tmp/err")"; fail=1; }
  grep -q done "$tmp/out" && { echo "FAIL: 'done' for: $args"; fail=1; }
done
# Environment lines: a folder line creates its folder; a line with too few fields ends the
# action with its message box (logged, unattended) and kzpals still succeeds.
made="$(winepath -w "$tmp/made")"
printf '[Env]\r\nKZT_KZPALS_DIR=%s,,md,\r\n' "$made" > "$tmp/env.ini"
wine "$exe" "$(winepath -w "$tmp/env.ini")" Env kelzudIFHPalsCENVVAR >"$tmp/out" 2>"$tmp/err"; check $? 0 "environment lines"
check "$([ -d "$tmp/made" ] && echo made)" made "the folder of an md line"
# The user's drive: unattended, the drive form is logged instead of shown and closes as on
# Cancel, so the line's variable is the drive chosen before (none here) and a backslash.
printf '[Drive]\r\nKZT_KZPALS_CUSDRV=cusdrv,cmd,,\r\n' > "$tmp/drive.ini"
KELZUD10_UNATTENDED="$(winepath -w "$tmp/ui.log")" wine "$exe" "$(winepath -w "$tmp/drive.ini")" Drive 0 \
  >"$tmp/out" 2>"$tmp/err"; check $? 0 "the user's drive line"
check "$(tr -d '\r' < "$tmp/ui.log" 2>/dev/null | grep -c '^Form.Select Drive.in which drive you want')" 1 "the drive form, logged"
check "$(regq 'HKCU\Environment' /v KZT_KZPALS_CUSDRV | awk '/REG_/{print $3}')" '\' \
  "the variable of the line"
wine reg delete 'HKCU\Environment' /v KZT_KZPALS_CUSDRV /f >/dev/null 2>&1
# INI lines and file backups run through the same command line.
printf 'one' > "$tmp/one.txt"
mkdir -p "$tmp/dest"
{ printf '[Ini]\r\na=%s,Sec,Name,Val\r\n' "$(winepath -w "$tmp/out.ini")"
  printf '[Files]\r\nOne=%s,%s,copy.txt,True\r\n' "$(winepath -w "$tmp/one.txt")" "$(winepath -w "$tmp/dest")"; } > "$tmp/b.ini"
wine "$exe" "$(winepath -w "$tmp/b.ini")" Ini kelzudIFHPalsSINI >"$tmp/out" 2>"$tmp/err"; check $? 0 "INI lines"
check "$(tr -d '\r' < "$tmp/out.ini" 2>/dev/null | grep '^Name=')" "Name=Val" "INI value written"
wine "$exe" "$(winepath -w "$tmp/b.ini")" Files 47 >"$tmp/out" 2>"$tmp/err"; check $? 0 "file backups"
check "$(find "$tmp/dest" -name copy.txt -exec cat {} \;)" one "file copied into the dated tree"
check "$(find "$tmp/dest" -name details.ini | wc -l)" 1 "its record"

# Shortcuts: the link lands in the line's folder, created for it.
printf 'x' > "$tmp/tool.exe"
printf '[Links]\r\na=%s,Tool,/q,,%s\r\n' "$(winepath -w "$tmp/tool.exe")" "$(winepath -w "$tmp/links")" > "$tmp/c.ini"
wine "$exe" "$(winepath -w "$tmp/c.ini")" Links kelzudIFHPalsCSHORCUT >"$tmp/out" 2>"$tmp/err"; check $? 0 "shortcuts"
check "$(ls "$tmp/links" 2>/dev/null)" "Tool.lnk" "shortcut written"

# The font action: a source and destination in the Windows folder, installed and registered.
win="$WINEPREFIX/drive_c/windows"
cp "$(dirname "$0")/../fonts/data/KzTestSansMono-Oblique.ttf" "$win/kzpals-src.ttf"
printf '[Fonts]\r\nf=Kzpals Font,%%WINDIR%%\\Fonts\\kzpals-font.ttf,%%WINDIR%%\\kzpals-src.ttf\r\n' > "$tmp/f.ini"
wine "$exe" "$(winepath -w "$tmp/f.ini")" Fonts kelzudIFHPalsASFFONT >"$tmp/out" 2>"$tmp/err"; check $? 0 "the font action"
check "$([ -f "$win/Fonts/kzpals-font.ttf" ] && echo copied)" copied "font copied into the fonts folder"
check "$(regq 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts' /v 'Kzpals Font (TrueType)' | grep -c 'KZPALS-FONT.TTF')" 1 "font registered"
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts' /v 'Kzpals Font (TrueType)' /f >/dev/null 2>&1
rm -f "$win/kzpals-src.ttf" "$win/Fonts/kzpals-font.ttf"

# Program lines: kzpals returns only after each program has ended, one after another; a program
# opened without waiting is still running when kzpals returns; a namespace entry from a line.
sleeper="$(winepath -w "$(dirname "$exe")/kzt_sleeper.exe")"
events="$(winepath -w "$tmp/events.log")"
printf '[Run]\r\na=%s 500 %s one\r\nb=%s 10 %s two\r\n[Open]\r\na=%s,2500 %s late\r\n' \
  "$sleeper" "$events" "$sleeper" "$events" "$sleeper" "$events" > "$tmp/p.ini"
wine "$exe" "$(winepath -w "$tmp/p.ini")" Run kelzudIFHPalsSSEXEAW >"$tmp/out" 2>"$tmp/err"; check $? 0 "program lines"
check "$(tr -d '\r' < "$tmp/events.log" | cut -d' ' -f1,2 | paste -sd,)" "start one,end one,start two,end two" "programs run in turn, each to its end"
rm -f "$tmp/events.log"
wine "$exe" "$(winepath -w "$tmp/p.ini")" Open 50 >"$tmp/out" 2>"$tmp/err"; check $? 0 "open lines"
check "$(cat "$tmp/events.log" 2>/dev/null | grep -c '^end late')" 0 "kzpals returned before the opened program ended"
for i in $(seq 1 200); do grep -q '^end late' "$tmp/events.log" 2>/dev/null && break; sleep 0.1; done
check "$(grep -c '^end late' "$tmp/events.log" 2>/dev/null)" 1 "the opened program ran to its end"
guid='{3E1F7B20-9C4A-4D8E-B5F6-0A1B2C3D4E5F}'
printf '[Entries]\r\na=%s^Kzpals Item^^^C:\\Kz\\app.exe^false^true^\r\n' "$guid" > "$tmp/e.ini"
wine "$exe" "$(winepath -w "$tmp/e.ini")" Entries kelzudIFHPalsCSFLINKEX >"$tmp/out" 2>"$tmp/err"; check $? 0 "entry lines"
check "$(regdefault "CLSID\\$guid\\DefaultIcon")" 'C:\Kz\app.exe,0' "entry icon"
check "$(regq "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\$guid" | grep -c REG_SZ)" 1 "control-panel entry"
wine reg delete "HKCR\\CLSID\\$guid" /f >/dev/null 2>&1
wine reg delete "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\$guid" /f >/dev/null 2>&1
# File types: code 14 registers each line's extension, the dot added where it is missing; code
# 15 runs the same lines; a line with four fields ends the action with error 9.
ext="kzpals$$"; typ="Kelzud10Tests.Kzpals$$"
printf '[Types]\r\na=%s^C:\\My Apps\\v.exe^%s^Kzpals type^\r\n[Short]\r\na=.%sx^v.exe^%sx^four\r\n' "$ext" "$typ" "$ext" "$typ" > "$tmp/t.ini"
for code in kelzudIFHPalsCSFNFA 15; do
  wine reg delete "HKCR\\.$ext" /f >/dev/null 2>&1; wine reg delete "HKCR\\$typ" /f >/dev/null 2>&1
  wine "$exe" "$(winepath -w "$tmp/t.ini")" Types $code >"$tmp/out" 2>"$tmp/err"; check $? 0 "the association action ($code)"
  check "$(regdefault ".$ext")" "$typ" "the extension's type ($code)"
  check "$(regdefault "$typ\\shell\\open\\command")" '"C:\My Apps\v.exe" "%1"' "the open command ($code)"
  check "$(regdefault "$typ\\DefaultIcon")" 'C:\My Apps\v.exe,0' "the icon ($code)"
done
wine "$exe" "$(winepath -w "$tmp/t.ini")" Short kelzudIFHPalsCSCMDA >"$tmp/out" 2>"$tmp/err"; check $? 1 "a short association line"
grep -q 'error 9' "$tmp/err" || { echo "FAIL: short association line: $(tr -d '\r' < "$tmp/err")"; fail=1; }
check "$(wine reg query "HKCR\\.${ext}x" >/dev/null 2>&1 && echo present || echo absent)" absent "nothing of the short line"
wine reg delete "HKCR\\.$ext" /f >/dev/null 2>&1; wine reg delete "HKCR\\$typ" /f >/dev/null 2>&1

[ $fail = 0 ] && echo "kzpals: all checks passed"
exit $fail
