#!/usr/bin/env bash
# make bench-windows: a settings read and a USER firmware write by brisk.exe under Wine
# against the simulated radio at 9600 baud (the Linux build's, on a pseudo-terminal
# mapped as COM1): wall time against the line's bound, the bytes on the wire (from the
# run's service record) times 10 bits over 9600 baud, and the CPU the run took.
#   scripts/windows/bench.sh [LINUX_BUILD [WINDOWS_BUILD]]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
linux=$(cd "${1:-$root/build}" && pwd)
win=${2:-$root/build-win}
"$here/install-deps.sh" wine64 srecord
"$here/build.sh" "$win" >/dev/null
version=$(sed -n 's/^project(Brisk VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
program=$win/brisk-hx7730-$version-win64

work=$(mktemp -d /tmp/brisk-bench.XXXXXX)
sim=""
trap '[ -n "$sim" ] && kill $sim 2>/dev/null; WINEPREFIX=$work/prefix wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot -i >/dev/null 2>&1
wineserver -w

start_sim() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    rm -f "$work/radio"
    "$linux/bin/brisk" sim --link "$work/radio" --baud 9600 "$@" >/dev/null 2>&1 &
    sim=$!
    for _ in $(seq 50); do [ -e "$work/radio" ] && break; sleep 0.1; done
    wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$(readlink -f "$work/radio")" /f >/dev/null 2>&1
    wineserver -k
    # The Wine server starts before the clock does.
    wine cmd /c exit >/dev/null 2>&1
}

measure() { # measure WHAT ARGS...: one brisk.exe run, timed
    local what=$1
    shift
    local start end
    start=$(date +%s.%N)
    /usr/bin/time -f "%U %S" -o "$work/cpu" wine "$program/brisk.exe" "$@" -q >"$work/out" 2>&1
    end=$(date +%s.%N)
    local wire
    wire=$(tail -1 "$work/prefix/drive_c/users/$(id -un)/AppData/Local/BriskHx7730/service-log.jsonl" |
        sed -n 's/.*"wireBytes":\([0-9]*\).*/\1/p')
    awk -v what="$what" -v s="$start" -v e="$end" -v w="$wire" -v cpu="$(cat "$work/cpu")" 'BEGIN {
        split(cpu, c, " "); wall = e - s; bound = w * 10 / 9600
        printf "%-26s %8d bytes  wall %7.2f s  bound %7.2f s  +%.2f %%  CPU %.2f s (%.2f %% of wall)\n",
               what, w, wall, bound, (wall / bound - 1) * 100, c[1] + c[2], (c[1] + c[2]) / wall * 100 }'
    tail -1 "$work/out" | tr -d '\r' | grep -qx Success || { cat "$work/out"; exit 1; }
}

srec_cat -generate 0 0x40000 -repeat-string "BENCH FIRMWARE " -o "$work/image.bin" -binary
srec_cat "$work/image.bin" -binary -o "$work/user.mot" -address-length=3 -line-length=46 -header BENCH
srec_cat -generate 0 0x800 -repeat-string "BENCH LOADER " -o "$work/loader.bin" -binary
srec_cat "$work/loader.bin" -binary -o "$work/7730F.REL" -address-length=3 -line-length=46 -header BENCH

echo "brisk.exe under $(wine --version), simulated radio at 9600 baud"
start_sim --mode normal
measure "settings read" read "Z:${work//\//\\}\\read.csv"
start_sim --mode firmware
measure "USER firmware write" flash user "Z:${work//\//\\}\\user.mot" --boot "Z:${work//\//\\}\\7730F.REL"
