#!/usr/bin/env bash
# Builds the Debian package of the program and the command-line tool.
#   bash scripts/package.sh      installs what is missing, builds in Release in
#                                build-package/ (or $PACKAGE_BUILD_DIR) and prints the
#                                path of quorrel-ip-configurator_<version>_<arch>.deb
#   bash scripts/package.sh ci   also checks the package (as root): lintian, install with
#                                apt-get, the installed window starts (virtual display,
#                                private network namespace) with the menu entry's
#                                StartupWMClass as its X11 class and a write outcome cut
#                                to its status line is read whole over AT-SPI, on a
#                                headless Wayland compositor it shows natively with the
#                                entry's id as app id and a broadcast search finds
#                                controller-sim's controllers
#                                (tests/packaging/wayland_check.sh), quorrel-cli --help
#                                runs, purge, and no installed file is left behind
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${PACKAGE_BUILD_DIR:-$root/build-package}")"
package=quorrel-ip-configurator
app_id=com.trevant.QuorrelIpConfigurator
title="Quorrel IP Configurator"

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

fail() {
    echo "package.sh: $*" >&2
    exit 1
}

# Runs inside a private network namespace (see window_check): a virtual display, the
# installed program started by the desktop entry's Exec line, its window looked up by
# title, its X11 class compared with the entry's StartupWMClass, and a picture of the
# screen. Then, over the accessibility bus (tests/packaging/window_atspi.py), a broadcast
# search finds controller-sim's controllers and a write to one of them is confirmed: the
# status marquee shows the outcome cut to its line and gives it whole as its description,
# which is what a screen reader reads.
if [ "${1:-}" = "__window" ]; then
    exec_line=$2
    shot=$3
    wm_class=$4
    sim=$5
    ip link set lo up
    ip route add default dev lo src 127.0.0.1
    # 192.168.1.20: the written controller's new address, from which it answers the check.
    for a in 10.0.0.5 192.168.1.10 192.168.1.20; do ip addr add "$a/32" dev lo; done
    display=
    for n in $(seq 90 119); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            display=:$n
            break
        fi
    done
    [ -n "$display" ] || fail "no free display number"
    Xvfb "$display" -screen 0 1024x600x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    # A session bus of its own, with neither a tray nor a notification service, so the
    # write's outcome stands in the status marquee; it starts the accessibility bus.
    mapfile -t bus < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    log="${shot%.png}.log"
    "$sim" --quiet \
        --controller ip=192.168.1.10,mask=255.255.255.0,gw=192.168.1.1,mac=00-1A-2B-3C-4D-5E \
        --controller ip=10.0.0.5,mask=255.0.0.0,gw=10.0.0.1,mac=0A-0B-0C-0D-0E-0F \
        >"${log%.log}-sim.log" 2>&1 &
    sim_pid=$!
    app=
    trap 'kill $app $sim_pid $xvfb ${bus[1]:-} 2>/dev/null || true' EXIT
    export DISPLAY=$display DBUS_SESSION_BUS_ADDRESS=${bus[0]:?} QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    for _ in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.2
    done
    # The Exec line without its field codes (%f, %U, ...), split into words as written.
    read -r -a command <<<"$(sed -E 's/ ?%[a-zA-Z]//g' <<<"$exec_line")"
    # What the program prints is kept beside the picture and shown when the check fails.
    "${command[@]}" >"$log" 2>&1 &
    app=$!
    fail() {
        echo "--- what \"${command[*]}\" printed ($log):" >&2
        cat "$log" >&2 || true
        echo "package.sh: $*" >&2
        exit 1
    }
    for _ in $(seq 100); do
        if window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null); then
            sleep 1
            import -window root "$shot"
            echo "window \"$title\" shown (picture: $shot)"
            # WM_CLASS(STRING) = "instance", "class": a dock matches the class.
            property=$(xprop -id "${window%%$'\n'*}" WM_CLASS)
            echo "xprop: $property"
            class=$(sed -nE 's/^WM_CLASS\(STRING\) = "[^"]*", "([^"]*)"$/\1/p' <<<"$property")
            [ "$class" = "$wm_class" ] ||
                fail "the window's X11 class \"$class\" is not the entry's StartupWMClass \"$wm_class\""
            # The controller's node is clicked with xdotool: AT-SPI selects a row but cannot
            # make it the tree's current node. Debian's Python has the GObject bindings.
            atspi=("/usr/bin/python3" "$root/tests/packaging/window_atspi.py" "$app")
            "${atspi[@]}" search 10.0.0.5 192.168.1.10 &&
                "${atspi[@]}" write 192.168.1.10 192.168.1.20 \
                    $'Параметры записаны\nКонтроллер 00-1A-2B-3C-4D-5E отвечает с адреса 192.168.1.20' ||
                fail "a screen reader does not get the whole write outcome"
            exit 0
        fi
        kill -0 "$app" 2>/dev/null || fail "\"${command[*]}\" ended before showing its window"
        sleep 0.2
    done
    fail "no window titled \"$title\" within 20 s"
fi

mode=${1:-}
case "$mode" in
"" | ci) ;;
*)
    echo "usage: $0 [ci]" >&2
    exit 2
    ;;
esac

