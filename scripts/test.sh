#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
# Usage: scripts/test.sh [build-dir] [extra cmake options...]
# As root, CTest runs in a network namespace that has loopback alone, so a test that reaches
# an outside host fails here instead of passing by luck; KELVANE_TEST_NETWORK=host opts out.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
shift || true
network=${KELVANE_TEST_NETWORK:-loopback}
case $network in
loopback | host) ;;
*)
    echo "test.sh: KELVANE_TEST_NETWORK is loopback (the default) or host, not $network" >&2
    exit 2
    ;;
esac

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DKELVANE_WERROR=ON "$@"
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
tests=(ctest --output-on-failure --parallel "$(nproc)" --timeout 600)
if [ "$network" = loopback ]; then
    # Probed first: a container may refuse new namespaces even to root.
    if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null && command -v ip >/dev/null &&
        unshare --net ip link set lo up 2>/dev/null; then
        tests=(unshare --net sh -c 'ip link set lo up && exec "$@"' sh "${tests[@]}")
    else
        echo "test.sh: not root or no network namespace: tests run with the machine's network"
    fi
fi
QT_QPA_PLATFORM=offscreen "${tests[@]}"
