#!/usr/bin/env bash
# Takes a screenshot of the program as a person sees it: a virtual display with a tray,
# three simulated controllers, a broadcast search and one controller selected. Everything
# runs inside a private network namespace, so no datagram leaves this machine.
#   scripts/screenshot.sh [OUTPUT.png]      (needs a build in build/ or $BUILD_DIR; root)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="$(realpath -m "${1:-$root/shots/window.png}")"
mkdir -p "$(dirname "$out")"

if [ -z "${QUORREL_IN_PRIVATE_NET:-}" ]; then
    export QUORREL_IN_PRIVATE_NET=1
    exec unshare --net -- "$0" "$out"
fi

ip link set lo up
ip route add default dev lo src 127.0.0.1
for a in 192.168.1.9 192.168.1.10 10.0.0.5; do ip addr add "$a/32" dev lo; done

. "$root/scripts/desktop.sh"
start_desktop :87
cleanup() { kill "$app" "$sim" "$tray" "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
"$build/tools/controller-sim" --quiet \
    --controller ip=192.168.1.10,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E,hw=01,sw=02.0A \
    --controller ip=10.0.0.5,mask=255.0.0.0,gw=10.0.0.1,mac=0A-0B-0C-0D-0E-0F \
    --controller ip=192.168.1.9,mac=00-1A-2B-3C-4D-60 >/dev/null &
sim=$!
sleep 1
"$build/app/Quorrel_ROZidovo" >/dev/null 2>&1 &
app=$!
sleep 2
import -window root "${out%.png}-start.png"

# "Поиск широковещательный" sits at (4, 2) 171 x 25 in the window at (247, 179).
xdotool mousemove $((247 + 60)) $((179 + 14)) click 1
sleep 2
# The tree shows Quorrel, then 10.0.0.xxx, 10.0.0.5, 192.168.1.xxx, 192.168.1.10, ...
# (rows of about 20 pixels from the tree's top at (8, 8) on the page below the toolbar).
row=$(( 179 + 29 + 8 + 4 + 10 + 4 * ${ROW_HEIGHT:-20} ))
xdotool mousemove $((247 + 8 + 80)) "$row" click 1
sleep 1
import -window root "$out"
echo "$out"
