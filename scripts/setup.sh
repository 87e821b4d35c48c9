#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again: it asks apt
# only when something is missing, and runs 'apt-get update' once at most.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libdvdread-dev libmpv-dev
  # the tools the program drives, and what makes and checks test DVDs
  mencoder ffmpeg dvdauthor lsdvd
  # the help file's compiler
  fp-utils
  # DVD images made from test discs
  genisoimage
  # windows without a screen, fonts for them, screenshots
  xvfb xauth xdotool imagemagick fonts-dejavu-core
  # OpenGL in software (llvmpipe) for the preview's picture where there is no GPU
  libgl1-mesa-dri
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
