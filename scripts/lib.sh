# shellcheck shell=bash disable=SC2034 # its variables are used by the scripts that source it
# Shared set-up of scripts/run, scripts/test, scripts/bench and scripts/cups-sandbox.
# Sourced, not run. From the environment it takes BUILD_DIR, the build directory
# (default: build; a relative path is taken from the repository root).

POS_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
POS_SCRIPT=$(basename "$0")

BUILD_DIR=${BUILD_DIR:-build}
case $BUILD_DIR in
    /*) ;;
    *) BUILD_DIR=$POS_ROOT/$BUILD_DIR ;;
esac

# What building the program and showing its windows needs (qt6-base-dev brings the
# platform plugins, the print support library and its CUPS plugin; fonts-liberation2 has
# the metric stand-ins for the Windows fonts the windows and receipts are designed with).
POS_BUILD_PACKAGES=(cmake g++ make qt6-base-dev libgl-dev fonts-liberation2)
# What the printing test needs: a scheduler, a PDF printer and a PDF-to-text tool.
POS_PRINT_PACKAGES=(cups printer-driver-cups-pdf poppler-utils)
# What the fuzz targets and the sanitizer build need: clang with libFuzzer and the
# sanitizer runtimes.
POS_FUZZ_PACKAGES=(clang libclang-rt-dev)
# What the packaging test needs: the Debian package tools (CPack's DEB generator runs file and
# dpkg-shlibdeps), the desktop metadata checkers, lintian and hardening-check (in devscripts).
POS_PACKAGING_PACKAGES=(file dpkg-dev desktop-file-utils appstream lintian devscripts)

pos_say() {
    printf '%s: %s\n' "$POS_SCRIPT" "$*" >&2
}

pos_die() {
    pos_say "$*"
    exit 1
}

# Prints the named Debian packages that are not installed, one a line.
pos_missing_packages() {
    local pkg
    for pkg in "$@"; do
        if [ "$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null)" != installed ]; then
            printf '%s\n' "$pkg"
        fi
    done
}

# Makes sure the named Debian packages are installed: as root, installs the missing
# ones with apt-get; otherwise names them and stops.
pos_require_packages() {
    if ! command -v dpkg-query >/dev/null 2>&1; then
        pos_say "not a Debian system: cannot check for the packages $*; going on"
        return 0
    fi
    local missing
    mapfile -t missing < <(pos_missing_packages "$@")
    [ "${#missing[@]}" -eq 0 ] && return 0

    if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
        pos_say "installing missing packages: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update || pos_die "apt-get update failed"
        apt-get install -y --no-install-recommends "${missing[@]}" </dev/null \
            || pos_die "could not install: ${missing[*]}"
    else
        pos_die "missing Debian packages: ${missing[*]}
Install them with:  sudo apt-get install ${missing[*]}
(or run this script as root, which installs them itself)"
    fi
}

# Configures the build directory. An existing one keeps its generator; a new one uses
# Ninja when it is installed, Unix Makefiles otherwise.
pos_configure() {
    local args=(-S "$POS_ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        if command -v ninja >/dev/null 2>&1; then
            args+=(-G Ninja)
        else
            args+=(-G "Unix Makefiles")
        fi
    fi
    cmake "${args[@]}" || pos_die "configuring $BUILD_DIR failed"
}

# Builds the given targets ("all" is everything).
pos_build() {
    cmake --build "$BUILD_DIR" -j "$(nproc)" --target "$@" || pos_die "building $* in $BUILD_DIR failed"
}

# Directory of the private CUPS scheduler: one per build directory, so that two
# checkouts (or two build directories) can run their tests side by side.
pos_cups_dir() {
    printf '/tmp/corvalane-cups-%s\n' "$(printf '%s' "$BUILD_DIR" | cksum | cut -d' ' -f1)"
}
