#!/usr/bin/env bash
# Installs every Debian package that building, testing and the demo need.
# Idempotent: packages already present are skipped without touching apt.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ ccache pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins libqt6svg6
  libjpeg62-turbo-dev libgif-dev libimagequant-dev libwmf-dev libemf2svg-dev
  fonts-liberation2 fonts-dejavu-core fonts-urw-base35 qt6-translations-l10n
  gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev   # picture fuzz targets (-DLUMIVISTA_FUZZ=ON)
  # tests and demo
  python3 python3-pyftpdlib proftpd-core proftpd-mod-crypto openssl
  chromium chromium-driver
  xvfb x11-apps imagemagick poppler-utils libjpeg-turbo-progs libimage-exiftool-perl
  # install test: the desktop's own validators
  desktop-file-utils appstream shared-mime-info libxml2-utils file man-db
)

# `install-deps.sh package`: what `make package` needs to build and check the .deb.
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev lintian)
fi

# `install-deps.sh bench`: also the peers the benchmark measures against.
if [ "${1:-}" = bench ]; then
  packages+=(libvips-tools bc time)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# The machine may carry its own Node.js with npm bundled; Debian's npm conflicts with it.
if ! command -v npm >/dev/null 2>&1; then
  for p in nodejs npm; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
fi

install_e2e() {
  # The browser test drives Debian's Chromium through playwright-core from npm.
  local e2e
  e2e="$(dirname "$0")/../tests/e2e"
  if [ ! -d "$e2e/node_modules/playwright-core" ]; then
    (cd "$e2e" && npm ci --no-audit --no-fund --silent)
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  install_e2e
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# proftpd asks how to run; answer standalone without prompting.
echo "proftpd-basic shared/proftpd/inetd_or_standalone select standalone" | $sudo debconf-set-selections || true
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
install_e2e
