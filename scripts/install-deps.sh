#!/usr/bin/env bash
# Installs the Debian packages Brisk needs, only those that are missing; packages
# named as arguments too. With --only, just the packages named.
set -euo pipefail
if [ "${1:-}" = --only ]; then
  shift
  packages=("$@")
else
  packages=(
  qt6-base-dev libqt6sql6-sqlite qt6-serialport-dev cmake g++ make
  libsqlite3-dev                # the import binds rows through SQLite itself
  fonts-ipafont-gothic          # Japanese texts on screen
  srecord binutils              # independent S-record tools for the cross-checks
  zlib1g-dev                    # CRC-32 of `brisk check`
  libarchive-zip-perl           # crc32, the independent tool the fingerprint test compares with
  xvfb xauth imagemagick        # screenshots of the window
  qt6-translations-l10n         # Qt's own buttons and file dialogs in Japanese
  qt6-l10n-tools                # lrelease builds Brisk's Japanese texts; lupdate checks them
  dpkg-dev file                 # make package: dependencies from the binaries (dpkg-shlibdeps)
  desktop-file-utils appstream lintian  # validators of the package and its desktop files
  util-linux                    # setpriv: the package test runs the window as an unprivileged user
  "$@"
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
# Waits for another apt run instead of failing on its lock.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
  -o DPkg::Lock::Timeout=600 "${missing[@]}"
