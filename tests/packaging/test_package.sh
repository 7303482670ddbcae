#!/usr/bin/env bash
# Builds the Debian package from the build folder, has lintian check it (no error, warning or
# missing hardening), unpacks it into a scratch root, checks the files it installs and their
# metadata, and starts the installed program offscreen as the desktop entry starts it.
# Usage: test_package.sh BUILD_DIR. Exits 77 (skipped) when a packaging tool is missing.
set -euo pipefail

build=$1
for tool in cpack file dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (packages file, dpkg-dev, desktop-file-utils, appstream, lintian)"
        exit 77
    fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1) \
    || { cat "$scratch/cpack.log"; fail "cpack could not build the package"; }
debs=("$scratch"/pkg/*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no .deb"
deb=${debs[0]}
echo "package: $(basename "$deb")"

# Dependencies: the linked Qt libraries (from dpkg-shlibdeps) and what is not linked.
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for dependency in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins fonts-liberation2; do
    grep -q "\b$dependency\b" <<<"$depends" || fail "the package does not depend on $dependency"
done
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
    usr/share/doc/corvalane-pos/README.md
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
