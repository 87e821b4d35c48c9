#!/usr/bin/env bash
# Installs the Debian packages the project needs: by default what builds and runs the
# program (scripts/start.sh); with --tests also the tools the tests use (scripts/test.sh).
# Needs root or sudo. Safe to run again: it asks apt only when something is missing, and
# waits for another apt or dpkg to finish instead of failing on its lock.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libdvdread-dev libmpv-dev
  # the icon's PNG sizes, drawn from its SVG
  librsvg2-bin
  # the .deb (cpack): its library dependencies, file types
  dpkg-dev file
  # the tools the program drives
  mencoder ffmpeg
  # the sample DVD scripts/start.sh opens (spumux, dvdauthor)
  dvdauthor
  # OpenGL in software (llvmpipe) for the preview's picture where there is no GPU
  libgl1-mesa-dri
)
test_packages=(
  # the compiled help file quarnel.chm (Help shows the HTML pages without it)
  fp-utils
  # checks test DVDs against our parser
  lsdvd
  # makes the test DVDs shaped like bought discs (tests/dvds/make-real-dvd.py)
  python3
  # DVD images made from test discs
  genisoimage
  # windows without a screen, fonts for them, screenshots
  xvfb xauth xdotool imagemagick fonts-dejavu-core
  # the installed desktop entry and metainfo are validated
  desktop-file-utils appstream
)

case "${1:-}" in
  --tests) packages+=("${test_packages[@]}") ;;
  "") ;;
  *) echo "usage: setup.sh [--tests]" >&2; exit 2 ;;
esac

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
  apt_opts=(-o DPkg::Lock::Timeout=600)
  "${sudo_cmd[@]}" apt-get "${apt_opts[@]}" update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi
