#!/usr/bin/env bash
# Installs Stashwick into a temporary prefix, registers it for the stashwick: scheme with
# xdg-mime, and checks that xdg-open 'stashwick://…' reaches the running program.
# Usage: xdg_open_test.sh BUILD_DIR   (run under xvfb-run.sh)
set -euo pipefail
build=$1
tmp=$(mktemp -d)
cleanup() {
    pkill -TERM -f "$tmp/prefix/bin/stashwick --instance" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
export XDG_DATA_HOME=$tmp/data XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run
export XDG_DATA_DIRS=$tmp/prefix/share:/usr/share
export PATH=$tmp/prefix/bin:$PATH
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"

desktop-file-validate "$tmp/prefix/share/applications/stashwick.desktop"
xdg-mime default stashwick.desktop x-scheme-handler/stashwick
[[ $(xdg-mime query default x-scheme-handler/stashwick) == stashwick.desktop ]]

stashwick 'stashwick://dump'
state=$XDG_DATA_HOME/Stashwick/state.json
grep -q '"mainTab": "slots"' "$state"

xdg-open 'stashwick://show-tab/stats'
for _ in $(seq 200); do
    grep -q '"mainTab": "stats"' "$state" && { echo "xdg-open reached the running program"; exit 0; }
    sleep 0.05
done
echo "xdg-open did not reach the running program" >&2
exit 1
