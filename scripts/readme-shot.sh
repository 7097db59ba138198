#!/usr/bin/env bash
# Refreshes docs/window.png, the picture of the window in the README: the real program on a
# virtual display after a broadcast search, one controller selected, cropped to the window.
# Everything runs in a private network namespace of an unprivileged user namespace
# (unshare -rn), with three simulated controllers answering on its loopback card, so no
# datagram leaves this machine and no root is needed.
#   scripts/readme-shot.sh [BUILD_DIR [OUTPUT.png]]
# Without BUILD_DIR it builds the program and the simulator in build/. SCALE=2 (or 1.5) takes
# the picture at that device pixel ratio (QT_SCALE_FACTOR), as on a 200 % (150 %) screen.
# Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
scale="${SCALE:-1}"
# n scaled, rounded to whole pixels.
scaled() { awk -v n="$1" -v s="$scale" 'BEGIN { printf "%d", n * s + 0.5 }'; }

if [ -z "${QUORREL_IN_PRIVATE_NET:-}" ]; then
    if [ -n "${1:-}" ]; then
        build="$(realpath "$1")"
    else
        build="$root/build"
        [ -f "$build/CMakeCache.txt" ] ||
            cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build "$build" -j2 --target Quorrel_ROZidovo controller-sim >/dev/null
    fi
    out="$(realpath -m "${2:-$root/docs/window.png}")"
    mkdir -p "$(dirname "$out")"
    export QUORREL_IN_PRIVATE_NET=1
    exec unshare -rn -- "$0" "$build" "$out"
fi
build="$1"
out="$2"

ip link set lo up
ip route add default dev lo src 127.0.0.1
for a in 192.168.1.9 192.168.1.10 10.0.0.5; do ip addr add "$a/32" dev lo; done

work="$(mktemp -d)"
xvfb='' sim='' app=''
cleanup() {
    for pid in $app $sim $xvfb; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses, picked by the server itself.
Xvfb -displayfd 3 -screen 0 "$(scaled 1024)x$(scaled 600)x24" -nolisten tcp \
    3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(cat "$work/display")"
export DISPLAY

"$build/tools/controller-sim" --quiet \
    --controller ip=192.168.1.10,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E,hw=01,sw=02.0A \
    --controller ip=10.0.0.5,mask=255.0.0.0,gw=10.0.0.1,mac=0A-0B-0C-0D-0E-0F \
    --controller ip=192.168.1.9,mac=00-1A-2B-3C-4D-60 >/dev/null &
sim=$!

# No session bus and no tray: nothing but the window itself shows.
env -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb \
    QT_SCALE_FACTOR="$scale" "$build/app/Quorrel_ROZidovo" >/dev/null 2>&1 &
app=$!
window="$(timeout 20 xdotool search --sync --onlyvisible --name '^Quorrel IP Configurator$' |
    head -n 1)"
sleep 1

# Clicks at window coordinates given at 100 %.
click() { xdotool mousemove --window "$window" "$(scaled "$1")" "$(scaled "$2")" click 1; }
# "Поиск широковещательный" at (4, 2) 171 x 25; the search listens for about a second.
click 60 14
sleep 3
# The tree at (8, 37) reads Quorrel, 10.0.0.xxx, 10.0.0.5, 192.168.1.xxx, 192.168.1.10, ...:
# select its first row, then go four rows down by keyboard, whatever the rows' height.
click 60 46
xdotool key Down Down Down Down
sleep 1
xdotool mousemove 0 0 # no hover highlight in the picture
sleep 0.5

import -window "$window" "$work/window.png"
convert "$work/window.png" -strip -define png:compression-level=9 "$out"
echo "$out ($(stat -c %s "$out") bytes)"
