#!/usr/bin/env bash
# Builds everything and runs every test. Warnings stop the build under CI (CI=true) only.
#   scripts/test.sh              optimised (Release) build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UBSan build in build-asan/
#   scripts/test.sh --no-gui     core, render, command-line tool and their tests without Qt,
#                                in build-nogui/
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
extra=(-DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=build-asan
    extra=(-DXTALSP_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
elif [ "${1:-}" = "--no-gui" ]; then
    build_dir=build-nogui
    extra=(-DXTALSP_BUILD_GUI=OFF)
fi

jobs=$(nproc 2>/dev/null || echo 2)
werror=OFF
if [ "${CI:-}" = true ]; then werror=ON; fi
cmake -S . -B "$build_dir" -G Ninja -DXTALSP_WERROR="$werror" -DXTALSP_BUILD_BENCHMARKS=ON "${extra[@]}"
cmake --build "$build_dir" -j "$jobs"
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
