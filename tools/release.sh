#!/usr/bin/env bash
# Builds the release from the committed tree and writes dist/:
#   Glowtide-<version>-win-x64.zip   Glowtide.exe, README.md, LICENSE, CHANGELOG.md and BUILDINFO
#   Glowtide.exe, BUILDINFO          the exe and the build record as in the zip
#   SHA256SUMS                       the SHA-256 of the zip, the exe and BUILDINFO (sha256sum -c)
#   winget/, scoop/glowtide.json     the manifests, when a download URL is given
# The build is reproducible: it takes its time from the last commit (SOURCE_DATE_EPOCH), keeps no
# path of the build machine, and the zip holds its files in a fixed order with fixed times and
# permissions. The release is built twice, in two folders of different names, the second from a
# clone with core.autocrlf=true, and must come out byte-identical. BUILDINFO records the commit,
# SOURCE_DATE_EPOCH and the versions of the tools that built it.
#   tools/release.sh                                          the zip and the sums only
#   tools/release.sh https://example.org/glowtide/1.1.0.0/    also the manifests for that folder
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

# What built it: a different compiler, binutils, CMake, Ninja or Python gives a different zip.
compiler=$(x86_64-w64-mingw32-g++-posix --version | head -n 1)
binutils=$(x86_64-w64-mingw32-ld --version | head -n 1)
cmake_version=$(cmake --version | head -n 1)
ninja_version=$(ninja --version | head -n 1)
python_version=$(python3 --version 2>&1 | head -n 1)
# Debian's cross compiler says only "12-posix" of itself: its package names the exact build.
packages=$(dpkg-query -W -f='${Package} ${Version}, ' g++-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 2>/dev/null | sed 's/, $//')
for tool in "$compiler" "$binutils" "$cmake_version" "$ninja_version" "$python_version" \
  "$packages"; do
  if [ -z "$tool" ]; then
    echo "release: a tool's version cannot be read; BUILDINFO would not say what built the release" >&2
    exit 1
  fi
done
buildinfo="commit: $(git rev-parse HEAD)
SOURCE_DATE_EPOCH: $SOURCE_DATE_EPOCH
compiler: $compiler
binutils: $binutils
cmake: $cmake_version
ninja: $ninja_version
python: $python_version
packages: $packages"

# The first build from the commit as archived, the second from a clone that checks text out with
# CRLF line endings where .gitattributes lets it (it must not), in a folder of another name.
git archive HEAD | (mkdir -p "$work/first" && tar -x -C "$work/first")
git clone -q -c core.autocrlf=true . "$work/second-build-elsewhere"
git -C "$work/second-build-elsewhere" checkout -q "$(git rev-parse HEAD)"
for folder in first second-build-elsewhere; do
  printf '%s\n' "$buildinfo" >"$work/$folder/BUILDINFO"
  (cd "$work/$folder" && cmake --preset windows >/dev/null &&
    cmake --build --preset windows --target Glowtide >/dev/null)
  python3 - "$work/$folder/$zip" "$SOURCE_DATE_EPOCH" "$work/$folder/build/windows/Glowtide.exe" \
    "$work/$folder/README.md" "$work/$folder/LICENSE" "$work/$folder/CHANGELOG.md" \
    "$work/$folder/BUILDINFO" <<'PYTHON'
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
PYTHON
done
if ! cmp -s "$work/first/$zip" "$work/second-build-elsewhere/$zip"; then
  echo "release: two builds of the same commit differ (the second from a CRLF checkout); the" \
    "release is not reproducible" >&2
  exit 1
fi

rm -rf dist
mkdir -p dist
cp "$work/first/$zip" "$work/first/build/windows/Glowtide.exe" "$work/first/BUILDINFO" dist/
(cd dist && sha256sum "$zip" Glowtide.exe BUILDINFO >SHA256SUMS)
hash=$(sha256sum "dist/$zip" | cut -d' ' -f1)

if [ -n "$url" ]; then
  # Every value goes through an encoder: JSON for Scoop, and for winget YAML double-quoted
  # scalars, which JSON's string encoding writes exactly. A URL with "#", ": " or a quote stays
  # one value.
  python3 - dist "$version" "${url%/}/$zip" "$hash" "$homepage" <<'PYTHON'
