#!/usr/bin/env bash
# Installs the Debian packages the program needs to build, run and test.
# Quick when everything is already there.
set -euo pipefail

PACKAGES=(
  qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n
  cmake ninja-build g++ pkg-config
  fonts-arphic-uming fonts-noto-cjk
  fonts-hanazono fonts-symbola
  libxlsxwriter-dev libquazip1-qt6-dev libgsf-1-dev libsqlite3-dev
  xvfb xauth poppler-utils
  dpkg-dev file fonts-dejavu-core fonts-hack
  cups printer-driver-cups-pdf cups-filters libcups2-dev
  qt6-image-formats-plugins
  postgresql libqt6sql6-psql libpq-dev
  libxml2-dev
  libzint-dev zxing-cpp-tools
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
