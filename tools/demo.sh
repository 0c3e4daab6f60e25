#!/usr/bin/env bash
# Builds kelzud10.dll, registers it in the project's Wine prefix and runs the demo scripts and
# kzpals: the x86 build (the reference) where this host runs 32-bit programs, the x64 build
# otherwise. KZ_ARCH=x64 picks x64 on any host.
set -euo pipefail
here="$(dirname "$0")"
"$here/setup.sh"
. "$here/env.sh"
if [ "$KZ_ARCH" = x86 ]; then
  echo "demo: the x86 build (32-bit script host, $(kz_x86_runs))"
else
  echo "demo: the x64 build (64-bit script host)"
fi
"$here/build.sh" --target kelzud10 kzpals siblings >/dev/null
wineserver -p 2>/dev/null || true
wine wineboot >/dev/null 2>&1 || true
"$here/register-all" "$KZ_ARCH" "$KZ_BUILD"
echo "kelzud10.dll ($KZ_ARCH) registered in $WINEPREFIX"
for demo in "$KZ_ROOT"/samples/demo*.vbs; do
  wine cscript.exe //nologo "$(winepath -w "$demo")" 2>/dev/null | tr -d '\r'
done

echo
echo "== kzpals: the [Registry] section of samples/actions.ini"
actions="$(winepath -w "$KZ_ROOT/samples/actions.ini")"
wine "$KZ_BUILD/kzpals.exe" "$actions" Registry kelzudIFHPalsCREGK 2>/dev/null | tr -d '\r'
wine reg query 'HKCU\Software\Kelzud10Demo' /s 2>/dev/null | tr -d '\r' | sed '/^$/d'
echo "== kzpals: the [Broken] section (a line with a missing field)"
wine "$KZ_BUILD/kzpals.exe" "$actions" Broken 4 2>&1 >/dev/null | tr -d '\r' | grep '^kzpals' || true
wine reg delete 'HKCU\Software\Kelzud10Demo' /f >/dev/null 2>&1 || true
wineserver -k || true
