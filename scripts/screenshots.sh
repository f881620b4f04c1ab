#!/usr/bin/env bash
# The window in its states, English and Japanese, on a virtual X screen:
# PNGs in BUILD/screenshots/.
set -euo pipefail
build=${1:-build}
out="$build/screenshots"
mkdir -p "$out"
cmake --build "$build" --target brisk_screenshots >/dev/null
tool=$(find "$build" -name brisk_screenshots -type f -perm -u+x | head -1)
shoot() {
    xvfb-run -a -s "-screen 0 1280x800x24" env -u LANGUAGE QT_QPA_PLATFORM=xcb "$@" "$tool" "$out"
}
shoot LC_ALL=C.UTF-8
shoot LC_ALL=ja_JP.UTF-8
# Large fonts: the layout must hold when the desktop scales its text.
shoot LC_ALL=C.UTF-8 QT_FONT_DPI=144 BRISK_SHOT_SUFFIX=-large
