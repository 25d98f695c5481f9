#!/usr/bin/env bash
# Installs, as root on Debian 12, every package that building, testing and benchmarking need.
# Packages that are already there are skipped, so a second run touches nothing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libre2-dev libicu-dev libssl-dev
    libgtest-dev libgmock-dev libbenchmark-dev libpcre2-dev
    nginx-light python3 python3-aiosmtpd curl openssl tinyproxy microsocks
    fonts-wqy-microhei
    clang libclang-rt-14-dev clang-format
    help2man desktop-file-utils appstream dpkg-dev file
    git locales systemd time iproute2
    xvfb x11-utils
)

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (run as root to install): ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
