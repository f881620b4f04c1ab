#!/usr/bin/env bash
# Installs the Debian packages the Windows cross-build needs, only those that are missing.
# Extra package names may be given as arguments.
set -euo pipefail
packages=(
  g++-mingw-w64-x86-64-posix    # Qt needs the posix-threads compilers
  cmake ninja-build make
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
# Waits for another apt run instead of failing on its lock.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
  -o DPkg::Lock::Timeout=600 "${missing[@]}" >&2
