#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (MinGW-w64) from Debian's own qt6-base source, the same
# version as the installed Linux Qt, and installs it into a cache folder outside the clone.
# The folder's name carries the Qt version and a digest of the options below: a cache with
# the same name is reused as it is, any change of version or options builds anew. Prints
# the install prefix as the last line of its output.
#
#   scripts/windows-qt.sh            build when missing, print the prefix
#
# Cache folder: $QUORREL_QT_CACHE, or ~/.cache/quorrel-qt. The first build takes about
# 35 minutes on 2 cores; later runs take a second.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${QUORREL_QT_CACHE:-${HOME:-/root}/.cache/quorrel-qt}"
jobs="$(nproc)"

say() { echo "--- windows-qt: $*" >&2; }
fail() {
    echo "--- windows-qt: FAILED: $*" >&2
    exit 1
}

"$root/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix qt6-base-dev-tools dpkg-dev \
    ninja-build >&2

version="$(dpkg-query -W -f='${Version}' qt6-base-dev)" || fail "qt6-base-dev is not installed"
upstream="${version%%+*}" # 6.4.2 of 6.4.2+dfsg-10
upstream="${upstream%%-*}"

# What the program and its tests need, and nothing else. Shared libraries, so that a user
# can replace Qt's DLLs.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_network=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_opengl=OFF
    -DINPUT_opengl=no
    -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_direct2d=OFF
    # Qt 6.4 builds its DirectWrite font database only with Direct2D, but the windows
    # platform still refers to it when DirectWrite 3 is on (the link fails); the GDI font
    # database is the platform's default anyway.
    -DFEATURE_directwrite3=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_testlib=ON
    -DFEATURE_widgets=ON
)

# The compilers for Qt itself: MinGW's posix thread model, the C++ runtime as DLLs (the
# program links against the same ones), Qt's own Windows version macros.
toolchain_text() {
    cat <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

digest="$(
    {
        echo "$version"
        printf '%s\n' "${options[@]}"
        toolchain_text
        x86_64-w64-mingw32-g++-posix -dumpfullversion
    } | sha256sum | cut -c1-12
)"
prefix="$cache/qt-$upstream-mingw64-$digest"

# One build at a time: a second run waits for the first and then reuses its Qt (a second
# build would wipe the work folder under the first).
mkdir -p "$cache"
exec 9>"$cache/.lock"
if ! flock -n 9; then
    say "waiting for the Qt build that is already running (log: $cache/work-$digest/build.log)"
    flock 9
fi

if [ -f "$prefix/.complete" ]; then
    say "reusing $prefix"
    echo "$prefix"
    exit 0
fi

start=$SECONDS
work="$cache/work-$digest"
rm -rf "$prefix"
# A build that stopped half-way (a failure, an interrupted run) goes on from where it was:
# ninja rebuilds only what is missing or out of date.
resume=0
if [ -f "$work/src/CMakeLists.txt" ] && [ -f "$work/build/CMakeCache.txt" ]; then
    resume=1
else
    rm -rf "$work"
fi
mkdir -p "$work"

# The source through apt, which checks its signatures. Debian's source entries are added
# for the suites this machine already installs from, when there are none.
fetch_source() {
    cd "$work"
    if ! apt-get source --download-only "qt6-base=$version" >/dev/null 2>&1; then
        local list=/etc/apt/sources.list.d/quorrel-deb-src.sources
        say "adding deb-src entries ($list)"
        local f
        : >"$list.new"
        for f in /etc/apt/sources.list.d/*.sources; do
            [ "$f" = "$list" ] && continue
            grep -q '^Types:.*\bdeb\b' "$f" || continue
            grep -q 'debian' "$f" || continue
            sed -e 's/^Types:.*/Types: deb-src/' "$f" >>"$list.new"
            echo >>"$list.new"
        done
        if [ -f /etc/apt/sources.list ]; then
            grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
                >/etc/apt/sources.list.d/quorrel-deb-src.list || true
        fi
        mv "$list.new" "$list"
        apt-get update -qq
        apt-get source --download-only "qt6-base=$version" >/dev/null ||
            fail "apt could not fetch the source of qt6-base $version"
    fi
    dpkg-source -x --skip-debianization qt6-base_*.dsc src >/dev/null ||
        fail "could not unpack the qt6-base source"
}

if [ $resume = 1 ]; then
    say "going on with the Qt build in $work"
else
    say "fetching the qt6-base $version source"
    fetch_source
fi
toolchain_text >"$work/toolchain.cmake"

say "configuring Qt $upstream for Windows"
cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${options[@]}" >"$work/configure.log" 2>&1 ||
    fail "configure failed, see $work/configure.log"

say "building Qt (about 35 minutes on 2 cores)"
cmake --build "$work/build" --parallel "$jobs" >"$work/build.log" 2>&1 ||
    fail "build failed, see $work/build.log"
cmake --install "$work/build" >"$work/install.log" 2>&1 ||
    fail "install failed, see $work/install.log"

# Where the source came from, for the licence notes shipped beside the DLLs.
mkdir -p "$prefix/share/quorrel"
cp "$work/src/LICENSES/LGPL-3.0-only.txt" "$prefix/share/quorrel/" 2>/dev/null ||
    find "$work/src" -maxdepth 2 -iname '*LGPL*3*' -exec cp {} "$prefix/share/quorrel/" \;
printf 'Debian source package qt6-base %s\n' "$version" >"$prefix/share/quorrel/qt-source.txt"
cp "$work"/qt6-base_*.dsc "$prefix/share/quorrel/" 2>/dev/null || true

touch "$prefix/.complete"
rm -rf "$work"
say "built in $((SECONDS - start)) s"
echo "$prefix"
