#!/usr/bin/env bash
# Installs what building and testing Tessary needs on Debian 12 / Ubuntu (run as root or with
# sudo).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
  build-essential g++ cmake ninja-build pkg-config \
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl1-mesa-dev \
  libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev \
  clang libclang-rt-14-dev python3 \
  xvfb xauth imagemagick
