#!/usr/bin/env bash
# The Windows setup program under Wine, in a Wine prefix of its own.
#
# 1. The installed program file carries its icon, its version and its manifest.
# 2. A first silent install: the program starts in each user's own shop folder from its
#    Start-menu shortcut, rings up and closes an order there through its --automation driver;
#    started in its installation folder or in the Windows folder it refuses and writes nothing
#    there. Uninstalled silently: the program, its shortcut and its registration are gone, the
#    shop's files are still there byte for byte.
# 3. An older version installed silently onto a shop's existing folder (/SHOP=, /DESKTOP): the
#    shortcuts start the program in that folder, a sale is made there; the newer setup program
#    refuses while the program runs and changes nothing; once it ends, the newer one replaces
#    the program file by file (what the old one had and the new one lacks goes), keeps the
#    shop folder and the desktop shortcut, registers its version; the shop's files are the same
#    byte for byte; uninstalled, the shop is still as it was.
# 4. Shop folders the program could not be started in (a name too long for a working folder,
#    a file in the folder's place) are refused, with nothing installed; an install into another
#    program folder removes the earlier one first: one copy, one uninstall entry (with its
#    size, publisher link and version), one shortcut.
# 5. The setup program signed with a throwaway certificate: its signature, the program's and
#    the uninstaller's verify, and it installs a program that closes an order.
# Nothing is left outside the test's folders: the home folder is listed before and after.
#
# Usage: test_setup_win.sh SETUP_EXE STAGE VERSION OLD_SETUP_EXE OLD_STAGE SCRATCH_DIR
#        SIGNED_SETUP_EXE SIGNED_STAGE CERTIFICATE
# (run by scripts/windows, on an X display). STAGE, OLD_STAGE and SIGNED_STAGE are the folders
# each setup program installs; CERTIFICATE (PEM) signed SIGNED_SETUP_EXE.
set -euo pipefail

setup=$(realpath "$1")
stage=$2
version=$3
old_setup=$(realpath "$4")
old_stage=$5
scratch=$6
signed_setup=$(realpath "$7")
signed_stage=$8
certificate=$9
rm -rf "$scratch"
mkdir -p "$scratch"
# The home folder as it was (the compiler cache, which other builds fill meanwhile, aside).
home_listing() {
    find "$HOME" -path "$HOME/.cache/ccache" -prune -o -path "$HOME/.ccache" -prune -o -print | sort
}
home_listing >"$scratch/home-before.txt"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

export WINEPREFIX=$scratch/prefix
export WINEDEBUG=-all
# No .NET, no HTML engine, and no menu entries or desktop files of the shortcuts on this
# machine's own desktop.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
trap 'wineserver -k 2>/dev/null || true' EXIT
wine wineboot -i >"$scratch/wineboot.log" 2>&1 || fail "no Wine prefix could be made"
wineserver -w

windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvalanePointOfSale'
installed=$WINEPREFIX/drive_c/Program\ Files/Corvalane\ Point-Of-Sale
program_exe='C:\Program Files\Corvalane Point-Of-Sale\corvalane-pos.exe'

# 1. The resources of the program file.
exe=$stage/corvalane-pos.exe
wrestool -l "$exe" >"$scratch/resources.txt" || fail "wrestool cannot read $exe"
grep -q -- '--type=14 ' "$scratch/resources.txt" || fail "no icon in corvalane-pos.exe: $(cat "$scratch/resources.txt")"
# The icon is data/windows/corvalane-pos.ico (its images as data/icons has them) as it is.
icon=$(dirname "${BASH_SOURCE[0]}")/../../data/windows/corvalane-pos.ico
wrestool -x --type=14 "$exe" >"$scratch/icon.ico" || fail "the icon cannot be read"
cmp -s -n "$(stat -c %s "$icon")" "$icon" "$scratch/icon.ico" || fail "the program's icon is not $icon"
sizes=$(icotool -l "$scratch/icon.ico" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | tr '\n' ' ')
[ "$sizes" = "16 24 32 48 64 128 256 " ] || fail "the program's icon comes in the sizes $sizes"
wrestool -x --raw --type=16 "$exe" | iconv -f UTF-16LE -t UTF-8 -c | tr -d '\0' >"$scratch/version.txt"
for field in "ProductName.*Corvalane Point-Of-Sale" "FileVersion.*$version" "ProductVersion.*$version" \
    "CompanyName.*Corvalane" "FileDescription.*Corvalane Point-Of-Sale"; do
    grep -aq "$field" "$scratch/version.txt" || fail "the version information lacks $field"
