#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs everything Quillary needs to build, run and test on Debian 12.
# Works as root or through sudo; safe to run again.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PKGS=(
  build-essential cmake ninja-build pkg-config
  clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6dbus6 qt6-qpa-plugins
  libgl-dev
  libgtest-dev libbenchmark-dev
  zlib1g-dev
  tzdata
  dbus dbus-x11
  libpalm-perl netpbm python3 python3-pil imagemagick
  fonts-dejavu-core poppler-utils
  xvfb xauth at-spi2-core python3-pyatspi
  cups-daemon cups-client cups-core-drivers
  dpkg-dev desktop-file-utils appstream shared-mime-info libglib2.0-bin man-db bsdextrautils
  lintian
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
