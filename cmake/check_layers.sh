#!/usr/bin/env bash
# Each library of the program includes only its own headers and those of the libraries below
# it: in the core, storage < formats < journal < order and report (and backup); then platform;
# then one library per window, which includes no other window; app on top. A file that
# includes upward, or a new folder this script does not know, fails the build.
# Usage: check_layers.sh SOURCE_DIR (the build runs it: src/CMakeLists.txt)
set -euo pipefail
cd "$1/src"

# The folders a file of the given folder may include from.
allowed() {
    case $1 in
        core/storage) echo "core/storage" ;;
        core/formats) echo "core/storage core/formats" ;;
        core/journal) echo "core/storage core/formats core/journal" ;;
        core/order) echo "core/storage core/formats core/journal core/order" ;;
        core/report) echo "core/storage core/formats core/report" ;;
        core/backup) echo "core/storage core/formats core/journal core/backup" ;;
        core/*) return 1 ;;
        platform) echo "core platform" ;;
        app) echo "any" ;;
        *) echo "core platform $1" ;;
    esac
}

status=0
while IFS= read -r file; do
    folder=$(dirname "$file")
    if ! rooms=$(allowed "$folder"); then
        echo "$file: the folder $folder is not one of the core's rooms known to check_layers.sh" >&2
        status=1
        continue
    fi
    [ "$rooms" = any ] && continue
    while IFS=: read -r line included; do
        ok=0
        for room in $rooms; do
            case $included in "$room"/*) ok=1 ;; esac
        done
        if [ "$ok" -eq 0 ]; then
            echo "$file:$line: includes \"$included\", above or beside its own library" >&2
            status=1
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*/' "$file" \
             | sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/' || true)
done < <(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort)

[ "$status" -eq 0 ] && echo "PASS: every library includes only itself and the libraries below it"
exit "$status"
