#!/usr/bin/env bash
# Builds the program and starts it on the bundled silicon example. Without a display it lists
# the same pattern with the command-line tool instead.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target xtalsp xtalsp-cli
example=examples/silicon-transmission-001.ptn
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/apps/xtalsp/xtalsp "$example"
fi
echo "No display: listing $example with xtalsp-cli instead of opening the window." >&2
exec build/apps/xtalsp-cli/xtalsp-cli pattern "$example"
