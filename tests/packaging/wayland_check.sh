#!/usr/bin/env bash
# The installed program on a Wayland session: a headless weston, no X display, Qt left to
# choose its platform as in a desktop session (XDG_SESSION_TYPE=wayland, QT_QPA_PLATFORM
# unset). Passes when
#   - weston's scene graph shows the window as an xdg_toplevel of the program's process
#     with the menu entry's id as its app id (the compositor's own account, read through
#     its debug protocol with weston-debug), and
#   - a broadcast search, started by pressing the toolbar button through the window's
#     accessibility interface (there is no input device), lists controller-sim's
#     controllers in the tree and their number in the count pane.
# Everything runs in a private network and process namespace: the search's broadcast
# stays on its loopback, and every process started here ends with the check.
#   tests/packaging/wayland_check.sh CONTROLLER_SIM     (root; the package installed)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
sim=$(realpath "${1:?usage: $0 CONTROLLER_SIM}")
app_id=com.trevant.QuorrelIpConfigurator
desktop_file=/usr/share/applications/$app_id.desktop
title="Quorrel IP Configurator"
socket=wayland-quorrel

fail() {
    echo "wayland_check: $*" >&2
    exit 1
}

if [ -z "${QUORREL_WAYLAND_NS:-}" ]; then
    export QUORREL_WAYLAND_NS=1
    # pid 1 of the new process namespace is this script: when it ends, so does
    # everything it started, the session bus's activated services included.
    exec unshare --net --pid --fork --kill-child -- bash "$0" "$sim"
fi

ip link set lo up
ip route add default dev lo src 127.0.0.1
addresses=(10.0.0.5 192.168.1.10)
for a in "${addresses[@]}"; do ip addr add "$a/32" dev lo; done

run=$(mktemp -d)
chmod 700 "$run"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$run"
}
trap cleanup EXIT
# Prints a log of the run when the check fails.
show_log() {
    echo "--- $1" >&2
    tail -n 30 "$run/$1" >&2 || true
}

# A session with no X display at all: a client that fell back to X11 could not start.
unset DISPLAY QT_QPA_PLATFORM WAYLAND_SOCKET
export XDG_RUNTIME_DIR=$run XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=$socket

weston --backend=headless-backend.so --socket="$socket" --no-config --idle-time=0 --debug \
    --log="$run/weston.log" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -S "$run/$socket" ] && break
    sleep 0.1
done
[ -S "$run/$socket" ] || {
    show_log weston.log
    fail "weston did not open $run/$socket"
}

# The accessibility bus is started on demand from the session bus.
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

# The compositor's scene graph names each view's role, process, title and app id.
view=
for _ in $(seq 100); do
    view=$(timeout 5 weston-debug scene-graph 2>/dev/null |
        grep -F "role xdg_toplevel, PID $app," | grep -F "'$title'" || true)
    [ -n "$view" ] && break
    kill -0 "$app" 2>/dev/null || {
        show_log app.log
        fail "\"${command[*]}\" ended before showing its window"
    }
    sleep 0.2
done
[ -n "$view" ] || {
    show_log app.log
    fail "no xdg_toplevel \"$title\" of process $app in weston's scene graph within 20 s"
}
echo "weston: ${view#"${view%%[![:space:]]*}"}"
grep -qF "top-level window '$title' of $app_id," <<<"$view" ||
    fail "the window's app id is not $app_id"

# Debian's own Python, which has the GObject bindings (python3-gi).
if ! /usr/bin/python3 "$here/window_atspi.py" "$app" search "${addresses[@]}"; then
    show_log app.log
    show_log sim.log
    fail "the broadcast search on Wayland did not list the simulated controllers"
fi
echo "on Wayland: native window with app id $app_id; a broadcast search found ${#addresses[@]} controllers"
