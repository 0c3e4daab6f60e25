#!/usr/bin/env bash
# Use without registration: in a prefix of its own where nothing of ours is registered, a program
# whose application manifest is the sample one, next to the servers and their side-by-side
# manifests, creates every class a client may create and calls one member of each. The same
# program without its manifest must get none of them.
#   regfree-test.sh ARCH BUILD
KZ_ARCH="${1:?architecture}"
build="${2:?build folder}"
tmp="$(mktemp -d)"; trap 'wineserver -k >/dev/null 2>&1; rm -rf "$tmp"' EXIT
export KZ_WINEPREFIX="$tmp/prefix"
. "$(dirname "$0")/../../tools/env.sh"
wine() { timeout 120 wine "$@"; }  # a hang fails the check instead of the whole run
fail=0
check() { if [ "$1" = "$2" ]; then :; else echo "FAIL: $3: got [$1], expected [$2]"; fail=1; fi; }
has_key() { wine reg query "$1" >/dev/null 2>&1 && echo yes || echo no; }

wineboot -i >/dev/null 2>&1
wineserver -w

app="$tmp/app"
mkdir -p "$app"
cp "$build/kelzud10.dll" "$build/kelzud10.sxs.manifest" "$build/kzt_creatable.exe" "$app/"
cp "$build"/siblings/*.dll "$build"/siblings/*.sxs.manifest "$app/"
cp "$build/samples/app.exe.manifest" "$app/kzt_creatable.exe.manifest"
sibs=()
for s in "$app"/kelzud11.dll "$app"/kelzud16.dll "$app"/ruvo10.dll; do sibs+=("$(winepath -w "$s")"); done
export KELZUD10_UNATTENDED="$(winepath -w "$tmp/unattended.log")"
check "$(has_key 'HKCR\Kelzud10.clsKelzudGUIDA')" no "nothing of ours registered in the prefix"

(cd "$app" && wine kzt_creatable.exe "${sibs[@]}") >"$tmp/with.out" 2>"$tmp/with.err"
check $? 0 "every class created and called through the manifests"
tr -d '\r' <"$tmp/with.out"
classes="$(tr -d '\r' <"$tmp/with.out" | sed -n 's/^creatable: \([0-9]*\) classes.*/\1/p')"

rm "$app/kzt_creatable.exe.manifest"
(cd "$app" && KZ_NO_PROGID=1 wine kzt_creatable.exe "${sibs[@]}") >"$tmp/without.out" 2>&1
check $? 1 "without the application manifest the classes are not found"
check "$(grep -c 'created by class identifier' "$tmp/without.out")" "$classes" "not one class created without the manifest"

[ $fail = 0 ] && echo "regfree: all checks passed"
exit $fail
