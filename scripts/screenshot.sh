#!/usr/bin/env bash
# Starts the desktop program on a bundled example under a virtual X display, takes a
# screenshot, and checks that the film, the red beam-centre mark and a known spot are where the
# geometry puts them at the display's resolution.
#   scripts/screenshot.sh [OUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --screenshot-tools
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target xtalsp >/dev/null
out=$(realpath -m "${1:-build/screenshot.png}")
settings=$(mktemp -d)
# A fresh settings store with a window large enough for the whole 200 x 150 mm film.
mkdir -p "$settings/Xtalspotter Application"
printf '[Settings]\nMainFrmX=0\nMainFrmY=0\nMainFrmCX=1270\nMainFrmCY=1000\n' \
    > "$settings/Xtalspotter Application/Xtalsp.conf"
# The first start writes Default.Spectrum beside the program and says so in a message box;
# let that happen before the picture is taken.
if [ ! -f build/apps/xtalsp/Default.Spectrum ]; then
    XDG_CONFIG_HOME="$settings" timeout 10 xvfb-run -a sh -c \
        "QT_QPA_PLATFORM=xcb build/apps/xtalsp/xtalsp & sleep 3; kill \$! 2>/dev/null || true" || true
fi
XDG_CONFIG_HOME="$settings" xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" sh -c "
    QT_QPA_PLATFORM=xcb build/apps/xtalsp/xtalsp examples/silicon-transmission-001.ptn &
    sleep 5; import -window root '$out'; kill \$! 2>/dev/null || true"
rm -rf "$settings"
python3 scripts/checkscreenshot.py "$out" 96
echo "Screenshot: $out"
