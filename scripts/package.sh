#!/usr/bin/env bash
# Lays out the release package, out/Quorvel/ (quorvel.exe beside Labyrinths\,
# Images\ and Palette.txt, as the game expects), and zips it to out/Quorvel.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
exe=build-win/src/quorvel.exe
[ -f "$exe" ] || { echo "package: $exe is missing; run scripts/build-windows.sh first" >&2; exit 1; }
rm -rf out/Quorvel out/Quorvel.zip
mkdir -p out/Quorvel
cp "$exe" out/Quorvel/
if [ -d data ]; then cp -r data/. out/Quorvel/; fi
rm -f out/Quorvel/.gitkeep
(cd out && zip -qr Quorvel.zip Quorvel)
echo "package: out/Quorvel/ and out/Quorvel.zip"
