#!/usr/bin/env bash
# Builds util, core, protocol and the command-line tool for 64-bit Windows with MinGW-w64,
# runs their tests under Wine, and (ci) tries the Windows quorrel-cli.exe against the
# Linux controller simulator. Everything that runs does so inside one private network
# namespace that this script creates: nothing reaches a real network.
#
#   scripts/windows.sh          build, test and try the tool (the same as ci)
#   scripts/windows.sh build    only build (no namespace, no Wine)
#   scripts/windows.sh test     build and run the tests under Wine
#   scripts/windows.sh ci       build, tests and the command-line tool against the simulator
#
# Build folders: build-windows/ (or $WINDOWS_BUILD_DIR) for the .exe files, build-sim/ (or
# $SIM_BUILD_DIR) for the simulator, a native build without Qt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${WINDOWS_BUILD_DIR:-$root/build-windows}"
simBuild="${SIM_BUILD_DIR:-$root/build-sim}"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
jobs="$(nproc)"

say() { echo "--- windows: $*"; }
fail() {
    echo "--- windows: FAILED: $*" >&2
    exit 1
}

# Timed step: prints how long it took.
step() {
    local name=$1
    shift
    local start=$SECONDS
    say "$name"
    "$@"
    say "$name: $((SECONDS - start)) s"
}

install_missing() {
    "$root/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix wine64 googletest
}

build_windows() {
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" -DQUORREL_GUI=OFF \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --parallel "$jobs"
}

build_simulator() {
    cmake -S "$root" -B "$simBuild" -DQUORREL_GUI=OFF -DBUILD_TESTING=OFF \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$simBuild" --parallel "$jobs" --target controller-sim
}

# --- inside the private namespace -----------------------------------------------------

# Windows programs cannot add addresses to lo nor change routes; the addresses the tests
# ask for (privatenet::AddAddress("...") in tests/) and their routes are added here.
add_test_addresses() {
    local cidr
    grep -rhoE 'AddAddress\("[0-9./]+"\)' "$root/tests" | grep -oE '[0-9./]+' | sort -u |
        while read -r cidr; do
            ip addr add "$cidr" dev lo 2>/dev/null || true
        done
    # A destination no datagram can reach (tests/protocol/DriverTest.cpp).
    ip route add unreachable 203.0.113.0/24
}

# One card besides lo for the card tests (tests/core/WindowsCardsTest.cpp): qwin0 with
# 10.77.0.1/24, its veth peer qwin1 without an address.
add_test_card() {
    ip link add qwin0 type veth peer name qwin1
    ip addr add 10.77.0.1/24 brd + dev qwin0
    ip link set qwin1 up
    ip link set qwin0 up
}

remove_test_card() {
    ip link del qwin0 2>/dev/null || true
}

start_wine() {
    WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/quorrel-wine.XXXXXX")"
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
    # One server for the whole run, started first and kept until the end: every test is a
    # Wine process of its own, and a server that exits between two of them (it does after
    # a few idle seconds) races with the next one ("recvmsg: Connection reset by peer").
    "$wineserver" -p || fail "wineserver did not start"
    "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot could not create $WINEPREFIX"
}

simPid=""
cleanup() {
    [ -n "$simPid" ] && kill "$simPid" 2>/dev/null
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    [ -n "${WINEPREFIX:-}" ] && rm -rf "$WINEPREFIX"
}

run_tests() {
    # One after another: all tests share this one namespace and its fixed ports (5001,
    # 6002-6004), where on Linux each test process has a namespace of its own.
    (cd "$build" && ctest --output-on-failure --timeout 300) | tee "$build/ctest.log"
    local summary
    summary="$(grep -E 'tests passed|tests failed' "$build/ctest.log" || true)"
    say "under Wine: $summary"
}

