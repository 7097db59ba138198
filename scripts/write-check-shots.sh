#!/usr/bin/env bash
# Screenshots of the balloon that tells whether a write took, as a person sees it: a virtual
# display with a tray, simulated controllers, a broadcast search, a new address written to
# 192.168.1.9 (MAC 00-1A-2B-3C-4D-09) and a search pressed right after the write. First
# against controllers that take the frame, then against ones that ignore it. Everything runs
# inside a private network namespace, so no datagram leaves this machine.
#   scripts/write-check-shots.sh [OUTPUT_DIR]   (needs a build in build/ or $BUILD_DIR; root)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="$(realpath -m "${1:-$root/shots}")"
mkdir -p "$out"

if [ -z "${QUORREL_IN_PRIVATE_NET:-}" ]; then
    export QUORREL_IN_PRIVATE_NET=1
    exec unshare --net -- "$0" "$out"
fi

ip link set lo up
ip route add default dev lo src 127.0.0.1
for a in 192.168.1.9 192.168.1.10 10.0.0.5 192.168.1.150; do ip addr add "$a/32" dev lo; done

. "$root/scripts/desktop.sh"
start_desktop ${DISPLAY_NUMBER:-:61}
sim=
cleanup() { kill "$app" "$sim" "$tray" "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT

start_sim() {
    [ -z "$sim" ] || { kill "$sim"; wait "$sim" 2>/dev/null || true; }
    "$build/tools/controller-sim" --quiet "$@" \
        --controller ip=192.168.1.10,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E \
        --controller ip=10.0.0.5,mask=255.0.0.0,gw=10.0.0.1,mac=0A-0B-0C-0D-0E-0F \
        --controller ip=192.168.1.9,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-09 \
        >/dev/null &
    sim=$!
    sleep 1
}

# The window stands at (247, 179). Its broadcast search button at (4, 2) 171 x 25; the tree
# rows ROW_HEIGHT pixels apart, the first one's middle 44 pixels below the window's top; the
# IP field at (72, 24) and the write button at (72, 112) in the parameter group at (208, 56).
search() { xdotool mousemove $((247 + 60)) $((179 + 14)) click 1; }
select_row() { xdotool mousemove $((247 + 8 + 80)) $((179 + 44 + $1 * ${ROW_HEIGHT:-13})) click 1; }
write_ip() {
    xdotool mousemove $((247 + 208 + 140)) $((179 + 29 + 56 + 34)) click 1
    xdotool key ctrl+a type "$1"
    xdotool mousemove $((247 + 208 + 248)) $((179 + 29 + 56 + 128)) click 1
}

start_sim
"$build/app/Quorrel_ROZidovo" >/dev/null 2>&1 &
app=$!
sleep 12 # the start-up balloon has gone

# Rows: Quorrel, 10.0.0.xxx, 10.0.0.5, 192.168.1.xxx, 192.168.1.10, 192.168.1.9.
search
sleep 2
select_row 5
sleep 1
write_ip 192.168.1.150
search # right after the write, while the check runs
sleep 2
import -window root "$out/write-check-confirmed.png"

start_sim --ignore-frames
sleep 10 # the first balloon has gone
search
sleep 2
select_row 5
sleep 1
write_ip 192.168.1.150
search
sleep 11 # the check asks for ten seconds
import -window root "$out/write-check-not-confirmed.png"
echo "$out/write-check-confirmed.png $out/write-check-not-confirmed.png"
