#!/usr/bin/env bash
# Builds kelzud10.dll, registers it in the project's Wine prefix and runs the demo script.
set -euo pipefail
here="$(dirname "$0")"
"$here/setup.sh"
. "$here/env.sh"
"$here/build.sh" --target kelzud10 kzpals siblings 2>/dev/null || "$here/build.sh" --target kelzud10 kzpals
wineserver -p 2>/dev/null || true
wine wineboot >/dev/null 2>&1 || true
"$here/register-all" "$KZ_ROOT/build"
echo "kelzud10.dll registered in $WINEPREFIX"
for demo in "$KZ_ROOT"/samples/demo*.vbs; do
  wine cscript.exe //nologo "$(winepath -w "$demo")" 2>/dev/null | tr -d '\r'
done

echo
echo "== kzpals: the [Registry] section of samples/actions.ini"
actions="$(winepath -w "$KZ_ROOT/samples/actions.ini")"
wine "$KZ_ROOT/build/kzpals.exe" "$actions" Registry kelzudIFHPalsCREGK 2>/dev/null | tr -d '\r'
wine reg query 'HKCU\Software\Kelzud10Demo' /s 2>/dev/null | tr -d '\r' | sed '/^$/d'
echo "== kzpals: the [Broken] section (a line with a missing field)"
wine "$KZ_ROOT/build/kzpals.exe" "$actions" Broken 4 2>&1 >/dev/null | tr -d '\r' | grep '^kzpals' || true
wine reg delete 'HKCU\Software\Kelzud10Demo' /f >/dev/null 2>&1 || true
wineserver -k || true
