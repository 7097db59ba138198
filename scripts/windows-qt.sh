#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (MinGW-w64) from Debian's own qt6-base source with Debian's
# patches, the same version as the installed Linux Qt, and installs it into a cache folder
# outside the clone. How Qt is built is packaging/windows/qt/build-qt.sh (shipped beside
# the DLLs); this script fetches the source, runs that recipe and writes the notices.
# The folder's name carries the Qt version and a digest of the recipe, the Debian source
# version and the compiler: a cache with the same name is reused as it is, any change of
# them builds anew. Prints the install prefix as the last line of its output.
#
#   scripts/windows-qt.sh                  build when missing, print the prefix
#   scripts/windows-qt.sh --deb-src FILE...  print the deb-src entries it would add for
#                                          these apt source files
#
# Cache folder: $QUORREL_QT_CACHE, or ~/.cache/quorrel-qt. The first build takes about
# 35 minutes on 2 cores; later runs take a second. Runs as root or as a user with sudo
# (for apt).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${QUORREL_QT_CACHE:-${HOME:-/root}/.cache/quorrel-qt}"
recipe="$root/packaging/windows/qt/build-qt.sh"
# How long a second run waits for a build that is already running.
lock_wait="${QUORREL_QT_LOCK_WAIT:-7200}"
# Disk space that a build needs: the source package, the work folder (source and build)
# and the install; 1.32 GB at most, measured.
need_mb=1400

say() { echo "--- windows-qt: $*" >&2; }
fail() {
    echo "--- windows-qt: FAILED: $*" >&2
    exit 1
}

# Debian's own apt entries, as deb-src: those whose URIs are all Debian's archive or
# security archive (deb.debian.org, security.debian.org, a country mirror ftp.XX.debian.org,
# snapshot.debian.org), or which apt checks against Debian's archive keyring (a local
# mirror of Debian). Third-party repositories are left alone.
debian_uri='^https?://(deb|security|ftp[.][a-z][a-z]|snapshot)[.]debian[.]org/(debian|debian-security|archive/debian(-security)?/[0-9TZ]+)/?$'
debian_keyring=/usr/share/keyrings/debian-archive-keyring.gpg

# The stanzas of a deb822 .sources file.
debian_src_stanzas() {
    awk -v RS= -v uri_re="$debian_uri" -v keyring="$debian_keyring" '
        {
            types = ""; uris = ""; signed = ""; enabled = "yes"; n = split($0, lines, "\n")
            for (i = 1; i <= n; i++) {
                if (lines[i] ~ /^Types:/) types = lines[i]
                else if (lines[i] ~ /^URIs:/) uris = lines[i]
                else if (lines[i] ~ /^Signed-By:/) signed = lines[i]
                else if (lines[i] ~ /^Enabled:/) enabled = tolower(lines[i])
            }
            if (types !~ /[: ]deb( |$)/ || enabled ~ /no/) next
            k = split(uris, u, /[ \t]+/); ours = k > 1
            for (i = 2; i <= k; i++) if (u[i] !~ uri_re) ours = 0
            split(signed, s, /[ \t]+/)
            if (s[2] == keyring) ours = 1
            if (!ours) next
            for (i = 1; i <= n; i++) print(lines[i] ~ /^Types:/ ? "Types: deb-src" : lines[i])
            printf "\n"
        }' "$@"
}

# The one-line entries of a sources.list file: deb [options] URI suite components.
debian_src_lines() {
    awk -v uri_re="$debian_uri" -v keyring="$debian_keyring" '
        $1 != "deb" { next }
        {
            uri = $2; signed = 0
            if ($2 ~ /^\[/) {
                for (i = 2; i <= NF && $(i - 1) !~ /\]$/; i++) {
                    if ($i == "signed-by=" keyring || $i == "[signed-by=" keyring || \
                        $i == "signed-by=" keyring "]" || $i == "[signed-by=" keyring "]") signed = 1
                    uri = $(i + 1)
                }
            }
            if (signed || uri ~ uri_re) {
                sub(/^deb/, "deb-src")
                print
            }
        }' "$@"
}

