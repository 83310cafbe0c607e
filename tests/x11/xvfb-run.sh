#!/usr/bin/env bash
# Runs a command on a private Xvfb display (picked by Xvfb itself with -displayfd), with
# openbox as window manager when --wm is given, and tears everything down afterwards.
# Usage: xvfb-run.sh [--wm] command [args...]
set -euo pipefail

wm=0
if [[ "${1:-}" == "--wm" ]]; then
    wm=1
    shift
fi

tmp=$(mktemp -d)
xvfb_pid=""
wm_pid=""
cleanup() {
    [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

mkfifo "$tmp/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$tmp/displayfd" \
    2>"$tmp/xvfb.log" &
xvfb_pid=$!
display=""
if ! read -r -t 20 display <"$tmp/displayfd" || [[ -z "$display" ]]; then
    echo "xvfb-run.sh: Xvfb did not start" >&2
    cat "$tmp/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

if ((wm)); then
    openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
    wm_pid=$!
    # openbox sets _NET_SUPPORTING_WM_CHECK on the root window once it manages the screen.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
fi

"$@"
