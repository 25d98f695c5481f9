#!/usr/bin/env bash
# Start-up to the main window shown, against a minimal Qt Widgets program, in the same run.
# Usage: bench/startup.sh [build-dir] [runs]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-20}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# An empty site list and a product site that refuses at once: no network wait.
printf '[hosts]\nhome=127.0.0.1:9\n' >"$work/hosts.ini"
cp "$build/src/kelvane" "$work/"

best() {
    local best_ns=999999999999
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        end=$(date +%s%N)
        ((end - start < best_ns)) && best_ns=$((end - start))
    done
    echo "$best_ns"
}

cd "$work"
kelvane_ns=$(KELVANE_HOSTS="$work/hosts.ini" KELVANE_EXIT_WHEN_SHOWN=1 best ./kelvane)
peer_ns=$(best "$build/bench/kelvane_minimal_widgets")
awk -v k="$kelvane_ns" -v p="$peer_ns" 'BEGIN {
    printf "start-up (best of runs): kelvane %.1f ms, minimal Qt Widgets %.1f ms, ratio %.2f\n",
           k / 1e6, p / 1e6, k / p }'
