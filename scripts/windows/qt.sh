#!/usr/bin/env bash
# Builds the Qt for Windows that the cross-build links with: qtbase only (Core, Gui,
# Widgets, Sql with QSQLITE, Test; the windows and offscreen platforms; the
# windowsvista style), cross-compiled with MinGW-w64 from Debian's own sources of the
# host's Qt version, plus one sqlite3.dll that both QSQLITE and the program use.
# Everything lands in a prefix under the cache; a second run only prints it.
#   QT_WIN=$(scripts/windows/qt.sh | tail -1)
set -euo pipefail

# Raised whenever a change here changes what gets built.
script_version=1

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
toolchain=$root/cmake/mingw-w64.cmake
cache=${XDG_CACHE_HOME:-$HOME/.cache}/brisk-hx7730
jobs=$(nproc)

say() { echo "qt.sh: $*" >&2; }

"$here/install-deps.sh" qt6-base-dev qt6-base-dev-tools perl dpkg-dev tcl gcc xz-utils

# The host's Qt serves the tools (moc, rcc, uic); the Windows Qt must be the same version.
qt_deb=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
qt_version=${qt_deb%%+*}
# The same SQLite release as the Linux build's.
sqlite_deb=$(dpkg-query -W -f='${source:Version}' libsqlite3-0 2>/dev/null || true)
[ -n "$sqlite_deb" ] || sqlite_deb=$(apt-cache policy libsqlite3-0 | awk '/Candidate:/ {print $2}')

# Close to the SQLite of the Linux build: most of Debian's options (not those that need
# a regenerated parser), with the column metadata that Qt's driver asks for.
sqlite_cflags=(
  -O2 -DNDEBUG
  -DSQLITE_THREADSAFE=1
  -DSQLITE_ENABLE_COLUMN_METADATA
  -DSQLITE_SECURE_DELETE
  -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS3_PARENTHESIS -DSQLITE_ENABLE_FTS5
  -DSQLITE_ENABLE_RTREE=1 -DSQLITE_SOUNDEX=1
  -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_ENABLE_MATH_FUNCTIONS
  -DSQLITE_LIKE_DOESNT_MATCH_BLOBS
  -DSQLITE_USE_URI=1 -DSQLITE_MAX_SCHEMA_RETRY=25
  -DSQLITE_MAX_VARIABLE_NUMBER=250000
)

# Only what the program uses is switched on; everything left is needed. Qt's own precompiled
# headers and optimisation stay: on a sample of 16 Qt sources, no PCH took 44% longer, and
# -O2 or -Os (-optimize-size) saved only 3% or 5% of the compile time.
configure_args=(
  -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
  -qt-host-path /usr
  -release -shared
  -nomake examples -nomake tests
  -no-opengl -no-dbus -no-icu -no-zstd
  -qt-zlib -qt-pcre -qt-libpng -no-libjpeg -qt-harfbuzz
  # The offscreen platform (headless tests) is only built with FreeType.
  -qt-freetype
  -no-feature-network -no-feature-printsupport -no-feature-concurrent -no-feature-xml
  -no-feature-vulkan
  # Direct2D's platform plugin is not needed, and DirectWrite goes with it.
  -no-feature-direct2d -no-feature-directwrite
  # Debian's sources come without wintab.
  -no-feature-tabletevent
  -no-feature-gif
  # The program talks to SQLite through QSQLITE's own connection: one SQLite, ours.
  -sql-sqlite -system-sqlite
  -no-sql-odbc -no-sql-mysql -no-sql-psql -no-sql-ibase -no-sql-oci -no-sql-db2
)

hash=$({ echo "$script_version $qt_deb $sqlite_deb"
         printf '%s\n' "${sqlite_cflags[@]}" "${configure_args[@]}"; } | sha256sum | cut -c1-10)
prefix=$cache/qt-$qt_version-$hash
stamp=$prefix/.complete

if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi
# One build at a time; a second caller waits and then finds the stamp.
mkdir -p "$cache"
exec 9>"$cache/qt-$hash.lock"
flock 9
if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache/logs"
log=$cache/logs/qt-$qt_version-$hash.log
: >"$log"
trap 'status=$?; [ $status -eq 0 ] || { say "failed, see $log"; tail -n 60 "$log" >&2; }' EXIT
run() { echo "+ $*" >>"$log"; "$@" >>"$log" 2>&1; }
start=$(date +%s)
say "building Qt $qt_version for Windows into $prefix (log: $log)"

