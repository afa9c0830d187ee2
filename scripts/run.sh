#!/usr/bin/env bash
# Builds the program and runs it on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target xtalsp-cli
build/apps/xtalsp-cli/xtalsp-cli pattern examples/silicon-transmission-001.ptn
