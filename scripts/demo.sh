#!/usr/bin/env bash
# Brisk without a radio: a demo folder with a demo boot loader, ADJUST files and a
# USER image (generated, not real firmware), the simulated radio mapped to COM1,
# and the window opened on it.
#
#   scripts/demo.sh [BUILD]              prepare the demo and open the window
#   scripts/demo.sh mode firmware|normal switch the simulated radio (second terminal)
#   scripts/demo.sh terminal [BUILD]     the same demo with `brisk` in the terminal
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)

demo_dir() { echo "$(cd "${1:-build}" && pwd)/demo"; }

# --- the simulated radio -----------------------------------------------------

stop_sim() {
    local demo=$1
    if [[ -f $demo/sim.pid ]]; then
        local pid
        pid=$(cat "$demo/sim.pid")
        kill "$pid" 2>/dev/null || true
        while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
        rm -f "$demo/sim.pid"
    fi
}

start_sim() {
    local demo=$1 mode=$2
    stop_sim "$demo"
    # brisk sim links only a free path; a link left by a sim that was killed is the demo's own.
    if [[ -L $demo/radio ]]; then rm -f "$demo/radio"; fi
    "$demo/brisk" sim --link "$demo/radio" --mode "$mode" --baud "${BRISK_DEMO_BAUD:-0}" \
        >"$demo/sim.log" 2>&1 &
    echo $! >"$demo/sim.pid"
    echo "$mode" >"$demo/sim.mode"
    for _ in $(seq 50); do
        [[ -e $demo/radio ]] && break
        sleep 0.1
    done
    [[ -e $demo/radio ]] || { cat "$demo/sim.log" >&2; echo "the simulated radio did not start" >&2; exit 1; }
    echo "Simulated radio in $mode mode on $(readlink "$demo/radio") (COM1)."
}

# --- the demo folder ----------------------------------------------------------

# A 256 KB image as S2 records of 16 bytes, made by srec_cat from a generated binary.
make_image() {
    local text=$1 out=$2 bin
    bin=$(mktemp)
    srec_cat -generate 0 0x40000 -repeat-string "$text " -o "$bin" -binary
    srec_cat "$bin" -binary -o "$out" -address-length=3 -line-length=46 -header "DEMO"
    rm -f "$bin"
}

prepare() {
    local build=$1 demo=$2
    mkdir -p "$demo/ADJ" "$demo/config"
    cp -f "$build/bin/BriskHx7730" "$build/bin/brisk" "$demo/"
    rm -rf "$demo/HELP" && cp -r "$build/bin/HELP" "$demo/HELP"
    if [[ ! -f $demo/7730F.REL ]]; then
        # A 2 KB demo loader: the simulated radio takes any loader.
        local bin
        bin=$(mktemp)
        srec_cat -generate 0 0x800 -repeat-string "DEMO LOADER " -o "$bin" -binary
        srec_cat "$bin" -binary -o "$demo/7730F.REL" -address-length=3 -line-length=46 -header "DEMO"
        rm -f "$bin"
        make_image "DEMO ADJUST K" "$demo/ADJ/FPU.D3T"
        make_image "DEMO ADJUST J(S)" "$demo/ADJ/FPU_SJ.D3T"
        make_image "DEMO ADJUST J(V)" "$demo/ADJ/FPU_VJ.D3T"
        make_image "DEMO USER FIRMWARE" "$demo/USER.mot"
    fi
    # COM1 is the simulated radio; the user's own port mapping stays untouched.
    printf '[Ports]\nCOM1=%s\n' "$demo/radio" >"$demo/config/BriskHx7730.conf"
}

# --- the two faces --------------------------------------------------------------

run_window() {
    local demo=$1
    start_sim "$demo" normal
    cat <<TEXT

The window opens on the demo folder $demo.
  Settings read/write: the simulated radio is in normal mode now.
  Firmware write:      in a second terminal run
                           $here/scripts/demo.sh mode firmware
                       then choose USER FIRMWARE WRITE ($demo/USER.mot)
                       or ADJUST FIRMWARE WRITE.
  Back to settings:    $here/scripts/demo.sh mode normal
TEXT
    trap 'stop_sim "$demo"' EXIT
    XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data" "$demo/BriskHx7730"
}

run_terminal() {
    local demo=$1
    local brisk=("$demo/brisk")
    export XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/data"
    trap 'stop_sim "$demo"' EXIT
    echo "No display: the same demo with brisk in the terminal."
    start_sim "$demo" normal
    echo; echo "== brisk type"
    local said type
    said=$("${brisk[@]}" type --port COM1)
    echo "$said"
    type=$(sed -n 's/^Type //p' <<<"$said")
    echo; echo "== brisk read $demo/settings.csv"
    "${brisk[@]}" read "$demo/settings.csv" --port COM1
    echo; echo "== brisk write $demo/settings.csv"
    "${brisk[@]}" write "$demo/settings.csv" --port COM1
    echo
    start_sim "$demo" firmware
    echo; echo "== brisk flash user $demo/USER.mot"
    "${brisk[@]}" flash user "$demo/USER.mot" --boot "$demo/7730F.REL" --port COM1
    start_sim "$demo" firmware
    # The ADJUST file follows the type the radio said while it ran normally.
    echo; echo "== brisk flash adjust --type \"$type\""
    "${brisk[@]}" flash adjust --type "$type" --boot "$demo/7730F.REL" --adj-dir "$demo/ADJ" --port COM1
    echo; echo "== brisk log"
    "${brisk[@]}" log
    echo; echo "Demo done. Files: $demo"
}

case "${1:-}" in
mode)
    [[ ${2:-} == firmware || ${2:-} == normal ]] || { echo "usage: $0 mode firmware|normal [BUILD]" >&2; exit 2; }
    demo=$(demo_dir "${3:-$here/build}")
    [[ -f $demo/sim.pid ]] || { echo "no demo is running in $demo" >&2; exit 1; }
    start_sim "$demo" "$2"
    # The demo's own trap stops whichever radio runs when the window closes.
    ;;
terminal)
    build=${2:-build}
    demo=$(demo_dir "$build")
    prepare "$build" "$demo"
    run_terminal "$demo"
    ;;
*)
    build=${1:-build}
    demo=$(demo_dir "$build")
    prepare "$build" "$demo"
    if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
        run_terminal "$demo"
    else
        run_window "$demo"
    fi
    ;;
esac
