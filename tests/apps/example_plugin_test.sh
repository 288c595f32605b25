#!/usr/bin/env bash
# A plug-in writer's first hour, against an installed Vex3D: the example
# plug-in builds through the CMake package and through pkg-config, the
# installed command loads it from $VEX3D_PLUGIN_PATH and from its own
# plug-in folder, and reads, converts and writes files of its format.
#   bash example_plugin_test.sh PREFIX EXAMPLE_DIR SAMPLES_DIR WORK_DIR VERSION
set -euo pipefail
prefix=$(cd "$1" && pwd)
example=$2
samples=$3
work=$4
version=$5
rm -rf "$work"
mkdir -p "$work"
export LANG=C LC_ALL=C LANGUAGE=
vex3d="$prefix/bin/vex3d"
fail=0
bad() { echo "$*"; fail=1; }

# The CMake package.
cmake -S "$example" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
module="$work/build/ptri.so"
[ -f "$module" ] || { echo "the example built no ptri.so"; exit 1; }

# The version file: a package of another minor version is not this one.
mkdir -p "$work/other"
cat >"$work/other/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(other LANGUAGES NONE)
find_package(Vex3D ${WANTED} QUIET)
message(STATUS "found=${Vex3D_FOUND} version=${Vex3D_VERSION}")
CMAKE
major_minor=${version%.*}
next="${major_minor%.*}.$((${major_minor#*.} + 1))"
found=$(cmake -S "$work/other" -B "$work/other/b1" -DWANTED="$major_minor" -DCMAKE_PREFIX_PATH="$prefix" 2>&1 | grep -o 'found=[A-Za-z0-9]*' || true)
[ "$found" = "found=1" ] || bad "find_package(Vex3D $major_minor) did not find $version: $found"
found=$(cmake -S "$work/other" -B "$work/other/b2" -DWANTED="$next" -DCMAKE_PREFIX_PATH="$prefix" 2>&1 | grep -o 'found=[A-Za-z0-9]*' || true)
[ "$found" = "found=0" ] || bad "find_package(Vex3D $next) accepted $version: $found"

# pkg-config, from the prefix it finds for itself.
pc_dir=$(dirname "$(find "$prefix" -name vex3d.pc | head -1)")
export PKG_CONFIG_PATH="$pc_dir"
[ "$(pkg-config --modversion vex3d)" = "$version" ] || bad "pkg-config gives another version"
plugindir=$(pkg-config --variable=plugindir vex3d)
[ -d "$plugindir" ] && [ "$(cd "$plugindir" && pwd -P)" = "$(cd "$prefix"/lib*/vex3d/plugins && pwd -P)" ] ||
  bad "pkg-config's plugindir ($plugindir) is not the installed plug-in folder"
mkdir -p "$work/pc"
# shellcheck disable=SC2046
c++ -std=c++20 -shared -fPIC -fvisibility=hidden -Wall -Wextra -Werror -o "$work/pc/ptri.so" \
  "$example/ptri_plugin.cpp" $(pkg-config --cflags --libs vex3d) ||
  bad "the example does not build with pkg-config's flags"
nm -D --defined-only "$work/pc/ptri.so" | grep -q ' vex3d_plugin_entry$' ||
  bad "the pkg-config build exports no vex3d_plugin_entry"

# The installed command, with the module in a folder of $VEX3D_PLUGIN_PATH.
export VEX3D_PLUGIN_PATH="$work/build"
"$vex3d" formats >"$work/formats" 2>&1 || bad "vex3d formats failed"
grep -q 'ptri' "$work/formats" || bad "vex3d formats does not list ptri: $(cat "$work/formats")"

"$vex3d" info "$example/tetrahedron.ptri" >"$work/info" 2>&1 || bad "vex3d info failed: $(cat "$work/info")"
grep -qE '(^|[^0-9])4 (faces|triangles)' "$work/info" || bad "vex3d info does not count 4 faces: $(cat "$work/info")"

"$vex3d" convert "$example/tetrahedron.ptri" "$work/tetrahedron.stl" >"$work/convert" 2>&1 ||
  bad "ptri to stl failed: $(cat "$work/convert")"
# Binary STL: 84 bytes of header and count, 50 a triangle.
[ "$(stat -c %s "$work/tetrahedron.stl" 2>/dev/null || echo 0)" = $((84 + 4 * 50)) ] ||
  bad "the STL does not hold the 4 triangles"

# Written by the plug-in: the round trip keeps the file as it was, and a
# scene of squares reaches the writer as triangles.
"$vex3d" convert "$example/tetrahedron.ptri" "$work/round.ptri" >"$work/convert" 2>&1 ||
  bad "ptri to ptri failed: $(cat "$work/convert")"
# Same points on the same axes, same triangles in the same order.
diff <(grep -v '^#' "$example/tetrahedron.ptri") <(grep -v '^#' "$work/round.ptri" 2>/dev/null) ||
  bad "the round trip changed the tetrahedron"
"$vex3d" convert "$samples/textured_cube.v3d" "$work/cube.ptri" >"$work/convert" 2>&1 ||
  bad "v3d to ptri failed: $(cat "$work/convert")"
[ "$(grep -c '^t ' "$work/cube.ptri" 2>/dev/null)" = 12 ] ||
  bad "the cube's six squares are not twelve triangles: $(grep -c '^t ' "$work/cube.ptri")"

# A broken file is refused with its line, and nothing crashes.
printf 'p 0 0 0\np 1 0 0\np 0 1 0\nt 0 1 7\n' >"$work/broken.ptri"
status=0
"$vex3d" info "$work/broken.ptri" >"$work/broken" 2>&1 || status=$?
[ $status = 1 ] || bad "a broken file gives status $status (1 expected)"
grep -q 'line 4' "$work/broken" || bad "the error does not name the line: $(cat "$work/broken")"

# Installed into the command's own plug-in folder, found with no variable.
cmake --install "$work/build" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
[ -f "$plugindir/ptri.so" ] || bad "cmake --install did not put ptri.so in $plugindir"
VEX3D_PLUGIN_PATH= "$vex3d" formats 2>&1 | grep -q 'ptri' || bad "the installed plug-in is not loaded"
rm -f "$plugindir/ptri.so"

[ $fail = 0 ] && echo "example plug-in: built by CMake and pkg-config, loaded, reads and writes"
exit $fail
