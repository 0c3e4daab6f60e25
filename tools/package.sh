#!/usr/bin/env bash
# Writes the release packages, one per architecture: dist/kelzud10-<version>-<arch>.zip with the
# library, the sibling servers, the type library, the side-by-side manifests, kzpals, the
# samples (with the application manifest), the README and the reference, and SHA256SUMS, the
# checksums of every other file in it. The version is the one in VERSION.
#   tools/package.sh [ARCH...]     (default: x86 x64; each is built first)
# KZ_DIST names the output folder (default dist/).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
version="$(head -n1 "$root/VERSION")"
out="${KZ_DIST:-$root/dist}"
archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=(x86 x64)
command -v zip >/dev/null || { echo "package: zip is not installed (tools/setup.sh installs it)" >&2; exit 1; }
mkdir -p "$out"
out="$(cd "$out" && pwd)"
for arch in "${archs[@]}"; do
  case "$arch" in x86|x64) ;; *) echo "package: unknown architecture '$arch' (x86 or x64)" >&2; exit 2 ;; esac
  KZ_ARCH=$arch "$here/build.sh" --target kelzud10 siblings kzpals kz_manifests >/dev/null
  build="${KZ_BUILD_ROOT:-$root/build}/$arch"
  name="kelzud10-$version-$arch"
  work="$(mktemp -d)"
  stage="$work/$name"
  mkdir -p "$stage/siblings" "$stage/samples" "$stage/docs"
  cp "$build/kelzud10.dll" "$build/gen/kelzud10.tlb" "$build/kelzud10.sxs.manifest" "$build/kzpals.exe" "$stage/"
  cp "$build"/siblings/*.dll "$build"/siblings/*.sxs.manifest "$stage/siblings/"
  cp "$root"/samples/*.vbs "$root"/samples/*.ini "$build/samples/app.exe.manifest" "$stage/samples/"
  cp "$root/README.md" "$root/VERSION" "$stage/"
  cp -r "$root/docs/reference" "$stage/docs/"
  (cd "$stage" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum > SHA256SUMS)
  rm -f "$out/$name.zip"
  (cd "$work" && zip -qrX "$out/$name.zip" "$name")
  rm -rf "$work"
  echo "package: $out/$name.zip"
done
