#!/usr/bin/env bash
# make windows: BriskHx7730.exe and brisk.exe cross-built with MinGW-w64 against the
# Windows Qt of qt.sh, laid out as a portable folder, packed as a zip and wrapped in
# an installer. Everything lands in BUILD (default build-win):
#   brisk-hx7730-VERSION-win64/            the program folder
#   brisk-hx7730-VERSION-win64.zip         the same folder, packed
#   brisk-hx7730-VERSION-win64-setup.exe   the installer (NSIS)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(mkdir -p "${1:-$root/build-win}" && cd "${1:-$root/build-win}" && pwd)

# lrelease builds the Japanese texts; Qt's own Japanese comes from the Linux package.
"$here/install-deps.sh" libz-mingw-w64-dev nsis zip qt6-l10n-tools qt6-translations-l10n
qt=$("$here/qt.sh" | tail -1)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
      -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build"

version=$(sed -n 's/^project(Brisk VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name=brisk-hx7730-$version-win64
rm -rf "${build:?}/$name" "$build/$name.zip" "$build/$name-setup.exe"
cmake --install "$build" --prefix "$build/$name" >/dev/null
(cd "$build" && zip -qr "$name.zip" "$name")
makensis -V2 -DVERSION="$version" -DSOURCE="$build/$name" -DICON="$root/data/windows/brisk.ico" \
         -DOUTFILE="$build/$name-setup.exe" "$root/data/windows/brisk.nsi"
ls -l "$build/$name.zip" "$build/$name-setup.exe"
