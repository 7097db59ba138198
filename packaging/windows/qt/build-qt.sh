#!/usr/bin/env bash
# How the Qt DLLs shipped with the Windows build of Quorrel IP Configurator are made: Qt's
# qtbase from Debian's source package qt6-base, with Debian's patches applied, cross-built
# for 64-bit Windows with Debian's MinGW-w64 as shared libraries. This file is the whole
# recipe; scripts/windows-qt.sh runs it step by step (and names its cache folder by a
# digest of this file, the source version and the compiler), and it is shipped beside the
# DLLs as share/quorrel/build-qt.sh.
#
# On Debian 12 (packages g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools
# dpkg-dev ninja-build cmake patch), with the source package in DIR
# (apt-get source --download-only qt6-base=6.4.2+dfsg-10):
#
#   bash build-qt.sh unpack DIR WORK        Debian's source with Debian's patches: WORK/src
#   bash build-qt.sh configure WORK PREFIX  toolchain file and CMake options: WORK/build
#   bash build-qt.sh build WORK             ninja, with $QT_BUILD_JOBS jobs (default: nproc)
#   bash build-qt.sh install WORK PREFIX    into PREFIX, with this recipe in share/quorrel
set -euo pipefail

# Debian patches left out of the build, each with the reason. Every other patch of
# debian/patches/series is applied, in the series' order.
skip_patches=()

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
    -DFEATURE_zstd=OFF
    # Qt's own copies of the libraries it builds in, never a MinGW build of them that this
    # machine happens to have: the DLLs then stand alone, and their notices are known.
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_libb2=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_textmarkdownreader=OFF
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

fail() {
    echo "build-qt: $*" >&2
    exit 1
}

# The upstream source without Debian's packaging changes applied, then Debian's patch
# series, checked: a patch that does not apply stops the recipe.
unpack() {
    local dir=$1 work=$2
    local dsc=("$dir"/qt6-base_*.dsc)
    [ -f "${dsc[0]}" ] || fail "no qt6-base_*.dsc in $dir"
    mkdir -p "$work"
    dpkg-source -x --skip-patches "${dsc[0]}" "$work/src" >/dev/null
    local series="$work/src/debian/patches/series" p skip reason
    [ -f "$series" ] || fail "the source has no debian/patches/series"
    : >"$work/src/debian-patches-applied.txt"
    while read -r p _; do
        skip=0
        for reason in "${skip_patches[@]}"; do
            [ "${reason%%:*}" = "$p" ] && skip=1
        done
        if [ $skip = 1 ]; then
            echo "$p: left out" >>"$work/src/debian-patches-applied.txt"
            continue
        fi
        patch -d "$work/src" -p1 --forward --batch --quiet <"$work/src/debian/patches/$p" ||
            fail "Debian's patch $p does not apply"
        echo "$p" >>"$work/src/debian-patches-applied.txt"
    done < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$series")
}

configure() {
    local work=$1 prefix=$2
    toolchain_text >"$work/toolchain.cmake"
    cmake -S "$work/src" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        "${options[@]}"
}

build() {
    local work=$1
    cmake --build "$work/build" --parallel "${QT_BUILD_JOBS:-$(nproc)}"
}

install() {
    local work=$1 prefix=$2
    cmake --install "$work/build"
    local notes="$prefix/share/quorrel"
    mkdir -p "$notes"
    cp "${BASH_SOURCE[0]}" "$notes/build-qt.sh"
    cp "$work/toolchain.cmake" "$notes/qt-toolchain-mingw64.cmake"
    cp "$work/src/debian-patches-applied.txt" "$notes/qt-debian-patches.txt"
}

case "${1:-}" in
unpack) unpack "$2" "$3" ;;
configure) configure "$2" "$3" ;;
build) build "$2" ;;
install) install "$2" "$3" ;;
*) fail "usage: build-qt.sh unpack DIR WORK | configure WORK PREFIX | build WORK | install WORK PREFIX" ;;
esac
