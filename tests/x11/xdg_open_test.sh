#!/usr/bin/env bash
# Checks that an installed Stashwick registers for the stashwick: scheme with xdg-mime and that
# xdg-open 'stashwick://…' reaches the running program.
# Usage (under xvfb-run.sh): xdg_open_test.sh BUILD_DIR         installs the build into a scratch prefix
#                            xdg_open_test.sh --installed PREFIX  an installed tree (an unpacked package's usr/)
set -euo pipefail
tmp=$(mktemp -d)
if [[ "$1" == "--installed" ]]; then
    prefix=$(realpath "$2")
else
    prefix=$tmp/prefix
    cmake --install "$1" --prefix "$prefix" >/dev/null
fi
cleanup() {
    pkill -TERM -f "$prefix/bin/stashwick --instance" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

export XDG_DATA_HOME=$tmp/data XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run
export XDG_DATA_DIRS=$prefix/share:/usr/share
export PATH=$prefix/bin:$PATH
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"

desktop-file-validate "$prefix/share/applications/stashwick.desktop"
xdg-mime default stashwick.desktop x-scheme-handler/stashwick
[[ $(xdg-mime query default x-scheme-handler/stashwick) == stashwick.desktop ]]

[[ $(command -v stashwick) == "$prefix/bin/stashwick" ]]
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
