#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build, test and run.
# Extra package names given as arguments are installed too when missing (the Windows,
# package and sanitizer scripts pass what they need beyond this list).
#
#   scripts/install-deps.sh [PACKAGE...]   install what is missing
#   scripts/install-deps.sh --update       only refresh apt's package lists
#
# Waits for apt's lock (a fresh machine's daily apt jobs hold it for a while) and tries a
# failed download again a few times. Runs as root or as a user with sudo.
set -euo pipefail

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
need_root() {
    if [ ${#sudo_cmd[@]} -gt 0 ] && ! command -v sudo >/dev/null; then
        echo "apt needs root: run this as root, or install sudo" >&2
        exit 1
    fi
}
# apt-get without questions (sudo would drop an exported DEBIAN_FRONTEND).
apt_get=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
# Seconds to wait for a lock that another apt or dpkg holds.
lock_wait=600

# apt-get update: a lock that is held, or a mirror that does not answer, fails it at once;
# it is tried again for up to lock_wait seconds.
apt_update() {
    local waited=0
    until "${apt_get[@]}" update -qq -o Acquire::Retries=3; do
        [ $waited -lt $lock_wait ] || {
            echo "apt-get update still fails after $lock_wait s" >&2
            return 1
        }
        echo "apt-get update failed; trying again in 20 s" >&2
        sleep 20
        waited=$((waited + 20))
    done
}

if [ "${1:-}" = --update ]; then
    need_root
    apt_update
    exit 0
fi

packages=(
    cmake g++ make pkg-config
    qt6-base-dev libgl-dev libdbus-1-dev qt6-translations-l10n
    libgtest-dev nlohmann-json3-dev
    iproute2 libfaketime nftables ufw dbus-daemon
    xvfb xauth xdotool imagemagick trayer poppler-utils
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
need_root
apt_update
for try in 1 2 3; do
    "${apt_get[@]}" install -y --no-install-recommends \
        -o DPkg::Lock::Timeout=$lock_wait -o Acquire::Retries=3 "${missing[@]}" && exit 0
    [ $try = 3 ] || sleep $((try * 15))
done
echo "apt-get could not install: ${missing[*]}" >&2
exit 1
