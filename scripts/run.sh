#!/usr/bin/env bash
# Builds Stashwick and starts it on the current display. With no display at all it starts
# it on a private virtual display (Xvfb with openbox) and says so, so that the automation
# interface can still be tried. Installs the Debian packages it needs first when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display found: starting Stashwick on a private virtual display (Xvfb + openbox)."
    exec tests/x11/xvfb-run.sh --wm bash -c '
        echo "Virtual display: $DISPLAY. From another terminal, try:"
        echo "  DISPLAY=$DISPLAY build/bin/stashwick stashwick://capture-to-slot/3"
        echo "  cat ${XDG_DATA_HOME:-$HOME/.local/share}/Stashwick/state.json"
        exec build/bin/stashwick'
fi
exec build/bin/stashwick "$@"
