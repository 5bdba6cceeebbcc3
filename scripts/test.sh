#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
# native unit and tool tests, the same under ASan+UBSan, the unit tests and
# quorvel-tool.exe cross-built for Windows under Wine, the end-to-end tests of
# the real game on a virtual display (quorvel.exe under Wine and the native
# Linux build), a whole native game under ASan+UBSan, and a bounded fuzzing run.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

jobs=$(nproc)
# A short run of each fuzz target; QUORVEL_FUZZ_SECONDS=600 lets a long run go further.
fuzz_seconds="${QUORVEL_FUZZ_SECONDS:-30}"
passed=0
failed=0
failures=()

step() {
  local name="$1"; shift
  echo
  echo "=== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$name")
  fi
}

native() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCH=ON >/dev/null &&
    cmake --build build -j"$jobs" &&
    (cd build && ctest --output-on-failure -j"$jobs")
}

sanitizers() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_SANITIZE=ON >/dev/null &&
    cmake --build build-asan -j"$jobs" &&
    (cd build-asan && ctest --output-on-failure -j"$jobs")
}

wine_prefix=""
prepare_wine() {
  wine_prefix=$(mktemp -d /tmp/quorvel-wine-XXXXXX)
  WINEPREFIX="$wine_prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all \
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
  return 0
}

# The wineserver is kept for the whole step: started and stopped with every test
# program, a program that starts just as the idle server exits is refused
# ("wine client error") and fails in a few milliseconds without running.
# Even so a test program now and then fails to start at all under Wine (no
# output, 0.00 s): each test gets three tries, and a test that fails all three
# still fails the step.
# Wine's own services start here, away from ctest: started by the first test
# they would keep its output open, and ctest would wait for them forever.
windows_unit() {
  scripts/build-windows.sh || return 1
  WINEPREFIX="$wine_prefix" /usr/lib/wine/wineserver -p
  WINEPREFIX="$wine_prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
  (cd build-win && WINEPREFIX="$wine_prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    ctest --output-on-failure --timeout 600 --repeat until-pass:3 -j"$jobs")
  local result=$?
  WINEPREFIX="$wine_prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1
  return $result
}

# The e2e run makes its own prefix, initialised on its virtual display: one
# made without a display (for the unit tests) was seen to refuse every window
# for a while after its first use.
# Debian's own Python has Debian's pytest, whatever python3 is first on the PATH.
e2e() {
  /usr/bin/python3 -m pytest tests/e2e -p no:cacheprovider -q -rfE \
    --exe build-win/src/quorvel.exe --native build/src/quorvel --artifacts out/e2e-artifacts
}

# Menu, list, play, solve, next labyrinth and exit, in the native game of build-asan/.
e2e_sanitized() {
  /usr/bin/python3 -m pytest tests/e2e -p no:cacheprovider -q -rfE -k "linux and walk_a_corridor" \
    --native tests/e2e/sanitized_game.sh --artifacts out/e2e-asan-artifacts
}

fuzz() {
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_FUZZ=ON \
    -DQUORVEL_TESTS=OFF >/dev/null &&
    cmake --build build-fuzz -j"$jobs" &&
    bash fuzz/run_fuzzers.sh build-fuzz "$fuzz_seconds"
}

bench() {
  build/bench/quorvel_bench --quick
}

step "native unit and tool tests" native
step "unit tests under ASan and UBSan" sanitizers
prepare_wine
step "windows-unit: the unit and tool tests under Wine" windows_unit
step "e2e: quorvel.exe under Wine and the native game" e2e
step "e2e: a whole native game under ASan and UBSan" e2e_sanitized
step "fuzzing, ${fuzz_seconds} s per target" fuzz
if [ -x build/bench/quorvel_bench ]; then
  step "benchmark, quick mode" bench
fi
if [ -n "$wine_prefix" ]; then
  WINEPREFIX="$wine_prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1
  rm -rf "$wine_prefix"
fi

echo
for name in "${failures[@]+"${failures[@]}"}"; do echo "FAILED: $name"; done
echo "steps: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