# --deb-src FILE...: only print the deb-src entries that would be added for these apt
# source files (.sources or one-line lists).
if [ "${1:-}" = --deb-src ]; then
    shift
    for f in "$@"; do
        case "$f" in
        *.sources) debian_src_stanzas "$f" ;;
        *) debian_src_lines "$f" ;;
        esac
    done
    exit 0
fi

"$root/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
    qt6-base-dev-tools dpkg-dev ninja-build patch >&2

version="$(dpkg-query -W -f='${Version}' qt6-base-dev)" || fail "qt6-base-dev is not installed"
upstream="${version%%+*}" # 6.4.2 of 6.4.2+dfsg-10
upstream="${upstream%%-*}"

digest="$(
    {
        echo "$version"
        cat "$recipe"
        x86_64-w64-mingw32-g++-posix -dumpfullversion
        dpkg-query -W -f='${Version}\n' mingw-w64-x86-64-dev
    } | sha256sum | cut -c1-12
)"
prefix="$cache/qt-$upstream-mingw64-$digest"
work="$cache/work-$digest"
# The downloaded source package, kept: the notices are taken from it.
source="$cache/source-$version"

# One build at a time: a second run waits for the first and then reuses its Qt (a second
# build would wipe the work folder under the first). No child process keeps the lock's
# descriptor (9>&-), so a build left running by a killed script does not hold it.
mkdir -p "$cache"
exec 9>"$cache/.lock"
if ! flock -n 9; then
    say "waiting (at most $lock_wait s) for the Qt build that is already running" \
        "(log: $work/build.log)"
    flock -w "$lock_wait" 9 ||
        fail "another run of windows-qt.sh still builds Qt after $lock_wait s (it holds" \
            "$cache/.lock): let it finish or stop it (QUORREL_QT_LOCK_WAIT sets the wait)"
fi

# The apt source of Debian's qt6-base, with its signature checked by apt. Debian's source
# entries are added for the Debian suites this machine already installs from, when apt
# has none.
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || fail "apt needs root: run as root or install sudo"
    sudo_cmd=(sudo)
fi

