#!/usr/bin/env bash
# Installs what building and testing Tessary needs on Debian 12 / Ubuntu. Run it as root, or as
# a user who may use sudo: it then runs itself again through sudo.
set -euo pipefail
if [ "$(id -u)" != 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps.sh: installing packages needs root; run this as root or install sudo" >&2
    exit 1
  fi
  exec sudo -- "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
# libpng-dev, libgif-dev, nlohmann-json3-dev: PNG pictures, GIF animations and JSON files;
# xvfb, xauth: a display for the window where there is none (xvfb-run); imagemagick: an outside reader
# the tests check written images with; clang, libclang-rt: the fuzz targets; llvm: its
# llvm-symbolizer names functions and lines in sanitizer and fuzz reports; pulseaudio,
# pulseaudio-utils: the sound test's own audio server and the recorder that listens to it;
# groff-base: the man pages' check renders them.
apt-get install -y --no-install-recommends \
  build-essential g++ cmake ninja-build pkg-config \
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl1-mesa-dev \
  libcli11-dev libgtest-dev libbenchmark-dev \
  libpng-dev libgif-dev nlohmann-json3-dev \
  clang libclang-rt-14-dev llvm clang-format \
  xvfb xauth imagemagick \
  pulseaudio pulseaudio-utils \
  groff-base
