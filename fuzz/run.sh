#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in their own build folder and runs
# each for the given number of seconds (default 60), one at a time, on a scratch copy of its
# seed corpus. Prints executions and findings per target; crash inputs go to <build>/findings/.
# Usage: fuzz/run.sh [seconds-per-target] [target ...]
set -uo pipefail

seconds=${1:-60}
shift || true
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${KELVANE_FUZZ_BUILD:-$root/build-fuzz}
work=${KELVANE_FUZZ_WORK:-$build/work}
findings=$build/findings
jobs=${KELVANE_FUZZ_JOBS:-2}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELVANE_FUZZ=ON -DKELVANE_WERROR=ON -DKELVANE_BUILD_UI=OFF -DKELVANE_BUILD_TESTS=OFF \
    -DKELVANE_BUILD_BENCH=OFF >/dev/null || exit 1
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in "$here"/*_fuzz.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name%_fuzz}")
    done
fi
cmake --build "$build" --parallel "$jobs" --target "${targets[@]/%/_fuzz}" || exit 1

mkdir -p "$work" "$findings"
total=0
printf '%-22s %14s %9s\n' target executions findings
for target in "${targets[@]}"; do
    corpus=$work/$target
    mkdir -p "$corpus"
    cp -n "$here/corpus/$target"/* "$corpus"/ 2>/dev/null || true
    log=$work/$target.log
    # Targets that convert charsets per character or write files get shorter inputs.
    case $target in
    mime_header | history | history_append | history_csv | site_list) max_len=512 ;;
    *) max_len=4096 ;;
    esac
    "$build/fuzz/${target}_fuzz" "$corpus" -max_total_time="$seconds" -max_len="$max_len" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" >"$log" 2>&1
    runs=$(grep -a 'stat::number_of_executed_units' "$log" | tail -1 | awk '{print $2}')
    runs=${runs:-0}
    found=$(ls "$findings" 2>/dev/null | grep -c "^$target-" || true)
    total=$((total + runs))
    printf '%-22s %14s %9s\n' "$target" "$runs" "$found"
done
printf '%-22s %14s\n' total "$total"
