#!/usr/bin/env bash
# Runs every libFuzzer target found in a build folder for a bounded time each.
# Builds nothing. Usage: fuzz/run_fuzzers.sh BUILD_DIR SECONDS_PER_TARGET
#
# Target fuzz_NAME starts from the seeds in fuzz/corpus/NAME/ (when present) and
# grows its corpus in BUILD_DIR/fuzz-corpus/NAME, so the committed seeds stay as
# they are. Crash, leak and timeout inputs are kept in BUILD_DIR/fuzz-artifacts/.
# Exits non-zero when any target finds a fault or no target is found.
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS_PER_TARGET" >&2
    exit 2
fi
build_dir=$(cd "$1" 2>/dev/null && pwd) || { echo "no build folder: $1" >&2; exit 2; }
seconds=$2
case "$seconds" in
    ''|*[!0-9]*) echo "seconds must be a whole number: $seconds" >&2; exit 2 ;;
esac
fuzz_dir="$(cd "$(dirname "$0")" && pwd)"
seed_root="$fuzz_dir/corpus"
crasher_root="$fuzz_dir/crashers"

targets=$(find "$build_dir" -type f -name 'fuzz_*' -perm -u+x ! -name '*.*' | sort)
if [ -z "$targets" ]; then
    echo "no fuzz targets in $build_dir (configure with -DQUORVEL_FUZZ=ON and build first)" >&2
    exit 1
fi

failed=0
for target in $targets; do
    name=$(basename "$target")
    short=${name#fuzz_}
    work="$build_dir/fuzz-corpus/$short"
    artifacts="$build_dir/fuzz-artifacts/$short/"
    mkdir -p "$work" "$artifacts"
    seeds=()
    [ -d "$seed_root/$short" ] && seeds=("$seed_root/$short")
    # Past crashers are seeds too: a fault that comes back is found at once.
    [ -d "$crasher_root/$short" ] && seeds+=("$crasher_root/$short")
    echo "== $name for ${seconds}s"
    # -rss_limit_mb and -timeout turn runaway memory and hangs into findings.
    if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -dict="$fuzz_dir/image.dict" -artifact_prefix="$artifacts" "$work" "${seeds[@]}" \
        >"$build_dir/fuzz-$short.log" 2>&1; then
        grep -E '^(stat::number_of_executed_units|Done )' "$build_dir/fuzz-$short.log" | tail -2
        echo "== $name: no findings"
    else
        tail -40 "$build_dir/fuzz-$short.log"
        echo "== $name: FAILED (log $build_dir/fuzz-$short.log, inputs in $artifacts)"
        failed=1
    fi
done
exit $failed
