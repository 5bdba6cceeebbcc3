#!/usr/bin/env bash
# Installs the Debian packages a build, the tests or a Linux play session need,
# asking apt only for what is missing.
set -euo pipefail

packages=(
  cmake make g++ libgtest-dev python3
  libx11-dev libgl-dev libglu1-mesa-dev xfonts-75dpi
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine64 xvfb xdotool x11-utils imagemagick openbox
  zlib1g-dev libpng-dev libdeflate-dev libstb-dev
  clang libclang-rt-14-dev zip fonts-liberation tesseract-ocr tesseract-ocr-eng python3-pytest
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
