#!/usr/bin/env bash
# The release package as a person installing it meets it: tools/package.sh writes the zip named
# after VERSION and the architecture; unpacked, its checksums hold, it carries every part, kzpals
# names the version, and in a fresh prefix its servers register for the user and for the machine
# and run the demo scripts it ships. (Wine's COM reads only the machine's classes, so the demo
# runs after the machine-wide registration; the per-user one is checked by its keys.)
#   package-test.sh ARCH BUILD
KZ_ARCH="${1:?architecture}"
build="${2:?build folder}"
tmp="$(mktemp -d)"; trap 'wineserver -k >/dev/null 2>&1; rm -rf "$tmp"' EXIT
root="$(cd "$(dirname "$0")/../.." && pwd)"
version="$(head -n1 "$root/VERSION")"
export KZ_WINEPREFIX="$tmp/prefix"
. "$root/tools/env.sh"
wine() { timeout 120 wine "$@"; }  # a hang fails the check instead of the whole run
fail=0
check() { if [ "$1" = "$2" ]; then :; else echo "FAIL: $3: got [$1], expected [$2]"; fail=1; fi; }
has_key() { wine reg query "$1" >/dev/null 2>&1 && echo yes || echo no; }

KZ_DIST="$tmp/dist" KZ_BUILD_ROOT="$(dirname "$build")" "$root/tools/package.sh" "$KZ_ARCH" >"$tmp/package.out" 2>&1
check $? 0 "tools/package.sh $KZ_ARCH"
zipfile="$tmp/dist/kelzud10-$version-$KZ_ARCH.zip"
check "$([ -f "$zipfile" ] && echo yes || echo no)" yes "the package kelzud10-$version-$KZ_ARCH.zip"
mkdir "$tmp/unpacked" && unzip -q "$zipfile" -d "$tmp/unpacked"
pkg="$tmp/unpacked/kelzud10-$version-$KZ_ARCH"
check "$(cd "$pkg" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1 && echo ok)" ok "the checksums of the unpacked files"
check "$(cd "$pkg" && find . -type f ! -name SHA256SUMS | wc -l)" "$(wc -l < "$pkg/SHA256SUMS")" "every file has its checksum"
for f in kelzud10.dll kelzud10.tlb kelzud10.sxs.manifest kzpals.exe README.md VERSION siblings/kelzud11.dll \
         siblings/kelzud11.sxs.manifest samples/demo.vbs samples/actions.ini samples/app.exe.manifest docs/reference/index.md; do
  check "$([ -f "$pkg/$f" ] && echo yes || echo no)" yes "$f in the package"
done
check "$(grep -c "version=\"$version\"" "$pkg/kelzud10.sxs.manifest")" 1 "the manifest's assembly version"

wineboot -i >/dev/null 2>&1
wineserver -w
check "$(wine "$pkg/kzpals.exe" --version 2>/dev/null | tr -d '\r')" "kzpals $version ($KZ_ARCH)" "kzpals --version"
dlls=("$pkg/kelzud10.dll" "$pkg"/siblings/*.dll)
for dll in "${dlls[@]}"; do
  wine regsvr32 /s /n /i:user "$(winepath -w "$dll")" >/dev/null 2>&1; check $? 0 "per-user registration of $(basename "$dll")"
done
check "$(has_key 'HKCU\Software\Classes\Kelzud10.clsKelzudINIFileHandler1A\CLSID')" yes "a class registered for the user"
for dll in "${dlls[@]}"; do
  wine regsvr32 /s "$(winepath -w "$dll")" >/dev/null 2>&1; check $? 0 "registration of $(basename "$dll")"
done
# The type library's version is the release's major.minor.
check "$(has_key "HKCR\\TypeLib\\{12CA6A53-5CE0-4A23-9E8D-105BAEA9123E}\\${version%.*.*}")" yes "the type library's version"
out="$(wine cscript.exe //nologo "$(winepath -w "$pkg/samples/demo.vbs")" 2>/dev/null | tr -d '\r')"
check "$(grep -c '^Wrote .*setup.ini (Success=True)$' <<<"$out")" 1 "the demo ran from the package"
[ $fail = 0 ] && echo "package: all checks passed"
exit $fail
