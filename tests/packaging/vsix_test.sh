#!/usr/bin/env bash
# Packages the VS Code extension twice as `make editors` does and checks that vsce warns about
# nothing, that both .vsix files are the same bytes, and what the Marketplace reads from them:
# the version, the licence, the change log, the icon, no stray files, and an extension.js that
# loads with its language client bundled in. Skipped (status 77) where vsce and esbuild are not
# installed, as in a distribution build.
# Usage: vsix_test.sh SOURCE_DIR VERSION
set -euo pipefail
source=$1 version=$2
for tool in vsce esbuild; do
  if [ ! -x "$source/editors/node_modules/.bin/$tool" ]; then
    echo "$tool is not installed (make editor-deps)"
    exit 77
  fi
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cp "$source/editors/vscode/package.json" "$scratch/manifest-before"
for copy in first second; do
  if ! cmake -DSOURCE_DIR="$source" -DVERSION="$version" -DSTAGE="$scratch/stage-$copy" \
       -DOUTPUT="$scratch/$copy.vsix" \
       -P "$source/cmake/vsix.cmake" >"$scratch/$copy.log" 2>&1; then
    cat "$scratch/$copy.log"
    exit 1
  fi
done
if grep -qi 'warning' "$scratch/first.log"; then
  echo "vsce warned:"
  cat "$scratch/first.log"
  exit 1
fi
cmp "$scratch/first.vsix" "$scratch/second.vsix"
# The version is stamped into the package only; the manifest in the source tree keeps its own.
if ! cmp -s "$source/editors/vscode/package.json" "$scratch/manifest-before"; then
  echo "packaging changed editors/vscode/package.json"
  exit 1
fi

python3 - "$scratch/first.vsix" "$source" "$version" "$scratch/unpacked" <<'PYTHON'
import json
import struct
import sys
import zipfile

vsix, source, version, unpacked = sys.argv[1:]
failed = []
with zipfile.ZipFile(vsix) as archive:
    names = set(archive.namelist())
    manifest = json.loads(archive.read("extension/package.json"))
    if manifest["version"] != version:
        failed.append(f"package.json says version {manifest['version']}, not {version}")
    if manifest.get("license") != "MIT":
        failed.append(f"package.json says licence {manifest.get('license')}, not MIT")
    if version not in archive.read("extension.vsixmanifest").decode():
        failed.append("extension.vsixmanifest does not carry the version")
    licence = next((n for n in names if n.lower().startswith("extension/license")), None)
    with open(f"{source}/LICENSE", "rb") as f:
        if licence is None or archive.read(licence) != f.read():
            failed.append(f"the licence in the package ({licence}) is not LICENSE")
    with open(f"{source}/CHANGELOG.md", "rb") as f:
        if archive.read("extension/changelog.md") != f.read():
            failed.append("the change log in the package is not CHANGELOG.md")
    icon = archive.read("extension/" + manifest["icon"])
    if icon[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", icon[16:24]) != (128, 128):
        failed.append("the icon is no 128 x 128 PNG")
    for name in names:
        if "node_modules" in name or name.endswith((".vsix", ".vscodeignore")):
            failed.append(f"packaged by mistake: {name}")
    for needed in ("extension/readme.md", "extension/syntaxes/corvel.tmLanguage.json",
                   "extension/language-configuration.json"):
        if needed not in names:
            failed.append(f"not packaged: {needed}")
    archive.extractall(unpacked)
for message in failed:
    print(message)
sys.exit(1 if failed else 0)
PYTHON

# The extension as VS Code loads it, with a stand-in for the editor's own module: the language
# client must come from the bundle, since the package carries no node_modules.
mkdir -p "$scratch/stub/vscode"
echo 'module.exports = new Proxy({}, { get: (_, key) => key === "__esModule" ? false : class {} });' \
  >"$scratch/stub/vscode/index.js"
if ! NODE_PATH="$scratch/stub" node -e '
  const extension = require(process.argv[1]);
  if (typeof extension.activate !== "function") throw new Error("no activate");
' "$scratch/unpacked/extension/extension.js" >"$scratch/load.log" 2>&1; then
  echo "the packaged extension.js does not load:"
  cat "$scratch/load.log"
  exit 1
fi
