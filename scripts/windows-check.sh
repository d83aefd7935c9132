#!/bin/sh
# The Windows stage of CI, after the Linux ones: cross-builds the Qt-free programs
# (platform, config, net, stream, cli, sim) and their tests for 64-bit Windows with MinGW-w64,
# runs the tests under Wine, then runs kestrinectl.exe under Wine against the Linux
# simulator and compares what it prints with the Linux kestrinectl, byte for byte.
#
#   scripts/windows-check.sh
#
# Installs what it needs with apt (as root, or through sudo): the MinGW-w64 compilers,
# Wine and dpkg-dev. What Debian does not package for MinGW is built into a prefix in
# build-windows/deps: TinyXML and libdvbpsi from Debian's own source packages (fetched
# through a private deb-src list in build-windows/apt; the system's apt sources are not
# touched) and GoogleTest from /usr/src/googletest; the header-only CLI11 and
# nlohmann-json are Debian's, copied as they are. The Linux programs come from build/
# (built here when missing). Wine runs headless in its own prefix, build-windows/wine.
# Prints how long each stage took. The desktop program is not built for Windows here
# (no Qt 6 for MinGW in Debian; README, "Windows").
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build-windows"
deps="$build/deps"
jobs=$(nproc 2>/dev/null || echo 2)
triple=x86_64-w64-mingw32

begin=$(date +%s)
stage_start=$begin
stage() {
  now=$(date +%s)
  echo "windows-check: $1 took $((now - stage_start)) s"
  stage_start=$now
}

scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 dpkg-dev
stage "installing MinGW-w64 and Wine"

# --- Wine: its own prefix, quiet, no display, and one server kept warm for all runs.
export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
mkdir -p "$build"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
fi
# A server of this prefix that is still about (wineboot's) is ended first, so ours stays.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
# The first program under a new server starts Wine's own services (and under load has
# been seen to hang at its exit): let that be a program of Wine's, not a test.
timeout 60 "$wine" cmd.exe /c exit >/dev/null 2>&1 || timeout 60 "$wine" cmd.exe /c exit >/dev/null 2>&1 || true
stage "preparing the Wine prefix"

# --- Debian's source packages, through a deb-src list of our own (made once).
apt="$build/apt"
aptget() {
  apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources" \
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o Debug::NoLocking=1 "$@"
}
# Unpacks the source package NAME into $apt/src (the first call reads the source lists).
debian_source() {
  if [ ! -d "$apt/lists" ] || [ -z "$(ls "$apt/lists" 2>/dev/null | grep -v partial)" ]; then
    rm -rf "$apt"
    mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/src"
    # The system's own sources, as source (deb-src) entries, in a list of our own.
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$list" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >>"$apt/sources/system.list"
    done
    for list in /etc/apt/sources.list.d/*.sources; do
      [ -f "$list" ] && sed 's/^Types:.*/Types: deb-src/' "$list" >"$apt/sources/$(basename "$list")"
    done
    aptget update >/dev/null
  fi
  (cd "$apt/src" && aptget source "$1" >/dev/null 2>&1) || {
    echo "windows-check: apt-get source $1 failed" >&2
    exit 1
  }
}

# --- TinyXML from Debian's source package, built as Debian builds it (TIXML_USE_STL).
if [ ! -f "$deps/lib/libtinyxml.a" ]; then
  debian_source tinyxml
  source=$(find "$apt/src" -maxdepth 1 -type d -name 'tinyxml-*' | head -n 1)
  # debian/rules: the Makefile's objects with -DTIXML_USE_STL (its patched header says so
  # too), asserts kept (no -DNDEBUG); the library is tinyxml, tinyxmlparser and tinyxmlerror.
  mkdir -p "$deps/lib/pkgconfig" "$deps/include" "$build/tinyxml"
  for unit in tinyxml tinyxmlparser tinyxmlerror; do
    "$triple-g++-posix" -c -g -O2 -DTIXML_USE_STL "$source/$unit.cpp" -o "$build/tinyxml/$unit.o" &
  done
  wait
  "$triple-ar" rc "$deps/lib/libtinyxml.a" "$build/tinyxml/tinyxml.o" "$build/tinyxml/tinyxmlparser.o" \
    "$build/tinyxml/tinyxmlerror.o"
  cp "$source/tinyxml.h" "$source/tinystr.h" "$deps/include/"
  cat >"$deps/lib/pkgconfig/tinyxml.pc" <<EOF
