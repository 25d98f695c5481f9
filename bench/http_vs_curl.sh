#!/usr/bin/env bash
# GetToStream against curl on a loopback download from nginx, in the same run.
# Usage: bench/http_vs_curl.sh [build-dir] [size-mb] [runs]
set -euo pipefail

build=${1:-build}
size_mb=${2:-100}
runs=${3:-5}
bench="$build/bench/kelvane_http_bench"
if [ ! -x "$bench" ]; then
    echo "http_vs_curl: $bench not built (cmake --build $build --target kelvane_http_bench)" >&2
    exit 1
fi

# In-process figures: median wall times, the ratio, the bench's own peak RSS.
"$bench" --size-mb "$size_mb" --runs "$runs"

# Peak RSS of each side as a separate process, measured the same way.
if [ -x /usr/bin/time ]; then
    work=$(mktemp -d)
    trap 'kill "$nginx_pid" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
    mkdir -p "$work/www"
    head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$work/www/big.bin"
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >"$work/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1;
pid $work/nginx.pid; error_log $work/error.log;
events { worker_connections 16; }
http { access_log off; sendfile on;
       server { listen 127.0.0.1:$port; root $work/www; location / { } } }
CONF
    /usr/sbin/nginx -p "$work" -e "$work/error.log" -c "$work/nginx.conf" &
    nginx_pid=$!
    for _ in $(seq 50); do
        curl -s -o /dev/null "http://127.0.0.1:$port/" 2>/dev/null && break
        sleep 0.1
    done
    url="http://127.0.0.1:$port/big.bin"
    for run in $(seq "$runs"); do
        /usr/bin/time -f "run $run kelvane  %e s  peak %M KB" "$bench" --fetch "$url" >/dev/null
        /usr/bin/time -f "run $run curl     %e s  peak %M KB" curl -s -o /dev/null "$url"
    done
    echo "body $((size_mb * 1024)) KB"
fi
