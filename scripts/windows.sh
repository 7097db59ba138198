#!/usr/bin/env bash
# Builds the whole project for 64-bit Windows with MinGW-w64 and the Qt that
# scripts/windows-qt.sh builds (and caches) from Debian's source, makes the zip and the
# installer, runs the tests under Wine and (ci) tries the installed programs. Everything
# that runs does so inside a private network namespace that this script creates: nothing
# reaches a real network.
#
#   scripts/windows.sh          the same as ci
#   scripts/windows.sh build    only build: programs, tests, zip and installer (no Wine)
#   scripts/windows.sh test     build and run the tests under Wine
#   scripts/windows.sh starts   build, then start the program again and again under Wine,
#                               each time in a fresh prefix, requiring its window: the
#                               shipped folder, then the same with image-format plugins
#   scripts/windows.sh ci       build, tests, quorrel-cli.exe against the simulator, the
#                               program started again and again (as starts does), and the
#                               installer end to end in a fresh Wine prefix: refused on
#                               Windows 7, an update over the running older version, the
#                               firewall rule as a logging netsh records it, the installed
#                               window's search and write on a virtual display, screenshots
#                               at 96 and 144 DPI, a waited-for uninstall while it runs
#
# Build folders: build-windows/ (or $WINDOWS_BUILD_DIR) for the .exe files and the two
# artifacts, build-sim/ (or $SIM_BUILD_DIR) for the simulator, a native build without Qt.
# Screenshots of the end-to-end run: build-windows/e2e/ (also copied to $WINDOWS_SHOTS_DIR
# when set).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${WINDOWS_BUILD_DIR:-$root/build-windows}"
simBuild="${SIM_BUILD_DIR:-$root/build-sim}"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
jobs="$(nproc)"
version="$(sed -nE 's/^project\(QuorrelConfigurator VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")"
zipName="quorrel-ip-configurator-$version-windows-x64"
setupName="$zipName.exe"

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
    # fonts-wine: Wine's Tahoma, the TrueType face the window falls back to there.
    "$root/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix wine64 googletest nsis \
        binutils-mingw-w64-x86-64 unzip x11-utils qt6-translations-l10n fonts-wine
}

# The Qt for Windows (built on the first run, about 35 minutes).
qt=""
windows_qt() {
    qt="$(bash "$root/scripts/windows-qt.sh" | tail -n 1)"
    [ -f "$qt/.complete" ] || fail "scripts/windows-qt.sh gave no Qt folder"
    say "Qt for Windows: $qt"
}

# Programs built here load the MinGW runtime and Qt DLLs from these folders under Wine
# (test discovery at build time, the tests, quorrel-cli.exe); the zip and the installer
# ship the DLLs beside the programs instead.
wine_path() {
    local dirs=("$qt/bin"
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
        "$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")")
    local d out=""
    for d in "${dirs[@]}"; do
        out+="${out:+;}Z:${d//\//\\}"
    done
    echo "$out"
}

build_windows() {
    WINEPATH="$(wine_path)"
    export WINEPATH WINEDEBUG=-all
    # A folder configured without this Qt (the toolchain is only read the first time)
    # starts afresh.
    if [ -f "$build/CMakeCache.txt" ] && ! grep -qF "$qt/" "$build/CMakeCache.txt"; then
        rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
    fi
    "$qt/bin/qt-cmake" -S "$root" -B "$build" -G "Unix Makefiles" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --parallel "$jobs" 2>&1 | tee "$build/build.log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || fail "the Windows build failed"
    if grep -q 'warning:' "$build/build.log"; then
        grep 'warning:' "$build/build.log" | sort -u
        fail "the Windows build gave warnings"
    fi
}