import json, os, sys
out, version, url, sha, homepage = sys.argv[1:]
description = ("Sets monitor brightness, the SDR white level and HDR from the command line, "
               "and puts them back when a game ends.")
q = json.dumps  # a YAML double-quoted scalar

def yaml(kind, lines):
    header = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.1.10.0.schema.json"
    common = [f"PackageIdentifier: {q('Glowtide.Glowtide')}", f"PackageVersion: {q(version)}"]
    tail = [f"ManifestType: {q(kind)}", f"ManifestVersion: {q('1.10.0')}"]
    return "\n".join([header] + common + lines + tail) + "\n"

files = {
    "winget/Glowtide.Glowtide.yaml": yaml("version", [f"DefaultLocale: {q('en-US')}"]),
    "winget/Glowtide.Glowtide.installer.yaml": yaml("installer", [
        f"InstallerType: {q('zip')}",
        f"NestedInstallerType: {q('portable')}",
        "NestedInstallerFiles:",
        f"  - RelativeFilePath: {q('Glowtide.exe')}",
        f"    PortableCommandAlias: {q('glowtide')}",
        f"MinimumOSVersion: {q('10.0.0.0')}",
        "Installers:",
        f"  - Architecture: {q('x64')}",
        f"    InstallerUrl: {q(url)}",
        f"    InstallerSha256: {q(sha.upper())}",
    ]),
    "winget/Glowtide.Glowtide.locale.en-US.yaml": yaml("defaultLocale", [
        f"PackageLocale: {q('en-US')}",
        f"Publisher: {q('the Glowtide authors')}",
        f"PackageName: {q('Glowtide')}",
        f"PackageUrl: {q(homepage)}",
        f"License: {q('MIT')}",
        f"ShortDescription: {q(description)}",
    ]),
}
# Scoop finds a new version on the homepage by the zip's name, and takes its URL from this one's
# with the version in it replaced.
scoop = {
    "version": version,
    "description": description,
    "homepage": homepage,
    "license": "MIT",
    "url": url,
    "hash": sha,
    "bin": "Glowtide.exe",
    "checkver": {"url": homepage, "regex": r"Glowtide-([\d.]+)-win-x64\.zip"},
    "autoupdate": {"url": url.replace(version, "$version")},
}
files["scoop/glowtide.json"] = json.dumps(scoop, indent=2) + "\n"
for name, text in files.items():
    os.makedirs(os.path.dirname(os.path.join(out, name)), exist_ok=True)
    with open(os.path.join(out, name), "w", encoding="utf-8", newline="\n") as f:
        f.write(text)

# Read back: each manifest parses and gives back the values it was given.
parsed = json.load(open(os.path.join(out, "scoop/glowtide.json"), encoding="utf-8"))
assert parsed["url"] == url and parsed["homepage"] == homepage, "the Scoop manifest reads back"
assert "$version" in parsed["autoupdate"]["url"], "the autoupdate URL carries $version"
try:
    import yaml as pyyaml
except ImportError:
    print("release: PyYAML is not installed, so the winget manifests were not parsed back")
else:
    installer = pyyaml.safe_load(open(os.path.join(out, "winget/Glowtide.Glowtide.installer.yaml")))
    locale = pyyaml.safe_load(open(os.path.join(out, "winget/Glowtide.Glowtide.locale.en-US.yaml")))
    assert installer["Installers"][0]["InstallerUrl"] == url, "the installer URL reads back"
    assert locale["PackageUrl"] == homepage, "the homepage reads back"
    assert installer["ManifestVersion"] == "1.10.0"
PYTHON
  echo "release: winget manifests in dist/winget, the Scoop manifest in dist/scoop"
else
  echo "release: no download URL given, so no winget or Scoop manifests (tools/release.sh URL)"
fi
echo "release: dist/$zip, $(stat -c %s "dist/$zip") bytes, built twice and byte-identical"
echo "release: SHA-256 $hash"