add_deb_src() {
    local dir=/etc/apt/sources.list.d tmp f
    tmp="$(mktemp -d)"
    for f in "$dir"/*.sources; do
        [ -f "$f" ] && [ "$f" != "$dir/quorrel-deb-src.sources" ] && debian_src_stanzas "$f"
    done >"$tmp/quorrel-deb-src.sources"
    for f in /etc/apt/sources.list "$dir"/*.list; do
        [ -f "$f" ] && [ "$f" != "$dir/quorrel-deb-src.list" ] && debian_src_lines "$f"
    done >"$tmp/quorrel-deb-src.list"
    [ -s "$tmp/quorrel-deb-src.sources" ] || [ -s "$tmp/quorrel-deb-src.list" ] ||
        fail "apt installs from no Debian suite here: add a deb-src entry for Debian's" \
            "$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release) to /etc/apt/sources.list.d/"
    for f in quorrel-deb-src.sources quorrel-deb-src.list; do
        if [ -s "$tmp/$f" ]; then
            say "adding Debian's deb-src entries: $dir/$f"
            "${sudo_cmd[@]}" install -m 644 "$tmp/$f" "$dir/$f" 9>&-
        fi
    done
    rm -rf "$tmp"
    "$root/scripts/install-deps.sh" --update 9>&- >&2
}

# apt-get source, a few times (the network may fail for a moment); its error is shown.
# Returns 2 at once when apt knows no source of the package (no deb-src entries).
download_source() {
    local try err
    for try in 1 2 3; do
        if err="$(cd "$source.new" && apt-get source --download-only "qt6-base=$version" \
            2>&1 >/dev/null 9>&-)"; then
            return 0
        fi
        say "apt-get source failed (try $try of 3):"
        echo "$err" | grep '^E:' | head -n 5 >&2
        if grep -qE "deb-src|Unable to find a source package|Can not find version" <<<"$err"; then
            return 2
        fi
        [ $try = 3 ] || sleep $((try * 15))
    done
    return 1
}

fetch_source() {
    [ -f "$source/.complete" ] && return 0
    rm -rf "$source" "$source.new"
    mkdir -p "$source.new"
    local status=0
    download_source || status=$?
    if [ $status = 2 ]; then
        say "apt knows no source of qt6-base $version: adding Debian's source entries"
        add_deb_src
        status=0
        download_source || status=$?
    fi
    [ $status = 0 ] || fail "apt could not fetch the source of qt6-base $version (see above)"
    touch "$source.new/.complete"
    mv "$source.new" "$source"
}

# The notices shipped beside the DLLs in share/quorrel: Qt's licence, where its source comes
# from, and the licences of the third-party code built into the DLLs (from a list that a
# fresh build checks against what it compiled). Not part of the cache's name: a change
# rewrites them without building Qt again.
notes="$prefix/share/quorrel"
third_party="$root/packaging/windows/qt/third-party.txt"
notices_cmake="$root/packaging/windows/qt/notices.cmake"
notices_digest="$(cat "$third_party" "$notices_cmake" | sha256sum | cut -c1-12)"
write_notices() {
    local src=$1 used=${2:-}
    mkdir -p "$notes"
    cmake -DSRC="$src" -DLIST="$third_party" -DOUT="$notes/Qt-third-party-notices.txt" \
        ${used:+-DDEPS="$used"} -P "$notices_cmake" 9>&- ||
        fail "could not write the notices of Qt's third-party code"
    cp "$src/LICENSES/LGPL-3.0-only.txt" "$notes/"
    printf 'Debian source package qt6-base %s\n' "$version" >"$notes/qt-source.txt"
    cp "$source"/qt6-base_*.dsc "$notes/"
    echo "$notices_digest" >"$notes/.notices"
}

if [ ! -f "$prefix/.complete" ]; then
    start=$SECONDS
    rm -rf "$prefix"
    # A build whose configure succeeded and that stopped half-way (a failure, an
    # interrupted run) goes on from where it was: ninja rebuilds only what is missing or
    # out of date. Anything else starts afresh.
    if [ -f "$work/.configured" ]; then
        say "going on with the Qt build in $work"
    else
        rm -rf "$work"
    fi
    used_mb=0
    [ -d "$work" ] && used_mb=$(($(du -sk "$work" | cut -f1) / 1024))
    free_mb=$(($(df -Pk "$cache" | awk 'NR == 2 { print $4 }') / 1024))
    [ $((free_mb + used_mb)) -ge $need_mb ] ||
        fail "the Qt build needs about $need_mb MB in $cache, and only $free_mb MB are free" \
            "(QUORREL_QT_CACHE chooses another folder)"
    mkdir -p "$work"
    if [ ! -f "$work/.configured" ]; then
        say "fetching the qt6-base $version source"
        fetch_source
        bash "$recipe" unpack "$source" "$work" >"$work/unpack.log" 2>&1 9>&- ||
            fail "could not unpack and patch the qt6-base source, see $work/unpack.log"
        say "configuring Qt $upstream for Windows"
        bash "$recipe" configure "$work" "$prefix" >"$work/configure.log" 2>&1 9>&- ||
            fail "configure failed, see $work/configure.log"
        touch "$work/.configured"
    fi
    say "building Qt (about 35 minutes on 2 cores, log: $work/build.log)"
    bash "$recipe" build "$work" >"$work/build.log" 2>&1 9>&- ||
        fail "build failed, see $work/build.log"
    bash "$recipe" install "$work" "$prefix" >"$work/install.log" 2>&1 9>&- ||
        fail "install failed, see $work/install.log"
    # Every file the build compiled or read: the notices must cover its third-party code.
    {
        ninja -C "$work/build" -t deps
        cat "$work/build/build.ninja"
    } >"$work/used-files.txt" 9>&- || fail "could not list the files the Qt build used"
    write_notices "$work/src" "$work/used-files.txt"
    touch "$prefix/.complete"
    rm -rf "$work"
    say "built in $((SECONDS - start)) s"
else
    say "reusing $prefix"
fi

# A Qt from the cache whose notices are missing or from another list gets them anew, from
# the kept source package.
if [ "$(cat "$notes/.notices" 2>/dev/null)" != "$notices_digest" ]; then
    fetch_source
    tmp="$(mktemp -d)"
    dpkg-source -x --skip-patches "$source"/qt6-base_*.dsc "$tmp/src" >/dev/null 2>&1 9>&- ||
        fail "could not unpack the qt6-base source for its notices"
    write_notices "$tmp/src"
    rm -rf "$tmp"
fi
echo "$prefix"
