#!/usr/bin/env bash
# Crafted files under a memory and time ceiling: each is refused or accepted
# as its name says (info reads it as an image, check as a labyrinth), and
# nothing is killed for memory or time.
# usage: hostile_files.sh TOOL SOURCE_DIR SCRATCH_DIR
set -u
tool="$1"
folder="$2/tests/data/hostile"
scratch="$3"
mkdir -p "$scratch" && cd "$scratch" || exit 1

# 512 MiB of address space and 2 s each. A sanitizer build reserves far more
# address space than it uses and runs slower, so it gets a time limit alone.
limit_memory="ulimit -v 524288"
seconds=2
# The same goes for the Windows tool under Wine, which maps far more than it uses.
if ldd "$tool" 2>/dev/null | grep -q asan || [ -n "${QUORVEL_TOOL_UNDER_WINE:-}" ]; then
    limit_memory=true
    seconds=20
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# within_ceiling WANTED... -- COMMAND...: runs under the ceiling; the exit must be one of WANTED.
within_ceiling() {
    local wanted=()
    while [ "$1" != "--" ]; do wanted+=("$1"); shift; done
    shift
    (eval "$limit_memory" && exec timeout -s KILL "$seconds" "$@") > out.txt 2> err.txt
    local got=$?
    for code in "${wanted[@]}"; do [ "$got" -eq "$code" ] && return 0; done
    if [ "$got" -ge 124 ]; then
        fail "'$*' was killed (exit $got): over $seconds s or 512 MiB"
    else
        fail "'$*' exited $got, wanted ${wanted[*]}: $(head -c 200 err.txt)"
    fi
    return 1
}

count=0
for file in "$folder"/*.accepted.* "$folder"/*.refused.*; do
    name=$(basename "$file")
    count=$((count + 1))
    case "$name" in
    *.accepted.*)
        within_ceiling 0 -- "$tool" info "$file"
        within_ceiling 0 2 -- "$tool" check "$file" --palette "$folder/Palette.txt"
        ;;
    *.refused.*)
        within_ceiling 1 -- "$tool" info "$file" && [ "$(wc -l < err.txt)" -eq 1 ] ||
            [ "$failures" -gt 0 ] || fail "info $name: no one-line reason"
        within_ceiling 1 -- "$tool" check "$file" --palette "$folder/Palette.txt"
        ;;
    esac
done
# The sides beyond the limit are told as such, in the game's words.
within_ceiling 1 -- "$tool" info "$folder/png-rgb-8193x1.refused.png" &&
    grep -q "larger than 8192 x 8192 pixels" err.txt || fail "the size limit is not the reason given"

[ "$count" -ge 10 ] || fail "only $count crafted files found in $folder"
echo "hostile files: $count files, $failures failures"
[ "$failures" -eq 0 ]
