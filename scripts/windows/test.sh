#!/usr/bin/env bash
# make test-windows: the Windows build under Wine, against the simulated radio of the
# Linux build on a pseudo-terminal that Wine maps as COM1.
#   - the Qt Test suites that need no pseudo-terminal, cross-built;
#   - brisk.exe: type, read, write --verify, flash user (the radio's memory equal to
#     srec_cat's reading of the file), a write stopped by Ctrl-C;
#   - the installer, silent; the installed window under Xvfb, run by a user who may not
#     write the program folder, with its working database in %LOCALAPPDATA%; its
#     screenshots; the uninstaller.
#   scripts/windows/test.sh [LINUX_BUILD [WINDOWS_BUILD]]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
linux=$(cd "${1:-$root/build}" && pwd)
win=${2:-$root/build-win}

"$here/install-deps.sh" wine64 fonts-wine xvfb xauth x11-utils imagemagick srecord util-linux
"$here/build.sh" "$win" >/dev/null
qt=$("$here/qt.sh" | tail -1)
version=$(sed -n 's/^project(Brisk VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name=brisk-hx7730-$version-win64
program=$win/$name
shots=$win/screenshots
mkdir -p "$shots"

work=$(mktemp -d /tmp/brisk-wine.XXXXXX)
chmod 755 "$work"
sim_pid=""
xvfb_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    WINEPREFIX=$work/root wineserver -k 2>/dev/null || true
    WINEPREFIX=$work/user as_user wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
pass() { echo "ok    $*"; }
fail() { echo "FAIL  $*"; failures=$((failures + 1)); }
check() { # check NAME COMMAND...: passes when the command does
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The unprivileged user the window runs as: nobody may write the installed program folder.
user_id=65534
as_user() { setpriv --reuid=$user_id --regid=$user_id --clear-groups env HOME="$work/home" "$@"; }

# A Wine prefix of its own; Qt's variables reach a Windows program only through its registry.
make_prefix() { # make_prefix PREFIX [as_user]
    local prefix=$1 run=${2:-}
    WINEPREFIX=$prefix $run wine wineboot -i >/dev/null 2>&1
    for setting in "QT_FORCE_STDERR_LOGGING=1" "QT_QPA_FONTDIR=Z:\\usr\\share\\wine\\fonts"; do
        WINEPREFIX=$prefix $run wine reg add 'HKCU\Environment' /v "${setting%%=*}" /d "${setting#*=}" /f >/dev/null 2>&1
    done
    WINEPREFIX=$prefix $run wineserver -w
}

# COM1 of the prefix is the simulated radio's pty.
map_com1() { # map_com1 PREFIX DEVICE [as_user]
    WINEPREFIX=$1 ${3:-} wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$2" /f >/dev/null 2>&1
    WINEPREFIX=$1 ${3:-} wineserver -k
}

start_sim() { # start_sim ARGS...: the simulated radio on $work/radio
    stop_sim
    rm -f "$work/radio"
    "$linux/bin/brisk" sim --link "$work/radio" "$@" >"$work/sim.log" 2>&1 &
    sim_pid=$!
    for _ in $(seq 50); do [ -e "$work/radio" ] && break; sleep 0.1; done
    chmod 666 "$(readlink -f "$work/radio")"
    map_com1 "$work/root" "$(readlink -f "$work/radio")"
}
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=""
    fi
}

brisk() { WINEPREFIX=$work/root wine "$program/brisk.exe" "$@"; }
# says LINE ARGS...: brisk.exe run with ARGS ends with LINE.
says() {
    local line=$1
    shift
    # A console program's lines end in CR LF.
    brisk "$@" 2>/dev/null | tr -d '\r' >"$work/says.out"
    [ "$(tail -1 "$work/says.out")" = "$line" ] || { cat "$work/says.out"; return 1; }
}
winpath() { echo "Z:${1//\//\\}"; }
# A picture once the main window (its title the part number) is on the screen.
screenshot() {
    for _ in $(seq 300); do
        DISPLAY=:77 xwininfo -root -tree 2>/dev/null | grep -q '"Q41-2290-07"' && break
        sleep 0.1
    done
    DISPLAY=:77 xwininfo -root -tree | grep -q '"Q41-2290-07"' && DISPLAY=:77 import -window root "$1"
}

echo "== Wine prefixes"
make_prefix "$work/root"
mkdir -p "$work/home"
chown $user_id:$user_id "$work/home"
mkdir -p "$work/user" && chown $user_id:$user_id "$work/user"
make_prefix "$work/user" as_user

echo "== Qt Test suites without a pseudo-terminal"
runtime="$qt/bin;$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)");/usr/x86_64-w64-mingw32/lib"
suite() { # suite EXE: a Qt Test suite passes under Wine
    WINEPREFIX=$work/root WINEPATH=$runtime wine "$1" >"$work/suite.log" 2>&1 ||
        { tr -d '\r' <"$work/suite.log" | grep -E "^(FAIL|Totals)"; return 1; }
}
for exe in "$win"/bin/tst_*.exe; do
    check "$(basename "$exe" .exe)" suite "$exe"
done