done
wrestool -x --raw --type=24 "$exe" >"$scratch/manifest.xml" || fail "no manifest in corvalane-pos.exe"
for part in 'level="asInvoker"' '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' \
    '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>'; do
    grep -qF "$part" "$scratch/manifest.xml" || fail "the manifest lacks $part"
done
wrestool -x --type=14 "$setup" >"$scratch/setup-icon.ico" && icotool -l "$scratch/setup-icon.ico" >/dev/null \
    || fail "the setup program has no icon"
echo "corvalane-pos.exe $version carries its icon ($sizes), its version information and its manifest"

# The installed program, driven through --automation: started in FOLDER (a Unix folder of the
# prefix) with ARGUMENTS, as a shortcut starting it in that folder does.
start_program() {
    local folder=$1
    shift
    coproc program {
        cd "$folder" && WINEQT_QPA_PLATFORM=offscreen exec wine "$program_exe" "$@" --automation 2>"$scratch/program.err"
    }
    out=${program[0]}
    in=${program[1]}
    read_reply && [ "${reply[-1]}" = ready ] || fail "the installed program did not start: $(cat "$scratch/program.err")"
}
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
# Rings up QUANTITY widgets at 4.50 and closes the order, paid with 10 in cash.
sell() {
    local command
    for command in 'set Form1.Text8 Ann' 'click Form1.Command3' "set Form1.txtQty1 $1" \
        'set Form1.Description1 Widget' 'set Form1.Price1 4.50' 'click Form1.Command1' 'set Form1.Text6 10'; do
        send "$command"
    done
    send 'click Form1.Command2'
    for line in "${reply[@]}"; do
        [[ $line == "message "* ]] && fail "Close Order told: $line"
    done
    return 0
}
quit_program() {
    printf 'quit\n' >&"$in"
    local status=0
    wait "$program_PID" || status=$?
    [ "$status" -eq 0 ] || fail "the installed program ended with status $status"
}
# The sums of every file under FOLDER.
sums() {
    (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum)
}
# A shortcut keeps its target, arguments and working folder in UTF-16.
shortcut_text() {
    tr -d '\0' <"$1"
}
find_shortcut() {
    find "$WINEPREFIX/drive_c" -name 'Corvalane Point-Of-Sale.lnk' -path "*$1*" | head -n 1
}
# The program, installed as STAGE holds it and nothing else (the uninstaller besides).
check_installed() {
    diff <(sums "$1") <(sums "$installed" | grep -v ' \./uninstall\.exe$') >"$scratch/installed.diff" \
        || fail "the installed program is not the one of $1: $(cat "$scratch/installed.diff")"
}
registered() {
    wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
registered_version() {
    registered DisplayVersion
}
uninstall() {
    wine 'C:\Program Files\Corvalane Point-Of-Sale\uninstall.exe' /S >"$scratch/uninstall.log" 2>&1 \
        || fail "the uninstaller failed"
    wineserver -w
    [ ! -e "$installed" ] || fail "left behind: $(cd "$installed" && find . | tr '\n' ' ')"
    [ -z "$(find_shortcut Start\ Menu)" ] || fail "the Start-menu shortcut is still there"
    [ -z "$(find_shortcut Desktop)" ] || fail "the desktop shortcut is still there"
    if wine reg query "$key" >/dev/null 2>&1; then
        fail "the uninstaller is still registered"
    fi
}

# install SETUP_EXE NAME ARGUMENTS...: a silent install, told as NAME, that must succeed.
install() {
    local exe=$1 name=$2
    shift 2
    local started=$SECONDS
    wine "$(windows_path "$exe")" /S "$@" >"$scratch/$name.log" 2>&1 || fail "the $name failed"
    wineserver -w
    echo "the $name took $((SECONDS - started)) s"
}

# 2. A first silent install: each user's own shop folder.
install "$setup" "first install"
check_installed "$stage"
[ -f "$installed/uninstall.exe" ] || fail "no uninstaller"
shortcut=$(find_shortcut 'Start Menu/Programs')
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
shortcut_text "$shortcut" | grep -q -- '--user-shop' || fail "the shortcut does not start the user's shop"
shortcut_text "$shortcut" | grep -qi 'corvalane-pos\.exe' || fail "the shortcut does not start corvalane-pos.exe"
[ -z "$(find_shortcut Desktop)" ] || fail "a desktop shortcut nobody asked for"
[ "$(registered_version)" = "$version" ] || fail "registered as version $(registered_version)"

# Started in its installation folder (a double click in Explorer) or in the Windows folder (where
# Wine starts a program whose start folder it cannot enter), it refuses and writes nothing there.
for folder in "$installed" "$WINEPREFIX/drive_c/windows"; do
    before=$(ls -A "$folder")
    status=0
    (cd "$folder" && WINEQT_QPA_PLATFORM=offscreen wine "$program_exe" >"$scratch/refused.out" 2>"$scratch/refused.err") \
        || status=$?
    [ "$status" -eq 1 ] || fail "started in $folder, the program ended with status $status"
    grep -q 'where a shop.s files do not belong' "$scratch/refused.err" || fail "started in $folder: $(cat "$scratch/refused.err")"
    [ "$(ls -A "$folder")" = "$before" ] || fail "the program wrote into $folder"
done
echo "started in its installation folder or the Windows folder, the program refused and wrote nothing"

start_program "$installed" --user-shop
sell 2
quit_program
shop=$(find "$WINEPREFIX/drive_c/users" -type d -path '*/AppData/Local/corvalane-pos/shop' | head -n 1)
[ -n "$shop" ] || fail "the program made no shop folder under %LOCALAPPDATA%"
[ "$(grep -c . "$shop/sales.txt")" -eq 1 ] || fail "sales.txt does not hold the one sale"
grep -q '"\$9\.00",.*"Cash"' "$shop/sales.txt" || fail "sales.txt: $(cat "$shop/sales.txt")"
[ -s "$shop/reciept.txt" ] || fail "no receipt was written"
echo "one order closed in $shop"
# A file the owner keeps beside the shop's own, too.
printf '"Widget"\r\n' >"$shop/inventory.dat"
sums "$shop" >"$scratch/shop.sha256"
uninstall
diff "$scratch/shop.sha256" <(sums "$shop") >/dev/null || fail "the shop's files changed"
echo "uninstalled; the user's shop folder is as it was"

# 3. The shop's own folder, from the program it used before, and an upgrade.
old_shop=$WINEPREFIX/drive_c/Old\ Shop
mkdir -p "$old_shop"
printf '"Reciept# 01022004093010 Sale Ann","$10.00","$.60","$10.60","Cash"\r\n' >"$old_shop/sales.txt"
printf '"6","1","5"\r\n' >"$old_shop/tax.txt"
printf '"Corner Shop"\r\n' >"$old_shop/Header.txt"
sums "$old_shop" >"$scratch/old-shop.sha256"
install "$old_setup" "install of version 0.0.0" '/SHOP=C:\Old Shop' /DESKTOP
check_installed "$old_stage"
[ "$(registered_version)" = 0.0.0 ] || fail "the older version registered as $(registered_version)"
diff "$scratch/old-shop.sha256" <(sums "$old_shop") >/dev/null || fail "the setup program changed the shop's files"
check_shortcuts() {
    local where file
    for where in 'Start Menu/Programs' Desktop; do
        file=$(find_shortcut "$where")
        [ -n "$file" ] || fail "no shortcut in $where"
        shortcut_text "$file" | grep -qF 'C:\Old Shop' || fail "the shortcut in $where does not start in C:\\Old Shop"
        if shortcut_text "$file" | grep -q -- '--user-shop'; then
            fail "the shortcut in $where starts the user's own shop"
        fi
    done
}
check_shortcuts
start_program "$old_shop"
sell 1
quit_program
[ "$(grep -c . "$old_shop/sales.txt")" -eq 2 ] || fail "the old shop's journal does not hold two sales"
head -n 1 "$old_shop/sales.txt" | grep -q 'Reciept# 01022004093010' || fail "the old shop's first sale went"
sums "$old_shop" >"$scratch/old-shop.sha256"
echo "version 0.0.0 installed onto C:\\Old Shop; a sale made there"

# While the program runs, the newer setup program changes nothing.
start_program "$old_shop"
status=0
wine "$(windows_path "$setup")" /S >"$scratch/busy-setup.log" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "the setup program went on while the program ran"
check_installed "$old_stage"
[ "$(registered_version)" = 0.0.0 ] || fail "a refused upgrade registered version $(registered_version)"
quit_program
echo "while the program ran, the setup program ended with status $status and changed nothing"

install "$setup" upgrade
check_installed "$stage"
[ ! -e "$installed/retired" ] || fail "the upgrade left the folder only version 0.0.0 had"
[ "$(registered_version)" = "$version" ] || fail "the upgrade registered version $(registered_version)"
check_shortcuts
diff "$scratch/old-shop.sha256" <(sums "$old_shop") >/dev/null || fail "the upgrade changed the shop's files"
start_program "$old_shop"
quit_program
uninstall
diff "$scratch/old-shop.sha256" <(sums "$old_shop") >/dev/null || fail "the uninstaller changed the shop's files"
echo "upgraded 0.0.0 on the shop's own folder and uninstalled; the shop is as it was"

# 4. Shop folders the program could not start in are refused: nothing installed, nothing made.
long_folder='C:\Shop'
while [ ${#long_folder} -le 300 ]; do
    long_folder+='\a folder of the shop'
done
printf 'not a folder\r\n' >"$WINEPREFIX/drive_c/Shop File"
for folder in "$long_folder" 'C:\Shop File'; do
    status=0
    wine "$(windows_path "$setup")" /S "/SHOP=$folder" >"$scratch/refused-setup.log" 2>&1 || status=$?
    wineserver -w
    [ "$status" -eq 2 ] || fail "the shop folder ${folder:0:40}... was not refused (status $status)"
    [ ! -e "$installed" ] || fail "refusing ${folder:0:40}..., the setup program installed the program"
done
[ ! -e "$WINEPREFIX/drive_c/Shop" ] || fail "refusing a shop folder, the setup program made part of it"
echo "a shop folder of ${#long_folder} characters, and a file in a folder's place, refused"

# An install into another program folder removes the earlier one, with its own uninstaller.
install "$setup" "install before the move"
# (No blank in it: Wine would quote the argument, and /D= is read unquoted.)
other='C:\OtherPOS'
other_unix=$WINEPREFIX/drive_c/OtherPOS
install "$setup" "install into another folder" "/D=$other"
[ ! -e "$installed" ] || fail "the earlier installation is still there: $(cd "$installed" && find . | tr '\n' ' ')"
diff <(sums "$stage") <(sums "$other_unix" | grep -v ' \./uninstall\.exe$') >/dev/null \
    || fail "the program in $other is not the one of $stage"
[ "$(registered InstallLocation)" = "$other" ] || fail "registered in $(registered InstallLocation)"
[ "$(find "$WINEPREFIX/drive_c" -name 'Corvalane Point-Of-Sale.lnk' | wc -l)" -eq 1 ] || fail "not one shortcut"
shortcut_text "$(find_shortcut 'Start Menu/Programs')" | grep -qF "$other" || fail "the shortcut does not start $other"
# The uninstall entry: the installed size in KB (as Windows' list of programs shows it), the
# publisher's link and the version's parts.
size=$(( $(registered EstimatedSize) ))
actual=$(du -sk --apparent-size "$other_unix" | cut -f1)
[ "$size" -ge $((actual - 64)) ] && [ "$size" -le $((actual + 64)) ] || fail "EstimatedSize $size KB, installed $actual KB"
[ "$(registered URLInfoAbout)" = "mailto:maintainers@corvalane.org" ] || fail "publisher link: $(registered URLInfoAbout)"
[ "$(( $(registered VersionMajor) )).$(( $(registered VersionMinor) ))" = "${version%.*}" ] || fail "the version's parts"
wine "$other\\uninstall.exe" /S >"$scratch/uninstall-other.log" 2>&1 || fail "the uninstaller in $other failed"
wineserver -w
[ ! -e "$other_unix" ] && ! wine reg query "$key" >/dev/null 2>&1 || fail "$other was not uninstalled"
echo "an install into $other removed the earlier one: one copy, one entry ($size KB), one shortcut"

# 5. Signed with a throwaway certificate: the signatures verify, and it installs and runs.
for file in "$signed_setup" "$signed_stage/corvalane-pos.exe"; do
    osslsigncode verify -CAfile "$certificate" -in "$file" >"$scratch/verify.log" 2>&1 \
        || fail "the signature of $(basename "$file") does not verify: $(cat "$scratch/verify.log")"
done
install "$signed_setup" "signed install"
check_installed "$signed_stage"
osslsigncode verify -CAfile "$certificate" -in "$installed/uninstall.exe" >"$scratch/verify.log" 2>&1 \
    || fail "the uninstaller's signature does not verify: $(cat "$scratch/verify.log")"
start_program "$installed" --user-shop
sell 1
quit_program
uninstall
echo "the signed setup program, its program and its uninstaller verify; it installed a program that closed an order"

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
home_listing >"$scratch/home-after.txt"
diff "$scratch/home-before.txt" "$scratch/home-after.txt" >"$scratch/home.diff" \
    || fail "left in the home folder: $(grep '^>' "$scratch/home.diff" | head -n 20 | tr '\n' ' ')"
echo "PASS: $(basename "$setup") installs, refuses its own and the Windows folder and folders the program could not start in, closes orders, upgrades 0.0.0 on the shop's own folder, moves to another folder, is signed, uninstalls, and leaves the shops and the home folder as they were"
