#!/bin/sh
# Starts the native game built with ASan and UBSan (build-asan/ unless
# QUORVEL_SANITIZED names another) for the e2e tests: --native this script.
# Mesa's software driver is loaded from the start: loaded only by the GL
# library, it is unloaded before the leak check at exit, and what it keeps to
# the end is then reported as leaked from a module nobody can name. Any
# report in a game's output fails the test that started it.
here=$(cd "$(dirname "$0")" && pwd)
game="${QUORVEL_SANITIZED:-$here/../../build-asan/src/quorvel}"
driver=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1)
export ASAN_OPTIONS="verify_asan_link_order=0:abort_on_error=0:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
[ -n "$driver" ] && export LD_PRELOAD="$driver"
exec "$game" "$@"