# ---- Debian's sources, through an apt configuration of our own ------------------------
# Our own lists and cache, so that the system's apt state is not touched; the deb-src
# entries are those of the machine's own Debian sources.
apt_dir=$cache/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
: >"$apt_dir/sources.list"
rm -f "$apt_dir"/sources.list.d/*
if [ -f /etc/apt/sources.list ]; then
  sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list"
fi
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  # Each stanza that carries binary packages, turned into one for source packages.
  awk 'BEGIN { RS = ""; ORS = "\n\n" }
       { keep = 0; out = ""
         n = split($0, lines, "\n")
         for (i = 1; i <= n; i++) {
           if (lines[i] ~ /^Types:/) {
             if (lines[i] ~ /[[:space:]]deb([[:space:]]|$)/) keep = 1
             lines[i] = "Types: deb-src"
           }
           out = out lines[i] "\n"
         }
         if (keep) printf "%s\n", out }' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
for f in /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
apt_src=(apt-get -q
  -o Dir::Etc::SourceList="$apt_dir/sources.list"
  -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
  -o Dir::State::Lists="$apt_dir/lists"
  -o Dir::Cache="$apt_dir/cache"
  -o APT::Sandbox::User=root)

src=$cache/src
mkdir -p "$src"
# fetch PACKAGE VERSION: unpacks the source package into $src/PACKAGE-VERSION once.
fetch() {
  local dir=$src/$1-$2
  [ -f "$dir/.unpacked" ] && return 0
  if ! ls "$src/$1_${2#*:}.dsc" >/dev/null 2>&1; then
    [ -n "${apt_updated:-}" ] || { run "${apt_src[@]}" update; apt_updated=1; }
    (cd "$src" && run "${apt_src[@]}" source --download-only "$1=$2")
  fi
  rm -rf "$dir"
  run dpkg-source -x "$src/$1_${2#*:}.dsc" "$dir"
  touch "$dir/.unpacked"
}
say "Debian sources: qt6-base $qt_deb, sqlite3 $sqlite_deb"
fetch qt6-base "$qt_deb"
fetch sqlite3 "$sqlite_deb"

# ---- A fresh build folder and prefix ------------------------------------------------
build=$cache/build-qt-$hash
rm -rf "$build" "$prefix"
mkdir -p "$build" "$prefix/bin" "$prefix/lib" "$prefix/include"
# The prefix keeps its own copy of the toolchain: Qt's qt.toolchain.cmake (qt-cmake) loads
# it from there, and editing the repository's copy does not re-run the Qt configure.
cp "$toolchain" "$prefix/mingw-w64.cmake"

# ---- sqlite3.dll --------------------------------------------------------------------
# The amalgamation is generated on the host (tclsh), then compiled once for Windows.
say "sqlite3.dll"
mkdir -p "$build/sqlite"
(cd "$build/sqlite" && run "$src/sqlite3-$sqlite_deb/configure" --disable-tcl \
  && run make -j"$jobs" sqlite3.c sqlite3.h)
# Without dllexport markers the linker exports every external symbol: exactly the API,
# since the amalgamation keeps its internals static.
run x86_64-w64-mingw32-gcc-posix -shared -s "${sqlite_cflags[@]}" \
  "$build/sqlite/sqlite3.c" -o "$prefix/bin/sqlite3.dll" \
  -Wl,--out-implib,"$prefix/lib/libsqlite3.dll.a"
cp "$build/sqlite/sqlite3.h" "$src/sqlite3-$sqlite_deb/src/sqlite3ext.h" "$prefix/include/"

# ---- Qt -----------------------------------------------------------------------------
say "configuring Qt"
(cd "$build" && run "$src/qt6-base-$qt_deb/configure" -prefix "$prefix" "${configure_args[@]}" -- \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DSQLite3_INCLUDE_DIR="$prefix/include" \
  -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.dll.a")
# What the program needs must be among the targets, before the long build rather than after.
needed=(bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Sql.dll bin/Qt6Test.dll
  plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll
  plugins/sqldrivers/qsqlite.dll plugins/styles/qwindowsvistastyle.dll)
targets=$(cd "$build" && ninja -t targets all)
for t in "${needed[@]}"; do
  grep -q "^$t:" <<<"$targets" || { echo "missing target $t" >>"$log"; false; }
done
say "building Qt with $jobs jobs"
run cmake --build "$build" --parallel "$jobs"
run cmake --install "$build"
for t in "${needed[@]}"; do
  [ -f "$prefix/$t" ] || { echo "not installed: $t" >>"$log"; false; }
done

seconds=$(( $(date +%s) - start ))
{
  echo "qt6-base $qt_deb, sqlite3 $sqlite_deb, script version $script_version"
  echo "configure ${configure_args[*]}"
  echo "sqlite ${sqlite_cflags[*]}"
  echo "built in ${seconds}s on $jobs jobs, $(date -u +%FT%TZ)"
} >"$stamp.tmp"
mv "$stamp.tmp" "$stamp"
[ -n "${BRISK_QT_KEEP_BUILD:-}" ] || rm -rf "$build"
say "done in $((seconds / 60)) min"
echo "$prefix"
