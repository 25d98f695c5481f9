#!/usr/bin/env bash
# The history window's click against a plain QTableWidget fill, in the same run, as ratios.
# Usage: bench/jilu_window.sh [build-dir]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/bench/kelvane_jilu_window_bench" --benchmark_format=json --benchmark_min_time=0.5 \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true | python3 -c '
import json, sys
runs = {b["run_name"]: (b["real_time"], b["cpu_time"]) for b in json.load(sys.stdin)["benchmarks"]
        if b.get("aggregate_name") == "median"}
for paint in ("0", "1"):
    click = runs["BM_JiluClick/1000/" + paint]
    peer = runs["BM_PlainTableWidget/" + paint]
    what = "fill and paint" if paint == "1" else "fill"
    print(f"1000 records, {what}: window {click[0]:.2f} ms (cpu {click[1]:.2f}), plain "
          f"QTableWidget {peer[0]:.2f} ms (cpu {peer[1]:.2f}), ratio {click[0] / peer[0]:.2f} "
          f"(cpu {click[1] / peer[1]:.2f})")
previous = None
for lines in (10000, 100000, 300000, 1000000):
    real, cpu = runs[f"BM_JiluClick/{lines}/0"]
    growth = "" if previous is None else (
        f", x{cpu / previous[1]:.1f} cpu for x{lines / previous[0]:.1f} lines")
    print(f"{lines} lines, trim included: {real:.1f} ms (cpu {cpu:.1f} ms, "
          f"{cpu / lines * 1e6:.0f} ns per line){growth}")
    previous = (lines, cpu)
'
