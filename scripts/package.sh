#!/usr/bin/env bash
# Lays out the release packages beside the content the game expects
# (Labyrinths\, Images\ and Palette.txt) and archives them:
#   out/Quorvel/ and out/Quorvel.zip               quorvel.exe, from build-win/
#   out/quorvel-linux/ and out/quorvel-linux.tar.gz the native quorvel, from build/
# Each is made when its build is there; at least one must be.
set -euo pipefail
cd "$(dirname "$0")/.."
windows_exe=build-win/src/quorvel.exe
linux_exe=build/src/quorvel
if [ ! -f "$windows_exe" ] && [ ! -f "$linux_exe" ]; then
  echo "package: neither $windows_exe nor $linux_exe is built; run scripts/build-windows.sh or scripts/build-linux.sh first" >&2
  exit 1
fi

lay_out() {   # folder, program
  rm -rf "out/$1"
  mkdir -p "out/$1"
  cp "$2" "out/$1/"
  if [ -d data ]; then cp -r data/. "out/$1/"; fi
  rm -f "out/$1/.gitkeep"
}

if [ -f "$windows_exe" ]; then
  rm -f out/Quorvel.zip
  lay_out Quorvel "$windows_exe"
  (cd out && zip -qr Quorvel.zip Quorvel)
  echo "package: out/Quorvel/ and out/Quorvel.zip"
fi
if [ -f "$linux_exe" ]; then
  rm -f out/quorvel-linux.tar.gz
  lay_out quorvel-linux "$linux_exe"
  tar -C out -czf out/quorvel-linux.tar.gz quorvel-linux
  echo "package: out/quorvel-linux/ and out/quorvel-linux.tar.gz"
fi
