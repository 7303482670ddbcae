#!/usr/bin/env bash
# The Windows setup program under Wine, in a Wine prefix of its own: installed silently, the
# installed program started as its Start-menu shortcut starts it (in the user's own shop
# folder, offscreen) rings up and closes one order through its --automation driver; then
# uninstalled silently: the program and its shortcut are gone, the shop's files are still
# there byte for byte.
# Usage: test_setup_win.sh SETUP_EXE SCRATCH_DIR (run by scripts/windows, on an X display).
set -euo pipefail

setup=$(realpath "$1")
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

export WINEPREFIX=$scratch/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
trap 'wineserver -k 2>/dev/null || true' EXIT
wine wineboot -i >"$scratch/wineboot.log" 2>&1 || fail "no Wine prefix could be made"
wineserver -w

windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# Installed silently.
started=$SECONDS
wine "$(windows_path "$setup")" /S >"$scratch/setup.log" 2>&1 || fail "the setup program failed"
wineserver -w
echo "installed in $((SECONDS - started)) s"
installed=$WINEPREFIX/drive_c/Program\ Files/Corvalane\ Point-Of-Sale
for file in corvalane-pos.exe uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6PrintSupport.dll \
    libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
    [ -f "$installed/$file" ] || fail "the setup program installed no $file"
done
shortcut=$(find "$WINEPREFIX/drive_c" -name 'Corvalane Point-Of-Sale.lnk' -path '*Start Menu/Programs*' | head -n 1)
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
# A shortcut keeps its target and arguments in UTF-16.
tr -d '\0' <"$shortcut" | grep -q -- '--user-shop' || fail "the shortcut does not start the user's shop"
tr -d '\0' <"$shortcut" | grep -qi 'corvalane-pos\.exe' || fail "the shortcut does not start corvalane-pos.exe"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvalanePointOfSale' /v UninstallString \
    >/dev/null 2>&1 || fail "no uninstaller registered"

# The installed program, started as the shortcut starts it (the DLLs beside it, no search
# path of the build's), rings up an order and closes it.
coproc program {
    WINEQT_QPA_PLATFORM=offscreen exec wine 'C:\Program Files\Corvalane Point-Of-Sale\corvalane-pos.exe' \
        --user-shop --automation 2>"$scratch/program.err"
}
out=${program[0]}
in=${program[1]}
# The replies of one command: lines up to "ok" or "error ..." (CR LF on Windows).
reply=()
read_reply() {
    reply=()
    local line
    while IFS= read -r -t 60 line <&"$out"; do
        line=${line%$'\r'}
        reply+=("$line")
        [[ $line == ok || $line == "error "* || $line == ready ]] && return 0
    done
    return 1
}
send() {
    printf '%s\n' "$1" >&"$in"
    read_reply || fail "no reply to \"$1\": $(cat "$scratch/program.err")"
    [[ ${reply[-1]} == ok ]] || fail "\"$1\": ${reply[*]}"
}
read_reply && [ "${reply[-1]}" = ready ] || fail "the installed program did not start: $(cat "$scratch/program.err")"
for command in 'set Form1.Text8 Ann' 'click Form1.Command3' 'set Form1.txtQty1 2' \
    'set Form1.Description1 Widget' 'set Form1.Price1 4.50' 'click Form1.Command1' 'set Form1.Text6 10'; do
    send "$command"
done
send 'click Form1.Command2'
for line in "${reply[@]}"; do
    [[ $line == "message "* ]] && fail "Close Order told: $line"
done
printf 'quit\n' >&"$in"
status=0
wait "$program_PID" || status=$?
[ "$status" -eq 0 ] || fail "the installed program ended with status $status"

shop=$(find "$WINEPREFIX/drive_c/users" -type d -path '*/AppData/Local/corvalane-pos/shop' | head -n 1)
[ -n "$shop" ] || fail "the program made no shop folder under %LOCALAPPDATA%"
[ "$(grep -c . "$shop/sales.txt")" -eq 1 ] || fail "sales.txt does not hold the one sale"
grep -q '"\$9\.00",.*"Cash"' "$shop/sales.txt" || fail "sales.txt: $(cat "$shop/sales.txt")"
[ -s "$shop/reciept.txt" ] || fail "no receipt was written"
echo "one order closed in $shop"
# A file the owner keeps beside the shop's own, too.
printf '"Widget"\r\n' >"$shop/inventory.dat"
(cd "$shop" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$scratch/shop.sha256"

# Uninstalled silently: the program, its shortcut and its registration go; the shop stays.
wine 'C:\Program Files\Corvalane Point-Of-Sale\uninstall.exe' /S >"$scratch/uninstall.log" 2>&1 \
    || fail "the uninstaller failed"
wineserver -w
[ ! -e "$installed" ] || fail "left behind: $(cd "$installed" && find . | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvalanePointOfSale' >/dev/null 2>&1; then
    fail "the uninstaller is still registered"
fi
(cd "$shop" && sha256sum --quiet -c "$scratch/shop.sha256") || fail "the shop's files changed"
[ "$(find "$shop" -type f | wc -l)" -eq "$(wc -l <"$scratch/shop.sha256")" ] || fail "the shop's files changed"
echo "PASS: $(basename "$setup") installs, closes an order, uninstalls, and leaves the shop as it was"
