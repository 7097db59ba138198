#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build, test and run.
# Extra package names given as arguments are installed too when missing (the Windows,
# package and sanitizer scripts pass what they need beyond this list).
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev libgl-dev libdbus-1-dev qt6-translations-l10n
    libgtest-dev
    iproute2 libfaketime nftables ufw
    xvfb xauth xdotool imagemagick trayer
    fonts-dejavu-core fonts-liberation2
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
