#!/usr/bin/env bash
# Installs the Debian packages the Windows cross-build needs, only those that are
# missing; extra package names may be given as arguments.
set -euo pipefail
# Qt needs the posix-threads compilers.
exec "$(dirname "$0")/../install-deps.sh" --only g++-mingw-w64-x86-64-posix cmake ninja-build make "$@" >&2
