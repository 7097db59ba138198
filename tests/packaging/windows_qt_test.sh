#!/usr/bin/env bash
# scripts/windows-qt.sh: which apt entries it adds as deb-src (Debian's own only), and the
# notices' check that every third-party record a Qt build used is shipped.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
expect() { # what, expected, actual
    if [ "$2" != "$3" ]; then
        printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}
deb_src() { bash "$root/scripts/windows-qt.sh" --deb-src "$@"; }

# One-line entries: whether each is Debian's own (and so comes back as deb-src).
while IFS='|' read -r ours line; do
    printf '%s\n' "$line" >"$tmp/one.list"
    want=""
    [ "$ours" = yes ] && want="deb-src${line#deb}"
    expect "$line" "$want" "$(deb_src "$tmp/one.list")"
done <<'EOF'
yes|deb http://deb.debian.org/debian bookworm main
yes|deb https://security.debian.org/debian-security bookworm-security main
yes|deb http://ftp.de.debian.org/debian/ bookworm main contrib
yes|deb http://snapshot.debian.org/archive/debian/20250520T000000Z bookworm main
yes|deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.lan/debian bookworm main
no|deb [arch=amd64] https://download.docker.com/linux/debian bookworm stable
no|deb http://apt.example.org/debian bookworm main
no|deb http://deb.debian.org.example.net/debian bookworm main
no|deb http://deb.debian.org/debian-ports unstable main
no|deb [signed-by=/etc/apt/keyrings/vendor.gpg] http://repo.example.com/debian bookworm main
no|deb-src http://deb.debian.org/debian bookworm main
no|# deb http://deb.debian.org/debian bookworm main
EOF

# deb822 stanzas: Debian's (also a local mirror signed by Debian's keyring) are copied whole
# as deb-src; a third party's, a disabled one, and one mixing in a third party's URI are not.
cat >"$tmp/all.sources" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main

Types: deb
URIs: https://deb.nodesource.com/node_20.x
Suites: nodistro
Components: main
Signed-By: /usr/share/keyrings/nodesource.gpg

Types: deb
URIs: http://deb.debian.org/debian
Suites: trixie
Components: main
Enabled: no

Types: deb
URIs: http://ftp.fr.debian.org/debian http://packages.example.org/debian
Suites: bookworm
Components: main

# the site's mirror
Types: deb
URIs: http://mirror.lan/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
expect "deb822 stanzas" "Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main

# the site's mirror
Types: deb-src
URIs: http://mirror.lan/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" "$(deb_src "$tmp/all.sources")"

# Notices: a Qt source with two records, one of them naming its files.
src="$tmp/qt"
mkdir -p "$src/src/3rdparty/zlib" "$src/src/gui/painting"
echo '{ "Id": "zlib", "Name": "zlib", "License": "Zlib", "LicenseFile": "LICENSE" }' \
    >"$src/src/3rdparty/zlib/qt_attribution.json"
echo "zlib licence text" >"$src/src/3rdparty/zlib/LICENSE"
echo '[{ "Id": "grayraster", "Name": "Gray raster", "License": "FTL", "Files": "qgrayraster.c",
    "LicenseFile": "FTL.txt" }]' >"$src/src/gui/painting/qt_attribution.json"
echo "FTL text" >"$src/src/gui/painting/FTL.txt"
# list | files the build used | the record the refusal names ("" when it succeeds)
while IFS='|' read -r list used error; do
    read -ra words <<<"$list"
    printf '%s %s\n' "${words[@]}" >"$tmp/list.txt"
    read -ra words <<<"$used"
    printf "$src/%s\n" "${words[@]}" >"$tmp/used.txt"
    rm -f "$tmp/notices.txt"
    if out="$(cmake -DSRC="$src" -DLIST="$tmp/list.txt" -DOUT="$tmp/notices.txt" \
        -DDEPS="$tmp/used.txt" -P "$root/packaging/windows/qt/notices.cmake" 2>&1)"; then
        # Written: the listed record's licence, and no other.
        out="$(grep -c "licence text\|FTL text" "$tmp/notices.txt") $(grep -c zlib "$tmp/notices.txt")"
        [ "$out" = "1 3" ] && out=""
    fi
    got="$out"
    [ -n "$error" ] && [[ "$out" == *"$error"* ]] && got="$error"
    expect "notices of [$list] for [$used]" "$error" "$got"
done <<'EOF'
src/3rdparty/zlib zlib|src/3rdparty/zlib/adler32.c src/gui/painting/qpainter.cpp|
src/3rdparty/zlib zlib|src/3rdparty/zlib/adler32.c src/gui/painting/qgrayraster.c|painting grayraster
src/3rdparty/zlib zlib src/3rdparty/pcre2 pcre2|src/3rdparty/zlib/adler32.c|pcre2/pcre2
EOF

[ $failures = 0 ] || exit 1
echo "all cases passed"
