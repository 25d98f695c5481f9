#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
# Usage: scripts/test.sh [build-dir] [extra cmake options...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
shift || true

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DKELVANE_WERROR=ON "$@"
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600
