#!/usr/bin/env bash
# Installs what is missing, builds the desktop program and starts it.
# Usage: scripts/run.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja
cmake --build "$build" --parallel "$(nproc)" --target kelvane kelvane-cli
# The program keeps its data in "zenvo" beside itself and relative to the current folder:
# start it from its own folder so the two are the same place.
cd "$build/src"
exec ./kelvane
