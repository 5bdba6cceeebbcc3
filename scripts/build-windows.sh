#!/usr/bin/env bash
# Cross-builds quorvel.exe (and the Windows unit tests) with MinGW-w64 into build-win/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win -j"$(nproc)"
