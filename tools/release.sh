#!/usr/bin/env bash
# Builds the release from the committed tree and writes dist/:
#   Glowtide-<version>-win-x64.zip   Glowtide.exe, README.md, LICENSE and CHANGELOG.md
#   Glowtide.exe, SHA256SUMS         the exe as in the zip, and both files' SHA-256 (sha256sum -c)
#   winget/, scoop/glowtide.json     the manifests, when a download URL is given
# The build is reproducible: it takes its time from the last commit (SOURCE_DATE_EPOCH), keeps no
# path of the build machine, and the zip holds its files in a fixed order with fixed times and
# permissions. The release is built twice, in two folders of different names, and must come out
# byte-identical.
#   tools/release.sh                                          the zip and the sums only
#   tools/release.sh https://example.org/glowtide/1.0.0.1/    also the manifests for that folder
#   tools/release.sh URL HOMEPAGE                             with a homepage other than the URL
set -euo pipefail
cd "$(dirname "$0")/.."
url="${1:-}"
homepage="${2:-$url}"
if [ -n "$(git status --porcelain)" ]; then
  echo "release: the tree has uncommitted changes; a release is built from commits only" >&2
  exit 1
fi
tools/setup.sh
version=$(sed -n 's/^project(Glowtide VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip="Glowtide-$version-win-x64.zip"
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for folder in first second-build-elsewhere; do
  mkdir -p "$work/$folder"
  git archive HEAD | tar -x -C "$work/$folder"
  (cd "$work/$folder" && cmake --preset windows >/dev/null &&
    cmake --build --preset windows --target Glowtide >/dev/null)
  python3 - "$work/$folder/$zip" "$SOURCE_DATE_EPOCH" "$work/$folder/build/windows/Glowtide.exe" \
    "$work/$folder/README.md" "$work/$folder/LICENSE" "$work/$folder/CHANGELOG.md" <<'EOF'
import os, sys, time, zipfile
out, epoch, *files = sys.argv[1:]
stamp = max(time.gmtime(int(epoch))[:6], (1980, 1, 1, 0, 0, 0))  # zip times start in 1980
with zipfile.ZipFile(out, "w", zipfile.ZIP_STORED) as archive:
    for path in files:
        entry = zipfile.ZipInfo(os.path.basename(path), date_time=stamp)
        entry.create_system = 3  # the same on every build machine
        entry.external_attr = 0o100644 << 16
        with open(path, "rb") as f:
            archive.writestr(entry, f.read())
EOF
done
if ! cmp -s "$work/first/$zip" "$work/second-build-elsewhere/$zip"; then
  echo "release: two builds of the same commit differ; the release is not reproducible" >&2
  exit 1
fi

rm -rf dist
mkdir -p dist
cp "$work/first/$zip" "$work/first/build/windows/Glowtide.exe" dist/
(cd dist && sha256sum "$zip" Glowtide.exe >SHA256SUMS)
hash=$(sha256sum "dist/$zip" | cut -d' ' -f1)
description="Sets monitor brightness, the SDR white level and HDR from the command line, and puts them back when a game ends."

if [ -n "$url" ]; then
  url="${url%/}/$zip"
  mkdir -p dist/winget dist/scoop
  header="# yaml-language-server: \$schema=https://aka.ms/winget-manifest"
  common="PackageIdentifier: Glowtide.Glowtide
PackageVersion: $version"
  cat >dist/winget/Glowtide.Glowtide.yaml <<EOF
$header.version.1.10.0.schema.json
$common
DefaultLocale: en-US
ManifestType: version
ManifestVersion: 1.10.0
EOF
  cat >dist/winget/Glowtide.Glowtide.installer.yaml <<EOF
$header.installer.1.10.0.schema.json
$common
InstallerType: zip
NestedInstallerType: portable
NestedInstallerFiles:
  - RelativeFilePath: Glowtide.exe
    PortableCommandAlias: glowtide
MinimumOSVersion: 10.0.0.0
Installers:
  - Architecture: x64
    InstallerUrl: $url
    InstallerSha256: ${hash^^}
ManifestType: installer
ManifestVersion: 1.10.0
EOF
  cat >dist/winget/Glowtide.Glowtide.locale.en-US.yaml <<EOF
$header.defaultLocale.1.10.0.schema.json
$common
PackageLocale: en-US
Publisher: the Glowtide authors
PackageName: Glowtide
PackageUrl: $homepage
License: MIT
ShortDescription: $description
ManifestType: defaultLocale
ManifestVersion: 1.10.0
EOF
  cat >dist/scoop/glowtide.json <<EOF
{
  "version": "$version",
  "description": "$description",
  "homepage": "$homepage",
  "license": "MIT",
  "url": "$url",
  "hash": "$hash",
  "bin": "Glowtide.exe"
}
EOF
  echo "release: winget manifests in dist/winget, the Scoop manifest in dist/scoop"
else
  echo "release: no download URL given, so no winget or Scoop manifests (tools/release.sh URL)"
fi
echo "release: dist/$zip, $(stat -c %s "dist/$zip") bytes, built twice and byte-identical"
echo "release: SHA-256 $hash"