# What building the package needs besides the project's own dependencies; ci mode also
# checks the package and runs the installed program under a virtual display.
extra=(dpkg-dev file desktop-file-utils appstream)
if [ "$mode" = ci ]; then
    extra+=(lintian x11-utils xdotool xvfb imagemagick man-db)
    # The Wayland check: the compositor, Qt's Wayland platform (which the package only
    # recommends), a session bus with the accessibility bus, and Python's AT-SPI bindings
    # that press the window's button.
    extra+=(weston qt6-wayland dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0)
fi
"$root/scripts/install-deps.sh" "${extra[@]}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
# The menu entry and the AppStream metadata as the configuration made them.
desktop-file-validate "$build/packaging/$app_id.desktop"
appstreamcli validate --no-net "$build/packaging/$app_id.metainfo.xml" >/dev/null ||
    appstreamcli validate --no-net "$build/packaging/$app_id.metainfo.xml" ||
    fail "the AppStream metadata does not validate"
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build/${package}"_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build/${package}"_*.deb)
[ -f "${debs[0]}" ] || fail "cpack wrote no package"
deb=${debs[0]}

if [ "$mode" != ci ]; then
    echo "$deb"
    exit 0
fi

echo "--- lintian"
lintian --allow-root --fail-on error --info "$deb" || fail "lintian reports errors"

# The package changes no system setting: no maintainer scripts, nothing but the file list
# and the ufw profile marked as a conffile.
control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | xargs)
[ "$control" = "conffiles control md5sums" ] || fail "unexpected control files: $control"
conffiles=$(dpkg-deb --info "$deb" conffiles)
[ "$conffiles" = "/etc/ufw/applications.d/$package" ] || fail "unexpected conffiles: $conffiles"
# Qt's Russian texts come from Debian's translations package.
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'qt6-translations-l10n' <<<"$depends" || fail "Depends lacks qt6-translations-l10n: $depends"
# On a Wayland session the window runs natively through Qt's Wayland platform.
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -q 'qt6-wayland' <<<"$recommends" || fail "Recommends lacks qt6-wayland: $recommends"

if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "installed"; then
    "${sudo_cmd[@]}" apt-get purge -y "$package" >/dev/null
fi
# Which of the package's paths are there before it is installed (shared directories).
mapfile -t paths < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' |
    grep -v '^$' | grep -v '^\.$')
before=()
for p in "${paths[@]}"; do
    if [ -e "$p" ] || [ -L "$p" ]; then
        before+=("$p")
    fi
done

echo "--- install"
export DEBIAN_FRONTEND=noninteractive
log="$build/apt-install.log"
if ! "${sudo_cmd[@]}" apt-get install -y "$deb" >"$log" 2>&1; then
    # Dependencies not yet installed need the package lists.
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y "$deb" >"$log" 2>&1 || {
        cat "$log"
        fail "apt-get could not install $deb"
    }
fi
grep -E "^(Unpacking|Setting up)" "$log" || true
for p in "${paths[@]}"; do
    [ -e "$p" ] || fail "$p is not installed"
done
desktop_file=/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop_file"
exec_line=$(sed -n 's/^Exec=//p' "$desktop_file" | head -n 1)
[ -n "$exec_line" ] || fail "$desktop_file has no Exec line"
man -w quorrel-ip-configurator >/dev/null || fail "no manual page for quorrel-ip-configurator"
# The program's desktop file name is the entry's id: it is also the Wayland app id.
grep -q "^X-GNOME-UsesNotifications=true$" "$desktop_file" ||
    fail "$desktop_file lacks X-GNOME-UsesNotifications=true"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_file" | head -n 1)
[ -n "$wm_class" ] || fail "$desktop_file has no StartupWMClass"

echo "--- window (started as the menu entry starts it: $exec_line)"
"${sudo_cmd[@]}" unshare --net -- bash "$0" __window "$exec_line" "$build/installed-window.png" \
    "$wm_class" "$build/tools/controller-sim"

echo "--- Wayland (headless weston, no X display)"
"${sudo_cmd[@]}" bash "$root/tests/packaging/wayland_check.sh" "$build/tools/controller-sim"

echo "--- quorrel-cli"
if [ -x /usr/bin/quorrel-cli ]; then
    unshare_cmd=("${sudo_cmd[@]}" unshare --net --)
    "${unshare_cmd[@]}" quorrel-cli --help >/dev/null || fail "quorrel-cli --help failed"
    man -w quorrel-cli >/dev/null || fail "no manual page for quorrel-cli"
    echo "quorrel-cli --help runs"
else
    echo "skipped: this package has no quorrel-cli"
fi

echo "--- purge"
"${sudo_cmd[@]}" apt-get purge -y "$package" >/dev/null
left=()
for p in "${paths[@]}"; do
    was_there=0
    for b in "${before[@]}"; do
        if [ "$b" = "$p" ]; then
            was_there=1
            break
        fi
    done
    if [ "$was_there" = 0 ] && { [ -e "$p" ] || [ -L "$p" ]; }; then
        left+=("$p")
    fi
done
[ ${#left[@]} -eq 0 ] || fail "left behind after purge: ${left[*]}"
echo "package installed, started, purged; nothing left behind"
echo "$deb"
