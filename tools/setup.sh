#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the project need.
# Packages already present are left alone; apt is only consulted when something is missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libsqlite3-dev sqlite3 zlib1g-dev libjpeg-dev libpng-dev libtiff-dev libgif-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dev pybind11-dev python3-pytest python3-pil python3-numpy imagemagick
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools libqt6designer6 libgl-dev
  qpdf poppler-utils ghostscript locales
  fonts-dejavu-core fonts-liberation fonts-noto-cjk fonts-urw-base35 fonts-wqy-microhei fonts-wine
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Tests check that numbers are written the same under a locale with a decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "setup: generating the de_DE.UTF-8 locale"
  if [ -f /etc/locale.gen ] && grep -q '^# *de_DE.UTF-8' /etc/locale.gen; then
    sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    locale-gen >/dev/null
  else
    localedef -i de_DE -f UTF-8 de_DE.UTF-8
  fi
fi
