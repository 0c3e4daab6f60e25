#!/usr/bin/env bash
# Builds kelzud10.dll, registers it in the project's Wine prefix and runs the demo script.
set -euo pipefail
here="$(dirname "$0")"
"$here/setup.sh"
. "$here/env.sh"
"$here/build.sh" --target kelzud10 siblings 2>/dev/null || "$here/build.sh" --target kelzud10
wineserver -p
wine wineboot >/dev/null 2>&1 || true
"$here/register-all" "$KZ_ROOT/build"
echo "kelzud10.dll registered in $WINEPREFIX"
for demo in "$KZ_ROOT"/samples/demo*.vbs; do
  wine cscript.exe //nologo "$(winepath -w "$demo")" 2>/dev/null | tr -d '\r'
done
wineserver -k || true
