#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Linkora needs.
# Packages already present are skipped; nothing is done when all of them are.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6sql6-sqlite
    qt6-multimedia-dev qt6-httpserver-dev qt6-websockets-dev
    libgl-dev libminizip-dev zlib1g-dev
    famfamfam-flag-png
    sqlite3 unzip openssl
    clang libclang-rt-14-dev
    lldb
    xvfb openbox x11-utils
)

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
