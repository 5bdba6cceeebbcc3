#!/usr/bin/env bash
# Cross-builds quorvel.exe and quorvel-tool.exe, lays out the release package,
# out/Quorvel/ (the game and the tool beside Labyrinths\, Images\ and
# Palette.txt, as the game expects, with ReadMe.txt and the authoring guide),
# and zips it to out/Quorvel.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-win/CMakeCache.txt ]; then
  cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build-win --target quorvel quorvel-tool -j2 >/dev/null
rm -rf out/Quorvel out/Quorvel.zip
mkdir -p out/Quorvel
cp build-win/src/quorvel.exe build-win/tools/quorvel-tool.exe out/Quorvel/
if [ -d data ]; then cp -r data/. out/Quorvel/; fi
rm -f out/Quorvel/.gitkeep
# Text for Notepad: CR LF line ends.
sed 's/\r*$/\r/' docs/ReadMe.txt > out/Quorvel/ReadMe.txt
sed 's/\r*$/\r/' docs/authoring.md > out/Quorvel/Authoring.txt
(cd out && zip -qr Quorvel.zip Quorvel)
echo "package: out/Quorvel/ and out/Quorvel.zip"
