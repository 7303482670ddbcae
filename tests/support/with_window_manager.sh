#!/usr/bin/env bash
# Runs a test program on a real X server with a window manager, as a clerk's desktop has one:
# a private Xvfb and openbox, which hands the focus back as windows close, for a test that
# asks where the focus goes. Exits 77 (skipped) when either is missing.
#   with_window_manager.sh PROGRAM [ARGUMENT...]
set -uo pipefail

for tool in Xvfb openbox xprop; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed (packages xvfb, openbox, x11-utils)"; exit 77; }
done
scratch=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
[ -s "$scratch/display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$scratch/display")
# openbox's own settings and cache go to the scratch folder, not the user's home.
HOME=$scratch XDG_CONFIG_HOME=$scratch XDG_CACHE_HOME=$scratch openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is there once it has named itself on the root window.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' \
    || { echo "FAIL: openbox did not start: $(cat "$scratch/openbox.log")" >&2; exit 1; }
QT_QPA_PLATFORM=xcb "$@"