# The Windows command-line tool against the Linux simulator playing three controllers.
acceptance() {
    local cli="$build/cli/quorrel-cli.exe"
    local sim="$simBuild/tools/controller-sim"
    if [ ! -f "$cli" ]; then
        say "SKIPPED the command-line check: $cli was not built (no quorrel-cli in this tree)"
        return 0
    fi
    local log="$build/acceptance"
    mkdir -p "$log"
    local a
    for a in 192.168.1.10 192.168.1.11 192.168.1.12 192.168.1.20; do
        ip addr add "$a/32" dev lo 2>/dev/null || true
    done
    "$sim" --controller ip=192.168.1.10,mac=00-1A-2B-3C-4D-5E,mask=255.255.255.0,gw=192.168.1.1 \
        --controller ip=192.168.1.11,mac=00-1A-2B-3C-4D-5F,mask=255.255.255.0,gw=192.168.1.1 \
        --controller ip=192.168.1.12,mac=00-1A-2B-3C-4D-60,mask=255.255.255.0,gw=192.168.1.1 \
        >"$log/sim.jsonl" 2>&1 &
    simPid=$!
    local tries=0
    until grep -q '"event":"ready"' "$log/sim.jsonl"; do
        tries=$((tries + 1))
        [ $tries -gt 50 ] && fail "the simulator did not start: $(cat "$log/sim.jsonl")"
        sleep 0.1
    done

    "$wine" "$cli" discover --format json >"$log/discover.json" ||
        fail "quorrel-cli.exe discover exited with $?"
    cat "$log/discover.json"
    local mac found=0
    for mac in 00-1A-2B-3C-4D-5E 00-1A-2B-3C-4D-5F 00-1A-2B-3C-4D-60; do
        if grep -qi "$mac" "$log/discover.json"; then
            found=$((found + 1))
        else
            say "discover did not list $mac"
        fi
    done
    [ $found -eq 3 ] || fail "quorrel-cli.exe discover listed $found of 3 controllers"
    local entries
    entries="$(grep -o '"mac"' "$log/discover.json" | wc -l)"
    [ "$entries" -eq 3 ] || fail "quorrel-cli.exe discover listed $entries entries, not 3"
    say "quorrel-cli.exe discover --format json listed the 3 controllers"

    # Line ends as on Linux: CSV rows end in exactly CR LF (Windows' text mode would make
    # them CR CR LF).
    "$wine" "$cli" discover --format csv >"$log/discover.csv" ||
        fail "quorrel-cli.exe discover --format csv exited with $?"
    local rows
    rows="$(grep -c $'[^\r]\r$' "$log/discover.csv" || true)"
    if [ "$rows" -ne 4 ] || grep -q $'\r\r' "$log/discover.csv"; then
        fail "quorrel-cli.exe discover --format csv: rows do not end in CR LF: $(od -c "$log/discover.csv" | head -5)"
    fi
    say "quorrel-cli.exe discover --format csv: header and 3 rows, each ending in CR LF"

    local status=0
    "$wine" "$cli" set --mac 00-1A-2B-3C-4D-5E --ip 192.168.1.20 --verify \
        >"$log/set.txt" 2>&1 || status=$?
    cat "$log/set.txt"
    [ $status -eq 0 ] || fail "quorrel-cli.exe set --verify exited with $status"
    if ! grep -qi "confirmed" "$log/set.txt" || grep -qi "not confirmed" "$log/set.txt"; then
        fail "quorrel-cli.exe set --verify did not confirm the write"
    fi
    grep -q '"result":"accepted"' "$log/sim.jsonl" ||
        fail "the simulator accepted no configuration frame"
    say "quorrel-cli.exe set --verify confirmed the write"
    kill "$simPid" 2>/dev/null || true
    simPid=""
}

inside() {
    local mode=$1
    ip link set lo up
    ip route add default dev lo src 127.0.0.1
    add_test_addresses
    add_test_card
    trap cleanup EXIT
    step "Wine prefix" start_wine
    step "tests under Wine" run_tests
    if [ "$mode" = ci ]; then
        # The simulator's controllers answer every request; with the extra card a broadcast
        # goes out twice (routed and on the card) and each controller would be heard twice.
        remove_test_card
        step "quorrel-cli.exe against the simulator" acceptance
    fi
}

# --- main -----------------------------------------------------------------------------

mode="${1:-ci}"
case "$mode" in
    --inside)
        inside "$2"
        exit 0
        ;;
    build | test | ci) ;;
    *)
        echo "usage: $0 [build|test|ci]" >&2
        exit 2
        ;;
esac

start=$SECONDS
step "packages" install_missing
step "build for Windows" build_windows
if [ "$mode" = build ]; then
    exit 0
fi
[ "$mode" = ci ] && step "simulator (Linux)" build_simulator

# One private network namespace for the whole run (Wine's server creates the sockets, so
# it must live in the namespace too): as root a new network namespace, otherwise inside
# a new user namespace as well.
if [ "$(id -u)" -eq 0 ]; then
    unshare -n -- bash "$0" --inside "$mode"
else
    unshare -rn -- bash "$0" --inside "$mode"
fi
say "total: $((SECONDS - start)) s"
