#!/usr/bin/env bash
# Installs the Debian packages that building, testing, the demo and the other make targets
# need, each target only its own.
# Idempotent: packages already present are skipped without touching apt.
set -euo pipefail

# usage: install-deps.sh [SET...]; the sets are build (the default), test, demo, fuzz,
# bench, bench-upload and package. Every set includes what building needs.
build=(
  cmake ninja-build g++ ccache pkg-config libssl-dev libssh-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins libqt6svg6
  libjpeg62-turbo-dev libgif-dev libimagequant-dev libwmf-dev libemf2svg-dev
  gcc-mingw-w64-x86-64 g++-mingw-w64-x86-64
  googletest libgtest-dev libgmock-dev libbenchmark-dev
)
# What the program needs at run time beyond its libraries: fonts for the text stamp and the
# metafiles, Qt's German translations, the icon theme the FTP window takes file-type icons from.
runtime=(fonts-liberation2 fonts-dejavu-core fonts-urw-base35 qt6-translations-l10n adwaita-icon-theme)
test=(
  "${runtime[@]}" clang-format
  python3 python3-pyftpdlib python3-openssl proftpd-core proftpd-mod-crypto openssl
  # pure-ftpd itself is unpacked below (its package conflicts with proftpd's); its libraries
  libsodium23 libcap2 libpam0g libssl3
  chromium chromium-driver
  xvfb x11-apps imagemagick poppler-utils libjpeg-turbo-progs libimage-exiftool-perl
  # install test: the desktop's own validators
  desktop-file-utils appstream shared-mime-info libxml2-utils file man-db
  # a camera card: an exFAT image mounted through FUSE
  exfatprogs exfat-fuse
  # SFTP: the tests start OpenSSH's sshd as their own process (ssh-keygen, ssh-agent and
  # ssh-add from the client package). Without a running init the package's postinst starts
  # no system sshd (invoke-rc.d finds no runlevel); on a machine with one, the service it
  # starts listens on port 22, which the tests never use.
  openssh-server openssh-sftp-server openssh-client
)

packages=("${build[@]}")
e2e=no
pureftpd=no
for set in "${@:-build}"; do
  case "$set" in
    build) ;;
    test) packages+=("${test[@]}"); e2e=yes; pureftpd=yes ;;
    demo) packages+=("${runtime[@]}") ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;              # -DLUMIVISTA_FUZZ=ON
    bench) packages+=("${runtime[@]}" libjpeg-turbo-progs imagemagick libvips-tools bc time lftp) ;;
    bench-upload) packages+=("${runtime[@]}" imagemagick python3 python3-pyftpdlib python3-openssl openssl lftp) ;;
    package) packages+=(dpkg-dev lintian) ;;
    *) echo "install-deps.sh: unknown set $set (build, test, demo, fuzz, bench, bench-upload, package)" >&2
       exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# The machine may carry its own Node.js with npm bundled; Debian's npm conflicts with it.
if [ "$e2e" = yes ] && ! command -v npm >/dev/null 2>&1; then
  for p in nodejs npm; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
fi

install_e2e() {
  # The browser test drives Debian's Chromium through playwright-core from npm.
  [ "$e2e" = yes ] || return 0
  local dir
  dir="$(dirname "$0")/../tests/e2e"
  if [ ! -d "$dir/node_modules/playwright-core" ]; then
    (cd "$dir" && npm ci --no-audit --no-fund --silent)
  fi
}

# pure-ftpd for the tests: Debian's pure-ftpd and proftpd-core both conflict with
# ftp-server, and the package would start a system service. So its .deb is unpacked into
# $BUILD/pure-ftpd (BUILD defaults to build), where the tests start it themselves.
install_pureftpd() {
  [ "$pureftpd" = yes ] || return 0
  local root dest tmp
  root="$(cd "$(dirname "$0")/.." && pwd)"
  dest="${BUILD:-build}"
  case "$dest" in /*) ;; *) dest="$root/$dest" ;; esac
  dest="$dest/pure-ftpd"
  [ -x "$dest/usr/sbin/pure-ftpd" ] && [ -x "$dest/usr/bin/pure-pw" ] && return 0
  tmp="$(mktemp -d)"
  chmod 755 "$tmp" # apt's download user writes there
  if ! (cd "$tmp" && apt-get download -qq pure-ftpd); then
    $sudo apt-get update -qq
    (cd "$tmp" && apt-get download -qq pure-ftpd)
  fi
  mkdir -p "$dest"
  dpkg-deb -x "$tmp"/pure-ftpd_*.deb "$dest"
  rm -rf "$tmp"
}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

if [ ${#missing[@]} -eq 0 ]; then
  install_e2e
  install_pureftpd
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# proftpd asks how to run; answer standalone without prompting.
echo "proftpd-basic shared/proftpd/inetd_or_standalone select standalone" | $sudo debconf-set-selections || true
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
install_e2e
install_pureftpd