prefix=$deps
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: TinyXml
Description: simple, small, C++ XML parser (Debian's source, built with MinGW-w64)
Version: $(basename "$source" | sed 's/^tinyxml-//')
Libs: -L\${libdir} -ltinyxml
Cflags: -I\${includedir} -DTIXML_USE_STL
EOF
fi
stage "TinyXML from Debian's source"

# --- libdvbpsi from Debian's source package (its patches applied), as a static library.
if [ ! -f "$deps/lib/libdvbpsi.a" ]; then
  debian_source libdvbpsi
  source=$(find "$apt/src" -maxdepth 1 -type d -name 'libdvbpsi-*' | head -n 1)
  rm -rf "$build/libdvbpsi"
  mkdir -p "$build/libdvbpsi"
  (cd "$build/libdvbpsi" && "$source/configure" --host="$triple" --prefix="$deps" --disable-shared --enable-static \
    CC="$triple-gcc-posix" >configure.log 2>&1 && make -j"$jobs" >make.log 2>&1 && make install >install.log 2>&1) || {
    tail -n 40 "$build/libdvbpsi/"*.log
    echo "windows-check: libdvbpsi did not build" >&2
    exit 1
  }
fi
stage "libdvbpsi from Debian's source"

# --- GoogleTest from Debian's sources; CLI11 and nlohmann-json as Debian ships them.
toolchain="$root/cmake/toolchains/$triple.cmake"
if [ ! -f "$deps/lib/libgmock.a" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DKESTRINE_WINDOWS_DEPS="$deps" >/dev/null
  cmake --build "$build/googletest" --parallel "$jobs" >/dev/null
  cmake --install "$build/googletest" >/dev/null
fi
mkdir -p "$deps/include" "$deps/share/cmake"
cp -r /usr/include/CLI /usr/include/nlohmann "$deps/include/"
cp -r /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$deps/share/cmake/"
stage "GoogleTest, CLI11 and nlohmann-json"

# --- The Windows build and its tests.
launcher=
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake --preset windows-cross $launcher >/dev/null
cmake --build --preset windows-cross --parallel "$jobs" >"$build/build.log" 2>&1 || {
  tail -n 60 "$build/build.log"
  exit 1
}
stage "cross build"
tests_ok=1
ctest --preset windows-cross --parallel "$jobs" --output-junit "$build/ctest.xml" >"$build/ctest.log" 2>&1 || tests_ok=
echo "windows-check: the Windows tests under Wine:"
sed -n '/tests passed/,$p' "$build/ctest.log" | grep -v '^[[:space:]]*[0-9]* - .*(Skipped)$' | grep -v 'did not run:$'
echo "windows-check: skipped under Wine, and why:"
awk '
  /<testcase / {
    match($0, /name="[^"]*"/); name = substr($0, RSTART + 6, RLENGTH - 7); notrun = ($0 ~ /status="notrun"/)
  }
  notrun && /: Skipped$/ { getline reason; print "  " name ": " reason; notrun = 0 }
' "$build/ctest.xml" | sed "s/&quot;/\"/g; s/&apos;/'/g; s/&lt;/</g; s/&gt;/>/g; s/&amp;/\&/g"
stage "tests under Wine"
if [ -z "$tests_ok" ]; then
  grep -B 5 -A 40 'Failure\|\*\*\*' "$build/ctest.log" | tail -n 120
  echo "windows-check: Windows tests failed (all of it: $build/ctest.log)" >&2
  exit 1
fi

# --- kestrinectl.exe beside the Linux kestrinectl (built in build/ when CI has not already).
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRINE_WARNINGS_AS_ERRORS=ON $launcher >/dev/null
fi
cmake --build build --parallel "$jobs" --target kestrinectl kestrine-encoder-sim >/dev/null
scripts/windows-compare.sh "$wine"
stage "kestrinectl.exe beside the Linux kestrinectl"
echo "windows-check: everything took $(($(date +%s) - begin)) s"
