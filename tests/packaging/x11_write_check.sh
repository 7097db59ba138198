#!/usr/bin/env bash
# The installed program on X11 (Xvfb) with its accessibility bus: a broadcast search finds
# controller-sim's controllers, and a write to one of them is confirmed. Passes when the
# status marquee shows the outcome cut to its line and gives it whole as its accessible
# description, which is what a screen reader reads (tests/packaging/window_atspi.py: the
# node is clicked with xdotool, the rest goes over AT-SPI). Everything runs in a private
# network and process namespace: the search and the write stay on its loopback, and every
# process started here ends with the check.
#   tests/packaging/x11_write_check.sh CONTROLLER_SIM     (root; the package installed)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sim=$(realpath "${1:?usage: $0 CONTROLLER_SIM}")
desktop_file=/usr/share/applications/com.trevant.QuorrelIpConfigurator.desktop
whole=$'Параметры записаны\nКонтроллер 00-1A-2B-3C-4D-5E отвечает с адреса 192.168.1.20'

fail() {
    echo "x11_write_check: $*" >&2
    exit 1
}

if [ -z "${QUORREL_X11_NS:-}" ]; then
    export QUORREL_X11_NS=1
    exec unshare --net --pid --fork --kill-child -- bash "$0" "$sim"
fi

ip link set lo up
ip route add default dev lo src 127.0.0.1
addresses=(10.0.0.5 192.168.1.10)
# 192.168.1.20: the written controller's new address, from which it answers the check.
for a in "${addresses[@]}" 192.168.1.20; do ip addr add "$a/32" dev lo; done

run=$(mktemp -d)
chmod 700 "$run"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$run"
}
trap cleanup EXIT
show_log() {
    echo "--- $1" >&2
    tail -n 30 "$run/$1" >&2 || true
}

display=
for n in $(seq 90 119); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=:$n
        break
    fi
done
[ -n "$display" ] || fail "no free display number"
Xvfb "$display" -screen 0 1024x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display XDG_RUNTIME_DIR=$run
unset QT_QPA_PLATFORM
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.2
done

# The accessibility bus is started on demand from the session bus, which has no tray and
# no notification service: the outcome stands in the window's status marquee.
dbus-daemon --session --fork --nopidfile --print-address=3 3>"$run/bus" >/dev/null
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$run/bus")
export DBUS_SESSION_BUS_ADDRESS
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

"$sim" --quiet \
    --controller ip=192.168.1.10,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E \
    --controller ip=10.0.0.5,mask=255.0.0.0,gw=10.0.0.1,mac=0A-0B-0C-0D-0E-0F \
    >"$run/sim.log" 2>&1 &
pids+=($!)

# The program as the menu entry starts it: the Exec line without its field codes.
exec_line=$(sed -n 's/^Exec=//p' "$desktop_file" | head -n 1)
read -r -a command <<<"$(sed -E 's/ ?%[a-zA-Z]//g' <<<"$exec_line")"
"${command[@]}" >"$run/app.log" 2>&1 &
app=$!
pids+=("$app")

# Debian's own Python, which has the GObject bindings (python3-gi).
if ! /usr/bin/python3 "$here/window_atspi.py" "$app" search "${addresses[@]}" ||
    ! /usr/bin/python3 "$here/window_atspi.py" "$app" write 192.168.1.10 192.168.1.20 "$whole"; then
    show_log app.log
    show_log sim.log
    fail "a screen reader does not get the whole write outcome"
fi
echo "on X11: a write outcome cut to the status line is read whole over AT-SPI"
