#!/usr/bin/env bash
# The program builds on Windows too: POSIX-only headers may be included only by the platform
# and file layers, and there only in a file of the POSIX half (*_unix.cpp, which Windows does
# not build) or inside a branch that Windows does not take.
# Usage: check_posix_headers.sh SOURCE_DIR
set -euo pipefail
cd "$1"

posix='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(unistd\.h|fcntl\.h|sys/[a-z_]+\.h|pthread\.h|dlfcn\.h|dirent\.h|termios\.h|poll\.h|signal\.h|csignal|pwd\.h|grp\.h|syslog\.h|spawn\.h)>'
status=0
while IFS= read -r file; do
    case $file in
        src/core/storage/*_unix.cpp) allowed=2 ;;
        src/platform/*|src/core/storage/file_io.cpp|src/core/storage/fault_points.cpp) allowed=1 ;;
        *) allowed=0 ;;
    esac
    # Inside an #ifdef Q_OS_WIN / #else ... #endif or #ifndef Q_OS_WIN ... block the include
    # is on the non-Windows side.
    awk -v allowed="$allowed" -v file="$file" -v pattern="$posix" '
        /^[[:space:]]*#[[:space:]]*if/ {
            depth++
            posixSide[depth] = ($0 ~ /ifndef[[:space:]]+Q_OS_WIN|!defined\(Q_OS_WIN\)|Q_OS_UNIX|Q_OS_LINUX/)
            winSide[depth] = ($0 ~ /ifdef[[:space:]]+Q_OS_WIN|defined\(Q_OS_WIN\)/) && !posixSide[depth]
        }
        /^[[:space:]]*#[[:space:]]*else/ { if (winSide[depth]) { winSide[depth] = 0; posixSide[depth] = 1 } }
        /^[[:space:]]*#[[:space:]]*endif/ { posixSide[depth] = 0; winSide[depth] = 0; depth-- }
        $0 ~ pattern {
            guarded = 0
            for (d = 1; d <= depth; d++) if (posixSide[d]) guarded = 1
            if (!allowed) { printf "%s:%d: POSIX-only header outside the platform and file layers: %s\n", file, NR, $0; bad = 1 }
            else if (allowed == 1 && !guarded) { printf "%s:%d: POSIX-only header not behind a Windows branch: %s\n", file, NR, $0; bad = 1 }
        }
        END { exit bad }
    ' "$file" || status=1
done < <(find src -name '*.cpp' -o -name '*.h' | sort)

[ "$status" -eq 0 ] && echo "PASS: POSIX-only headers are confined to the platform and file layers"
exit "$status"
