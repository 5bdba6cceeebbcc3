#!/usr/bin/env bash
# Lays out the release packages beside the content the game expects
# (Labyrinths\, Images\ and Palette.txt), with the labyrinth tool, the
# ReadMe and the authoring guide, and archives them:
#   out/Quorvel/ and out/Quorvel.zip                quorvel.exe and quorvel-tool.exe,
#                                                   cross-built into build-win/ when needed
#   out/quorvel-linux/ and out/quorvel-linux.tar.gz the native quorvel and quorvel-tool
#                                                   from build/, when that build is there, with
#                                                   quorvel.desktop, its icon and add-to-menu.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-win/CMakeCache.txt ]; then
  cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build-win --target quorvel quorvel-tool -j2 >/dev/null
linux_exe=build/src/quorvel
linux_tool=build/tools/quorvel-tool

lay_out() {   # folder, programs...
  local folder="out/$1"
  shift
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$@" "$folder/"
  if [ -d data ]; then cp -r data/. "$folder/"; fi
  rm -f "$folder/.gitkeep"
}

rm -f out/Quorvel.zip
lay_out Quorvel build-win/src/quorvel.exe build-win/tools/quorvel-tool.exe
# Text for Notepad: CR LF line ends.
sed 's/\r*$/\r/' docs/ReadMe.txt > out/Quorvel/ReadMe.txt
sed 's/\r*$/\r/' docs/authoring.md > out/Quorvel/Authoring.txt
sed 's/\r*$/\r/' docs/Images.txt > out/Quorvel/Images-example.txt
(cd out && zip -qr Quorvel.zip Quorvel)
echo "package: out/Quorvel/ and out/Quorvel.zip"

if [ -f "$linux_exe" ]; then
  rm -f out/quorvel-linux.tar.gz
  programs=("$linux_exe")
  [ -f "$linux_tool" ] && programs+=("$linux_tool")
  lay_out quorvel-linux "${programs[@]}"
  cp docs/ReadMe.txt out/quorvel-linux/ReadMe.txt
  cp docs/authoring.md out/quorvel-linux/Authoring.md
  cp docs/Images.txt out/quorvel-linux/Images-example.txt
  cp packaging/linux/quorvel.desktop packaging/linux/add-to-menu.sh src/x11/quorvel.png out/quorvel-linux/
  tar -C out -czf out/quorvel-linux.tar.gz quorvel-linux
  echo "package: out/quorvel-linux/ and out/quorvel-linux.tar.gz"
fi
