#!/bin/sh
# Builds the libFuzzer targets (clang) and runs each for SECONDS (default 60)
# on its seed corpus in tests/fuzz/corpus. New inputs go to a scratch
# folder, not the repository. A finding fails the run; its input is kept as
# build-fuzz/findings/<target>-... for the corpus.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-settings_file values command_line registry_text wildcard pictures}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMARIS_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"
mkdir -p build-fuzz/findings
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for t in $targets; do
    mkdir -p "$scratch/$t"
    extra=""
    [ "$t" = pictures ] && extra=assets  # the program's own pictures as seeds
    # shellcheck disable=SC2086
    if ASAN_OPTIONS=allocator_may_return_null=1 LSAN_OPTIONS=suppressions=$(pwd)/tests/fuzz/lsan.supp \
        "build-fuzz/tests/fuzz/${t}_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$t-" "$scratch/$t" "tests/fuzz/corpus/$t" $extra \
        >"$scratch/$t.log" 2>&1; then
        echo "fuzz $t: $(awk -F: '/stat::number_of_executed_units/ { print $NF + 0 }' "$scratch/$t.log") runs, no finding"
    else
        echo "fuzz $t: FINDING"
        grep -E "ERROR|SUMMARY|artifact" "$scratch/$t.log" || tail -20 "$scratch/$t.log"
        status=1
    fi
done
exit $status
