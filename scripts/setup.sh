#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need, when missing.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev libgl-dev
    libjpeg62-turbo-dev libarchive-dev libgtest-dev libgmock-dev libbenchmark-dev
    qt6-svg-dev qt6-l10n-tools
    fonts-ipafont-gothic xvfb xauth xdotool x11-utils desktop-file-utils
    librsvg2-bin appstream shared-mime-info libxml2-utils dpkg-dev file
    clang libclang-rt-14-dev
    libpng-dev libgif-dev libtiff-dev libwebp-dev libheif-dev libjxl-dev libexif-dev
    python3-pil libheif-examples libjxl-tools imagemagick
    libraw-dev libraw-bin p7zip-full
    stress-ng
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends \
        "${missing[@]}"
fi
