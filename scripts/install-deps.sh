#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and a comma-decimal locale for the
# locale tests. Idempotent: does nothing when everything is present. Needs root (or sudo) only
# when something is missing.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev locales clang-format
          qt6-base-dev qt6-svg-dev fonts-liberation fonts-dejavu-core
          gemmi-dev tao-pegtl-dev libstb-dev libxrl-dev pkg-config)
# Detector images and their settings files.
packages+=(libtiff-dev libcbf-dev nlohmann-json3-dev)
# Least-squares refinement of orientations.
packages+=(libeigen3-dev)
# The screenshot check of the desktop program (scripts/screenshot.sh) also needs a virtual
# display and ImageMagick.
if [ "${1:-}" = "--screenshot-tools" ]; then
    packages+=(xvfb xauth imagemagick)
fi

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The file round trips are tested under a German locale, where printf would write "5,4305".
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "Generating the de_DE.UTF-8 locale"
    as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen
fi
