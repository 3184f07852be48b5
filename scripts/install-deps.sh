#!/usr/bin/env bash
# Installs the Debian packages kiritori needs to build, run and test.
# Idempotent and non-interactive: it asks apt only for what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev libgl-dev libxcb1-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libfreetype-dev libfontconfig-dev fontconfig fonts-ipafont-gothic
  libgtest-dev
  xvfb xauth xdotool xclip imagemagick python3-pil desktop-file-utils openbox x11-utils
  clang-14 libclang-rt-14-dev clang-tidy
  dpkg-dev appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