# The zip's folder, exactly: the two programs, the Qt DLLs and plugins the program loads,
# Qt's Russian translation, the MinGW runtime DLLs, the licence texts and Qt's source
# checksums, patches and build recipe. Every DLL any of them imports is either in the
# folder or part of Windows.
expected_files() {
    local qtDebian
    qtDebian="$(head -n 1 "$qt/share/quorrel/qt-source.txt" | sed 's/.* //')"
    printf '%s\n' Quorrel_ROZidovo.exe quorrel-cli.exe \
        Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll \
        styles/qwindowsvistastyle.dll translations/qtbase_ru.qm \
        libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
        licenses/README.txt licenses/Quorrel-IP-Configurator.txt licenses/Qt-LGPL-3.0.txt \
        licenses/Qt-source.txt "licenses/qt6-base_$qtDebian.dsc" licenses/Qt-debian-patches.txt \
        licenses/Qt-build-recipe.sh licenses/Qt-toolchain-mingw64.cmake \
        licenses/Qt-third-party-notices.txt licenses/GPL-3.0.txt \
        licenses/MinGW-GCC-runtime.txt licenses/MinGW-w64-winpthreads.txt \
        licenses/nlohmann-json.txt | sort
}

artifacts() {
    cmake --build "$build" --target windows_setup
    local zip="$build/$zipName.zip" setup="$build/$setupName"
    [ -f "$zip" ] || fail "no $zip"
    [ -f "$setup" ] || fail "no $setup"
    local listed
    listed="$(unzip -Z1 "$zip" | grep -v '/$' | sed "s|^$zipName/||" | sort)"
    if [ "$listed" != "$(expected_files)" ]; then
        diff <(expected_files) <(echo "$listed") || true
        fail "the zip does not hold exactly the expected files"
    fi
    local stage="$build/packaging/windows/stage/$zipName" f dll missing=()
    for f in $(find "$stage" -name '*.exe' -o -name '*.dll'); do
        for dll in $(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p'); do
            [ -f "$stage/$dll" ] && continue
            # Windows' own: API sets, and what is in Wine's system folder.
            [[ "${dll,,}" == api-ms-win-* ]] && continue
            [ -f "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/${dll,,}" ] && continue
            missing+=("${f#"$stage"/} needs $dll")
        done
    done
    [ ${#missing[@]} -eq 0 ] || fail "DLLs neither shipped nor part of Windows: ${missing[*]}"
    local headers
    headers="$(x86_64-w64-mingw32-objdump -p "$stage/Quorrel_ROZidovo.exe")"
    grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" ||
        fail "Quorrel_ROZidovo.exe is not a GUI-subsystem program"
    # Resource types 14 (the icon group Explorer shows) and 16 (the version resource).
    grep -q 'Entry: ID: 0x00000e,' <<<"$headers" || fail "Quorrel_ROZidovo.exe carries no icon"
    grep -q 'Entry: ID: 0x000010,' <<<"$headers" ||
        fail "Quorrel_ROZidovo.exe carries no version resource"
    local sizes
    sizes="$(identify "$build/packaging/windows/Quorrel_ROZidovo.ico" | awk '{print $3}' | xargs)"
    [ "$sizes" = "16x16 24x24 32x32 48x48 64x64 256x256" ] ||
        fail "the program's icon holds $sizes"
    say "$(basename "$zip"): $(echo "$listed" | wc -l) files, $(du -h "$zip" | cut -f1)"
    say "$(basename "$setup"): $(du -h "$setup" | cut -f1)"
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
    # A destination no datagram can reach (tests/ui/DriverTest.cpp).
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
    # One server for the whole run, started first and kept until the end: every test is a
    # Wine process of its own, and a server that exits between two of them (it does after
    # a few idle seconds) races with the next one ("recvmsg: Connection reset by peer").
    "$wineserver" -p || fail "wineserver did not start"
    "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot could not create $WINEPREFIX"
}

# Ends every Wine process of the prefix, and its server.
stop_wine_server() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
}

stop_wine() {
    stop_wine_server
    [ -n "${WINEPREFIX:-}" ] && rm -rf "$WINEPREFIX"
    WINEPREFIX=""
}

simPid=""
xvfbPid=""
cleanup() {
    [ -n "$simPid" ] && kill "$simPid" 2>/dev/null
    [ -n "${trayerPid:-}" ] && kill "$trayerPid" 2>/dev/null
    stop_wine
    [ -n "$xvfbPid" ] && kill "$xvfbPid" 2>/dev/null
    return 0
}

# The simulator playing the given controllers (--controller arguments), its events in
# $1; waits until it listens.
start_simulator() {
    local log=$1
    shift
    "$simBuild/tools/controller-sim" "$@" >"$log" 2>&1 &
    simPid=$!
    local tries=0
    until grep -q '"event":"ready"' "$log"; do
        tries=$((tries + 1))
        [ $tries -gt 50 ] && fail "the simulator did not start: $(cat "$log")"
        sleep 0.1
    done
}

stop_simulator() {
    kill "$simPid" 2>/dev/null || true
    wait "$simPid" 2>/dev/null || true
    simPid=""
}

run_tests() {
    # One after another: all tests share this one namespace and its fixed ports (5001,
    # 6002-6004), where on Linux each test process has a namespace of its own.
    # A test's first window starts Wine's desktop process (explorer.exe), which inherits
    # the test's output and outlives the test by seconds: ctest would wait for that output
    # to end, after every window test. A program that keeps a window open on the display
    # for the whole run keeps one desktop process, started with its output going nowhere.
    "$wine" notepad </dev/null >/dev/null 2>&1 &
    wait_for 300 pgrep -f 'explorer.exe /desktop' || fail "Wine's desktop process did not start"
    # Under Wine the offscreen platform finds no font at all (it reads font files from Qt's
    # own lib/fonts, not from Windows), so the test that every dialog family maps to an
    # installed one cannot pass there.
    # A test that ends before it has run fails as any other: that is how a crash at start
    # looks (no test is started a second time).
    (cd "$build" && ctest --output-on-failure --timeout 300 \
        -E '^DialogFontTest\.MissingFamiliesGetAnInstalledNeighbour$' ${WINDOWS_CTEST_ARGS:-}) |
        tee "$build/ctest.log"
    local summary
    summary="$(grep -E 'tests passed|tests failed' "$build/ctest.log" || true)"
    say "under Wine: $summary"
}

# The Windows command-line tool against the Linux simulator playing three controllers.
acceptance() {
    # Qt's project set-up puts every Windows program in the build folder's top.
    local cli="$build/quorrel-cli.exe"
    [ -f "$cli" ] || fail "$cli was not built"
    local log="$build/acceptance"
    mkdir -p "$log"
    local a
    for a in 192.168.1.10 192.168.1.11 192.168.1.12 192.168.1.20; do
        ip addr add "$a/32" dev lo 2>/dev/null || true
    done
    start_simulator "$log/sim.jsonl" \
        --controller ip=192.168.1.10,mac=00-1A-2B-3C-4D-5E,mask=255.255.255.0,gw=192.168.1.1 \
        --controller ip=192.168.1.11,mac=00-1A-2B-3C-4D-5F,mask=255.255.255.0,gw=192.168.1.1 \
        --controller ip=192.168.1.12,mac=00-1A-2B-3C-4D-60,mask=255.255.255.0,gw=192.168.1.1

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
    stop_simulator
}

# --- the program started again and again -----------------------------------------------

# Whether the program started from $1 has shown its window or ended.
shown_or_ended() {
    xdotool search --onlyvisible --name '^Quorrel IP Configurator$' >/dev/null 2>&1 ||
        ! kill -0 "$1" 2>/dev/null
}

# Starts Quorrel_ROZidovo.exe from the folder $2 ($1 names it) ${WINDOWS_STARTS:-20} times,
# each time in a fresh Wine prefix (a copy of one made here) on the virtual display, and
# requires its window every time, within 30 s, and the program still running 2 s later. A
# program that dies fails the step with Wine's account of the crash.
start_repeatedly() {
    local name=$1 folder=$2 runs=${WINDOWS_STARTS:-20}
    stop_wine
    unset WINEPATH
    start_wine
    # No crash dialog to wait on: Wine's debugger writes the crash to the program's output.
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null || fail "could not turn off Wine's crash dialog"
    stop_wine_server
    local template=$WINEPREFIX logs="$build/starts/$name" i pid shown=0 failures=()
    rm -rf "$logs"
    mkdir -p "$logs"
    for ((i = 1; i <= runs; i++)); do
        WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/quorrel-wine.XXXXXX")"
        cp -a "$template/." "$WINEPREFIX/"
        "$wineserver" -p || fail "wineserver did not start"
        "$wine" "$folder/Quorrel_ROZidovo.exe" >"$logs/$i.log" 2>&1 &
        pid=$!
        wait_for 300 shown_or_ended "$pid" || true
        # The read-ahead threads may end just after the window shows: it must still be there.
        sleep 2
        if kill -0 "$pid" 2>/dev/null &&
            xdotool search --onlyvisible --name '^Quorrel IP Configurator$' >/dev/null 2>&1; then
            shown=$((shown + 1))
        else
            failures+=("$i")
            say "$name, start $i: no window; the program's output:"
            head -n 20 "$logs/$i.log"
        fi
        stop_wine_server
        wait "$pid" 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    done
    WINEPREFIX=$template
    stop_wine
    say "$name: the window $shown of $runs starts"
    [ $shown -eq "$runs" ] || fail "$name: no window at starts ${failures[*]} (logs: $logs)"
}

# The shipped folder, and the same with Qt's image-format plugins beside the program, as a
# deployment may add them (the program must not depend on their being absent).
repeated_starts() {
    local stage="$build/packaging/windows/stage/$zipName" plugins="$build/with-plugins"
    step "the shipped folder started again and again" start_repeatedly shipped "$stage"
    rm -rf "$plugins"
    mkdir -p "$plugins/imageformats"
    cp -r "$stage/." "$plugins/"
    cp "$qt/plugins/imageformats/qgif.dll" "$qt/plugins/imageformats/qico.dll" \
        "$plugins/imageformats/" || fail "the Qt for Windows has no qgif.dll and qico.dll"
    step "with image-format plugins, started again and again" \
        start_repeatedly with-plugins "$plugins"
}

# --- the installer, end to end --------------------------------------------------------

readonly programDir="Program Files/Quorrel IP Configurator"
readonly uninstallKey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorrelIpConfigurator'
readonly shortcut="ProgramData/Microsoft/Windows/Start Menu/Programs/Quorrel IP Configurator.lnk"

start_display() {
    local n
    for n in ${WINDOWS_DISPLAYS:-$(seq 90 119)}; do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            export DISPLAY=":$n"
            break
        fi
    done
    [ -n "${DISPLAY:-}" ] || fail "no free display number"
    # Room for the window at 144 DPI (1055 x 410 at (370, 268)).
    Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    xvfbPid=$!
    for _ in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    fail "Xvfb did not start on $DISPLAY"
}

# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
    local tenths=$1
    shift
    local i
    for ((i = 0; i < tenths; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

shot() {
    import -window root "$e2eDir/$1.png"
    say "screenshot $e2eDir/$1.png"
}

# Clicks at (x, y) inside the window $window.
click() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
}

# Wine's netsh replaced by a stand-in that logs its command lines to C:\netsh.log
# (tests/windows/NetshLog.c).
install_netsh_standin() {
    x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -Werror \
        -o "$e2eDir/netsh.exe" "$root/tests/windows/NetshLog.c"
    cp "$e2eDir/netsh.exe" "$WINEPREFIX/drive_c/windows/system32/netsh.exe"
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;netsh.exe=n"
}

# Runs a command line as Windows' shell would take it from the registry (an unquoted
# _?= argument and all), from a batch file that waits for it; returns its exit code.
run_command_line() {
    printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$WINEPREFIX/drive_c/quorrel-run.bat"
    "$wine" cmd /c 'C:\quorrel-run.bat'
}

program_ended() {
    ! pgrep -f 'Quorrel_ROZidovo\.exe' >/dev/null
}

# Starts the installed program, Wine's messages in $1; waits for its window.
start_program() {
    "$wine" "$dir/Quorrel_ROZidovo.exe" >"$1" 2>&1 &
    wait_for 300 xdotool search --onlyvisible --name '^Quorrel IP Configurator$' ||
        fail "the installed program showed no window"
    # Its native window may be made anew while it starts (at 144 DPI it is).
    sleep 2
    window="$(xdotool search --onlyvisible --name '^Quorrel IP Configurator$' | tail -n 1)"
}

window_gone() {
    ! xdotool search --onlyvisible --name "$1" >/dev/null
}

# Closes the program's dialog titled $1 with Escape. Without a window manager the keyboard
# goes to the window under the pointer, so the pointer moves onto the dialog first.
close_dialog() {
    xdotool mousemove --window "$(xdotool search --onlyvisible --name "$1" | tail -n 1)" 20 20 \
        key Escape
    wait_for 30 window_gone "$1" || fail "the dialog $1 did not close"
}

# Right-clicks at (x, y) in the window: the edit field's context menu, in Russian.
edit_menu_shot() {
    xdotool mousemove --window "$window" "$1" "$2" click 3
    sleep 1
    shot "$3"
    xdotool key Escape
    sleep 0.5
}

e2eDir=""
window=""
dir=""
trayerPid=""
end_to_end() {
    e2eDir="$build/e2e"
    rm -rf "$e2eDir"
    mkdir -p "$e2eDir"
    # A fresh prefix, and the programs find their DLLs beside them, as on a user's machine.
    stop_wine
    unset WINEPATH
    start_wine
    dir="$WINEPREFIX/drive_c/$programDir"
    # A notification area, so the tray icon shows in the screenshots.
    trayer --edge bottom --align right --widthtype pixel --width 120 --height 36 \
        --transparent true --alpha 0 --tint 0xd0d0d0 >/dev/null 2>&1 &
    trayerPid=$!
    local status

    # A new prefix says Windows 7: the installer refuses and installs nothing.
    status=0
    "$wine" "$build/$setupName" /S || status=$?
    [ $status -eq 5 ] || fail "on Windows 7 $setupName /S exited with $status, not 5"
    [ ! -e "$dir" ] || fail "on Windows 7 the installer installed $(find "$dir")"
    say "on Windows 7: $setupName /S exits with 5, nothing installed"
    "$wine" winecfg -v win10 || fail "winecfg could not set Windows 10"
    install_netsh_standin

    # An "older version" with a file this version no longer has: the update must remove
    # it. The update runs while the older program is running.
    local older="$e2eDir/older"
    mkdir -p "$older"
    cp -r "$build/packaging/windows/stage/$zipName" "$older/stage"
    echo "only in the older version" >"$older/stage/older-only.txt"
    cmake -DSTAGE="$older/stage" -DVERSION=1.0.0.0 -DOUTFILE="$older/older.exe" \
        -DICON="$build/packaging/windows/Quorrel_ROZidovo.ico" \
        -P "$root/packaging/windows/Installer.cmake"
    "$wine" "$older/older.exe" /S || fail "the older version's installer exited with $?"
    [ -f "$dir/older-only.txt" ] || fail "the older version did not install"
    start_program "$e2eDir/older-program.log"
    status=0
    "$wine" "$build/$setupName" /S || status=$?
    [ $status -eq 0 ] || fail "$setupName /S over the running older version exited with $status"
    program_ended || fail "the older program still runs after the update"
    local installed
    installed="$(cd "$dir" && find . -type f | sed 's|^\./||' | sort)"
    if [ "$installed" != "$( (expected_files && echo uninstall.exe) | sort)" ]; then
        diff <( (expected_files && echo uninstall.exe) | sort) <(echo "$installed") || true
        fail "the installed files differ from the zip's"
    fi
    [ -f "$WINEPREFIX/drive_c/$shortcut" ] || fail "no Start-menu shortcut"
    "$wine" reg query "$uninstallKey" >"$e2eDir/uninstall-key.txt" 2>&1 ||
        fail "no uninstall entry: $(cat "$e2eDir/uninstall-key.txt")"
    local value
    for value in "DisplayName.*Quorrel IP Configurator" "DisplayVersion.*$version" \
        "Publisher.*Trevant" "QuietUninstallString.*uninstall.exe\" /S _\?=C:"; do
        grep -qE "$value" "$e2eDir/uninstall-key.txt" ||
            fail "the uninstall entry lacks $value: $(cat "$e2eDir/uninstall-key.txt")"
    done
    say "over the running version 1.0.0.0: exit 0, the program closed, installed into" \
        "C:\\$programDir: ${installed//$'\n'/ }"

    start_simulator "$e2eDir/sim.jsonl" --controller \
        ip=192.168.1.10,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E,hw=01,sw=02.0A \
        --controller ip=10.0.0.5,mask=255.0.0.0,gw=10.0.0.1,mac=0A-0B-0C-0D-0E-0F \
        --controller ip=192.168.1.9,mac=00-1A-2B-3C-4D-60
    start_program "$e2eDir/program.log"
    # Qt loads a style plugin only for the style it uses. (The program's own log line, on
    # OutputDebugString in a GUI program, does not reach Debian's Wine's output.)
    grep -qi 'styles/qwindowsvistastyle\.dll' /proc/"$(pgrep -f 'Quorrel_ROZidovo\.exe')"/maps ||
        fail "the program did not load the Windows Vista style"
    say "the program loaded styles/qwindowsvistastyle.dll, the windowsvista style"
    shot start

    # "Поиск широковещательный" at (4, 2), 171 x 25 in the window.
    click 60 14
    sleep 3
    shot search
    local requests
    requests="$(grep -c '"event":"request"' "$e2eDir/sim.jsonl" || true)"
    grep '"event":"request"' "$e2eDir/sim.jsonl" || true
    [ "$requests" -eq 1 ] || fail "the simulator saw $requests requests, not one"
    grep '"event":"request"' "$e2eDir/sim.jsonl" |
        grep -q '"from":"[0-9.]*:6002","to":"255.255.255.255"' ||
        fail "the request was not a broadcast from port 6002"
    say "the simulator saw one \"TR\" from port 6002 to 255.255.255.255"

    # The tree: Quorrel, 10.0.0.xxx, 10.0.0.5, ...: the first row, then two rows down.
    click 60 "${ROOT_ROW_Y:-50}"
    xdotool key --window "$window" Down Down
    sleep 1
    shot selected
    # "Записать параметры" at (280, 197), 353 x 33: the unchanged values of 10.0.0.5 go out
    # as the same 26 bytes the Linux window sends, to the broadcast address from port 6002.
    click 456 213
    wait_for 50 grep -q '"event":"frame"' "$e2eDir/sim.jsonl" ||
        fail "the simulator received no configuration frame"
    grep '"event":"frame"' "$e2eDir/sim.jsonl"
    local frame='"from":"[0-9.]*:6002","to":"255.255.255.255","length":26,'
    frame+='"bytes":"0A000005FF0000000A000001FFFFFFFF89130F0E0D0C0B0AFF05","result":"accepted"'
    [ "$(grep -c '"event":"frame"' "$e2eDir/sim.jsonl")" -eq 1 ] &&
        grep '"event":"frame"' "$e2eDir/sim.jsonl" | grep -qi "$frame" ||
        fail "the write was not the one frame the Linux window sends"
    say "the simulator accepted the unchanged write of 10.0.0.5, byte for byte"
    # "Поиск по IP" at (175, 2), 88 x 25: the input query.
    click 215 14
    sleep 2
    shot input-query
    close_dialog '^The Input Query$'
    stop_simulator

    # The copyright pane (the status bar's right end, 324 x 19 at y 254): a click offers
    # "О Qt…", Qt's notice.
    click 540 263
    sleep 1
    xdotool key Down Return
    wait_for 50 xdotool search --onlyvisible --name '^О Qt$' ||
        fail "the copyright pane's menu opened no \"О Qt\" box"
    sleep 1
    shot about-qt
    close_dialog '^О Qt$'
    # The MAC field (RzEdit4, read-only, 145 x 21 at (280, 165) in the window): "Копировать",
    # "Выделить всё".
    edit_menu_shot 352 175 edit-menu

    # The same at 144 DPI (150 %): the window 1.5 times as large, icons and text sharp.
    "$wine" taskkill /f /im Quorrel_ROZidovo.exe >/dev/null 2>&1 || true
    wait_for 100 program_ended || fail "the program did not end"
    # Wine reads the DPI from the user's desktop settings, older versions from the current
    # configuration's fonts key.
    local key
    for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
        "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null ||
            fail "could not set 144 DPI in $key"
    done
    start_program "$e2eDir/program-144.log"
    shot start-144
    edit_menu_shot 528 263 edit-menu-144

    # Removal while the program runs, as a deployment tool does it: the entry's
    # QuietUninstallString, waited for, its exit code the result.
    local quiet
    quiet="$("$wine" reg query "$uninstallKey" /v QuietUninstallString |
        sed -n 's/.*REG_SZ *//p' | tr -d '\r')"
    status=0
    run_command_line "$quiet" || status=$?
    [ $status -eq 0 ] || fail "$quiet exited with $status"
    program_ended || fail "the program still runs after the uninstall"
    if "$wine" reg query "$uninstallKey" >/dev/null 2>&1; then
        fail "the uninstall entry is left behind"
    fi
    [ ! -e "$WINEPREFIX/drive_c/$shortcut" ] || fail "the Start-menu shortcut is left behind"
    # The in-place uninstaller's own file goes as soon as it has ended.
    wait_for 50 test ! -e "$dir" || fail "left behind after uninstall: $(find "$dir")"
    say "$quiet while the program ran: exit 0, the program closed, no folder, shortcut" \
        "nor entry left"

    # The firewall rule: added by the older version, removed by its uninstaller during the
    # update, added again by the update, removed by the uninstall.
    local netsh='"C:\windows\system32\netsh.exe" advfirewall firewall' name='name="Quorrel IP Configurator"'
    local delete="$netsh delete rule $name" add="$netsh add rule $name description=\"Ответы контроллеров на поиск и запись (UDP, порты 6002-6004 программы). Все профили: сеть объекта без шлюза Windows обычно считает общедоступной.\" dir=in action=allow program=\"C:\\Program Files\\Quorrel IP Configurator\\Quorrel_ROZidovo.exe\" protocol=UDP localport=6002-6004 profile=any enable=yes"
    cp "$WINEPREFIX/drive_c/netsh.log" "$e2eDir/netsh.log"
    diff <(printf '%s\n' "$delete" "$add" "$delete" "$delete" "$add" "$delete") "$e2eDir/netsh.log" ||
        fail "netsh was not called with the expected rules"
    say "netsh: the rule added on install and deleted on uninstall, as expected: $add"

    kill "$trayerPid" 2>/dev/null || true
    trayerPid=""
    if [ -n "${WINDOWS_SHOTS_DIR:-}" ]; then
        mkdir -p "$WINDOWS_SHOTS_DIR"
        cp "$e2eDir"/*.png "$WINDOWS_SHOTS_DIR/"
    fi
}

inside() {
    local mode=$1
    ip link set lo up
    ip route add default dev lo src 127.0.0.1
    add_test_addresses
    add_test_card
    trap cleanup EXIT
    # A virtual display before the Wine prefix: Wine's desktop process, started with the
    # prefix, needs it. The tests themselves use the offscreen platform.
    unset DISPLAY WAYLAND_DISPLAY
    start_display
    if [ "$mode" = starts ]; then
        repeated_starts
        return 0
    fi
    step "Wine prefix" start_wine
    step "tests under Wine" run_tests
    if [ "$mode" = ci ]; then
        # The simulator's controllers answer every request; with the extra card a broadcast
        # goes out twice (routed and on the card) and each controller would be heard twice.
        remove_test_card
        step "quorrel-cli.exe against the simulator" acceptance
        repeated_starts
        step "installer end to end" end_to_end
    fi
}

# --- main -----------------------------------------------------------------------------

mode="${1:-ci}"
case "$mode" in
    --inside)
        qt="$QUORREL_WINDOWS_QT"
        inside "$2"
        exit 0
        ;;
    build | test | ci | starts) ;;
    *)
        echo "usage: $0 [build|test|ci|starts]" >&2
        exit 2
        ;;
esac

start=$SECONDS
step "packages" install_missing
step "Qt for Windows" windows_qt
step "build for Windows" build_windows
step "zip and installer" artifacts
if [ "$mode" = build ]; then
    say "total: $((SECONDS - start)) s"
    exit 0
fi
[ "$mode" = ci ] && step "simulator (Linux)" build_simulator

# One private network namespace for the whole run (Wine's server creates the sockets, so
# it must live in the namespace too): as root a new network namespace, otherwise inside
# a new user namespace as well.
export QUORREL_WINDOWS_QT="$qt" WINEPATH
if [ "$(id -u)" -eq 0 ]; then
    unshare -n -- bash "$0" --inside "$mode"
else
    unshare -rn -- bash "$0" --inside "$mode"
fi
say "total: $((SECONDS - start)) s"