echo "== brisk.exe against the simulated radio"
start_sim --mode normal
check "type" says "Success" type
check "type names the radio's type" grep -qx "Type K" "$work/says.out"
read_csv=$(winpath "$work/read.csv")
check "read" says "Success" read "$read_csv" -q
check "read saved every channel" test "$(grep -c '^MR,' "$work/read.csv")" -ge 600
check "write --verify" says "Success" write "$read_csv" --verify -q

# Ctrl-C while a write runs at the radio's rate: stopped at the next poll and recorded.
start_sim --mode normal --baud 9600
brisk write "$read_csv" >"$work/stop.out" 2>"$work/stop.err" &
writer=$!
for _ in $(seq 300); do grep -q "Writing" "$work/stop.err" 2>/dev/null && break; sleep 0.1; done
pkill -INT -f "brisk.exe write" || true
set +e
wait $writer
code=$?
set -e
check "a write stopped by Ctrl-C exits 130" test "$code" -eq 130
check "and says what the radio may hold" grep -q "^Stopped: at the operator's request" "$work/stop.out"
log=$work/root/drive_c/users/$(id -un)/AppData/Local/BriskHx7730/service-log.jsonl
check "and is recorded as stopped" bash -c "tail -1 '$log' | grep -q '\"result\":\"stopped\"'"

# A generated image and loader, written by the USER firmware write, read back from the
# radio's memory and compared with srec_cat's own reading of the file.
srec_cat -generate 0 0x40000 -repeat-string "WINE USER FIRMWARE " -o "$work/image.bin" -binary
srec_cat "$work/image.bin" -binary -o "$work/user.mot" -address-length=3 -line-length=46 -header WINE
srec_cat -generate 0 0x800 -repeat-string "WINE LOADER " -o "$work/loader.bin" -binary
srec_cat "$work/loader.bin" -binary -o "$work/7730F.REL" -address-length=3 -line-length=46 -header WINE
start_sim --mode firmware --save-image "$work/written.bin"
check "flash user" says "Success" flash user "$(winpath "$work/user.mot")" --boot "$(winpath "$work/7730F.REL")" -q
stop_sim
srec_cat "$work/user.mot" -fill 0xFF 0 0x40000 -o "$work/expected.bin" -binary 2>/dev/null
check "the radio holds what srec_cat reads from the file" cmp -s "$work/expected.bin" "$work/written.bin"

echo "== the installer and the installed window"
as_user cp "$win/$name-setup.exe" "$work/home/setup.exe"
WINEPREFIX=$work/user as_user wine "$work/home/setup.exe" /S
WINEPREFIX=$work/user as_user wineserver -w
installed="$work/user/drive_c/Program Files/Brisk HX-7730"
check "the installer installs the programs" test -f "$installed/BriskHx7730.exe" -a -f "$installed/brisk.exe"
check "the installed brisk.exe runs" bash -c "WINEPREFIX='$work/user' setpriv --reuid=$user_id --regid=$user_id \
    --clear-groups env HOME='$work/home' wine '$installed/brisk.exe' --version | grep -q '^brisk $version'"
# An installed program's folder belongs to the administrator, not to the user.
chown -R root:root "$installed"
chmod -R go-w "$installed"

Xvfb :77 -screen 0 1024x768x24 -ac >/dev/null 2>&1 &
xvfb_pid=$!
local_data="$work/user/drive_c/users/nobody/AppData/Local/BriskHx7730"
# The boot loader comes with the radio, not with the program: the user keeps it in the data folder.
mkdir -p "$local_data"
cp "$work/7730F.REL" "$local_data/"
chown -R $user_id:$user_id "$local_data"
start_sim --mode normal
map_com1 "$work/user" "$(readlink -f "$work/radio")" as_user
for lang in en ja; do
    locale=C.UTF-8
    [ "$lang" = ja ] && locale=ja_JP.UTF-8
    WINEPREFIX=$work/user as_user env DISPLAY=:77 LC_ALL=$locale LANGUAGE= \
        wine "$installed/BriskHx7730.exe" -platform windows:fontengine=freetype >"$work/window.log" 2>&1 &
    for _ in $(seq 300); do [ -f "$local_data/BriskHx7730.mdb" ] && break; sleep 0.1; done
    check "the window ($lang) keeps its working database in %LOCALAPPDATA%" test -f "$local_data/BriskHx7730.mdb"
    check "and none in the program folder" test ! -e "$installed/BriskHx7730.mdb"
    check "the window ($lang) shows" screenshot "$shots/wine-idle-$lang.png"
    WINEPREFIX=$work/user as_user wine taskkill /IM BriskHx7730.exe >/dev/null 2>&1 || true
    for _ in $(seq 100); do [ ! -e "$local_data/BriskHx7730.mdb" ] && break; sleep 0.1; done
    check "the closed window ($lang) leaves no working database" test ! -e "$local_data/BriskHx7730.mdb"
    WINEPREFIX=$work/user as_user wineserver -k || true
done
stop_sim

chown -R $user_id:$user_id "$installed"
WINEPREFIX=$work/user as_user wine "$installed/uninstall.exe" /S
WINEPREFIX=$work/user as_user wineserver -w
check "the uninstaller removes the program" test ! -e "$installed"
check "and its Start-menu entry" test ! -e "$work/user/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Brisk HX-7730.lnk"

echo "screenshots: $shots"
if [ "$failures" -ne 0 ]; then
    echo "$failures Windows checks failed"
    exit 1
fi
echo "all Windows checks passed"
