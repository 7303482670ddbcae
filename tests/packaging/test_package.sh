#!/usr/bin/env bash
# Builds the Debian package from the build folder twice (the same bytes both times), has
# lintian and hardening-check check it (no error, warning or missing hardening), unpacks it into
# a scratch root, checks the files it installs and their metadata, and starts the installed
# program offscreen as the desktop entry starts it.
# Usage: test_package.sh BUILD_DIR SOURCE_DIR. Exits 77 (skipped) when a packaging tool is missing.
set -euo pipefail

build=$1
source=$2
for tool in cpack file dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian hardening-check \
    objdump readelf timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (packages file, dpkg-dev, desktop-file-utils, appstream, lintian, devscripts, binutils)"
        exit 77
    fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Packed twice, a second apart: the time stamps inside are the commit's, so the bytes are the same.
for pack in pkg pkg-again; do
    (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/$pack" >"$scratch/cpack.log" 2>&1) \
        || { cat "$scratch/cpack.log"; fail "cpack could not build the package"; }
    [ "$pack" = pkg ] && sleep 1
done
debs=("$scratch"/pkg/*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no .deb"
deb=${debs[0]}
echo "package: $(basename "$deb")"
cmp "$deb" "$scratch/pkg-again/$(basename "$deb")" || fail "two packages of the same build differ"

# Without git (a machine without it, or a source tarball, which has no history): the time of
# the changelog's newest entry, the same bytes again.
mkdir "$scratch/no-git"
printf '#!/bin/sh\necho "git: not installed" >&2\nexit 127\n' >"$scratch/no-git/git"
chmod +x "$scratch/no-git/git"
for pack in no-git-pkg no-git-again; do
    (cd "$scratch" && env -u SOURCE_DATE_EPOCH PATH="$scratch/no-git:$PATH" \
        cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/$pack" >"$scratch/cpack.log" 2>&1) \
        || { cat "$scratch/cpack.log"; fail "cpack could not build the package without git"; }
    [ "$pack" = no-git-pkg ] && sleep 1
done
cmp "$scratch/no-git-pkg/$(basename "$deb")" "$scratch/no-git-again/$(basename "$deb")" \
    || fail "two packages of the same build differ where there is no git"
changelog_date=$(sed -n 's/^ -- .*>  //p' "$source/data/debian/changelog" | head -n 1)
stamp=$(TZ=UTC date -d "$changelog_date" '+%Y-%m-%d %H:%M:%S')
stamps=$(dpkg-deb --fsys-tarfile "$scratch/no-git-pkg/$(basename "$deb")" | TZ=UTC tar -tv --full-time \
    | awk '{ print $4, $5 }' | sort -u)
[ "$stamps" = "$stamp" ] || fail "without git the package's files are not stamped with the changelog's time $stamp: $stamps"

# Dependencies: the linked Qt libraries (from dpkg-shlibdeps) and what is not linked.
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
# libqt6gui6 has the platform plugins the program loads (xcb, offscreen); qt6-qpa-plugins only
# the VNC one.
for dependency in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 fonts-liberation2; do
    grep -q "\b$dependency\b" <<<"$depends" || fail "the package does not depend on $dependency"
done
! grep -q "qt6-qpa-plugins" <<<"$depends" || fail "the package depends on qt6-qpa-plugins, which it does not use"
[ "$(dpkg-deb --field "$deb" Package)" = corvalane-pos ] || fail "the package is not named corvalane-pos"

# lintian: no error or warning (the overrides the package ships are for tags that do not apply
# to it), and none of its notes on missing hardening.
lintian_status=0
lintian --display-info --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$scratch/lintian.log" || true
[ "$lintian_status" -eq 0 ] || fail "lintian found errors or warnings"
! grep -q 'hardening-' "$scratch/lintian.log" || fail "lintian finds the binary without some hardening"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
id=org.corvalane.PointOfSale
expected=(
    usr/bin/corvalane-pos
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$id.svg"
    usr/share/doc/corvalane-pos/README.md.gz
    usr/share/doc/corvalane-pos/changelog.Debian.gz
    usr/share/doc/corvalane-pos/copyright
    usr/share/man/man1/corvalane-pos.1.gz
    usr/share/doc/corvalane-pos/examples/tax.txt
)
for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "the package lacks /$file"
done
[ -x "$root/usr/bin/corvalane-pos" ] || fail "/usr/bin/corvalane-pos is not executable"
gzip -dc "$root/usr/share/doc/corvalane-pos/README.md.gz" | cmp - "$(dirname "$0")/../../README.md" \
    || fail "README.md.gz is not the README"

# Hardened as Debian's flags harden it: every check of hardening-check passes but control-flow
# protection, which the program's code has (an end-branch instruction opens main) and Debian 12
# cannot mark: its C library's start files (Scrt1.o, crti.o, crtn.o) carry no IBT or shadow
# stack property, so the linker leaves the mark off. Stripped as dh_strip strips, without the
# compilers' .comment.
hardening-check --nocfprotection "$root/usr/bin/corvalane-pos" || fail "hardening-check finds hardening missing"
objdump -d --disassemble=main "$build/src/app/corvalane-pos" | grep -A1 '<main>:' | grep -q endbr64 \
    || fail "the program is built without control-flow protection"
! readelf -S "$root/usr/bin/corvalane-pos" | grep -q '\.comment' || fail "the program keeps its .comment section"
grep -qx "Exec=corvalane-pos --user-shop" "$root/usr/share/applications/$id.desktop" \
    || fail "the desktop entry does not start the user's shop"

desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# Started as the desktop entry starts it, the program makes the user's shop folder and keeps
# running until it is stopped.
status=0
env XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch" QT_QPA_PLATFORM=offscreen \
    timeout 5 "$root/usr/bin/corvalane-pos" --user-shop >"$scratch/run.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$scratch/run.log"; fail "the installed program ended with status $status before it was stopped"; }
[ -d "$scratch/data/corvalane-pos/shop" ] || fail "the installed program made no shop folder"
echo "PASS: package $(basename "$deb") installs and starts"
