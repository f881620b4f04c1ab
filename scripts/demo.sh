#!/usr/bin/env bash
# The program's main job on its embedded default: a generated demo image checked by brisk.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
demo=demo
mkdir -p "$demo"
# A demo firmware image: 256 KB of pattern bytes as S2 records.
head -c 262144 /dev/urandom > "$demo/image.bin"
srec_cat "$demo/image.bin" -binary -o "$demo/USER.mot" -address-length=3 -line-length=46 -header DEMO
"$bin/brisk" check "$demo/USER.mot"
