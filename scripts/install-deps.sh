#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, when any is missing. Uses sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl1.2-dev libsdl-mixer1.2-dev libsdl-net1.2-dev libsdl-image1.2-dev libsdl-gfx1.2-dev
  libtinyxml-dev libucl-dev zlib1g-dev libpng-dev libvorbis-dev vorbis-tools librsvg2-bin sox
  libfreetype-dev fonts-dejavu-core libsdl-ttf2.0-dev
  libgl-dev mesa-utils libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev python3
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick xdg-utils libxml2-utils
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
