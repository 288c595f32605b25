#!/usr/bin/env bash
# The Debian package as a user gets it: unpacked into a scratch root, its
# command answers, lists its formats and draws a thumbnail from there, and
# lintian finds no error in it.
#
#   bash scripts/package-test.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:?usage: package-test.sh BUILD_DIR}" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
deb=$(ls -t "$BUILD"/vex3d_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "package-test: no package in $BUILD (make package)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/vex3d_package.XXXXXX")
trap 'rm -rf "$work"' EXIT

dpkg-deb -x "$deb" "$work/root"
vex3d="$work/root/usr/bin/vex3d"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" VEX3D_PLUGIN_PATH=
fail=0
check() {
  local what=$1
  shift
  if "$@" >"$work/out" 2>&1; then
    echo "package-test: $what: ok"
  else
    echo "package-test: $what: FAILED" >&2
    sed 's/^/    | /' "$work/out" | tail -5 >&2
    fail=1
  fi
}
# no_errors WHAT LABEL REPORT: fails when a checker's report has E: lines.
no_errors() {
  if grep -qE '^E:' "$3"; then
    echo "package-test: $1 has errors:" >&2
    grep -E '^E:' "$3" >&2
    fail=1
  else
    echo "package-test: $2: no errors"
  fi
}
check "vex3d --version" "$vex3d" --version
check "vex3d formats lists the plug-ins' formats" \
  bash -c '"$0" formats | grep -q "glTF" && "$0" formats | grep -qi "stl"' "$vex3d"
check "a thumbnail from the unpacked package" \
  "$vex3d" thumbnail "$ROOT/data/samples/animated_groups.v3d" "$work/thumb.png" --size 128
[ -s "$work/thumb.png" ] || { echo "package-test: no thumbnail written" >&2; fail=1; }
check "the manual pages and the bash completion are installed" \
  test -s "$work/root/usr/share/man/man1/vex3d-convert.1.gz" -a \
  -s "$work/root/usr/share/bash-completion/completions/vex3d"
check "the programs' manual pages and the user guide are installed" \
  test -s "$work/root/usr/share/man/man1/vex3d-viewer.1.gz" -a \
  -s "$work/root/usr/share/man/man1/vex3d-exchange-standin.1.gz" -a \
  -s "$work/root/usr/share/doc/vex3d/guide/index.html"
# What plug-in writers build against, wherever the library folder is.
check "the headers, the CMake package and the pkg-config file are installed" bash -c '
  test -s "$0/usr/include/vex3d/hostlib/io/plugin_api.h" &&
  find "$0/usr/lib" -path "*/cmake/Vex3D/Vex3DConfig.cmake" | grep -q . &&
  find "$0/usr/lib" -path "*/pkgconfig/vex3d.pc" | grep -q .' "$work/root"

# Software centres read the viewer's metainfo: no errors in it (its id is
# not a reverse domain name, which the validator only warns about).
metainfo="$work/root/usr/share/metainfo/vex3d-viewer.metainfo.xml"
if [ ! -s "$metainfo" ]; then
  echo "package-test: no metainfo for the viewer" >&2
  fail=1
elif command -v appstreamcli >/dev/null 2>&1; then
  appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 || true
  no_errors "the metainfo" "metainfo" "$work/appstream"
fi

# Nothing in the package may look into the build tree: every search path
# is relative to the file itself.
runpaths=$(find "$work/root" -type f \( -name '*.so*' -o -perm -u+x \) -exec sh -c \
  'readelf -d "$1" 2>/dev/null | grep -E "RPATH|RUNPATH" || true' sh {} \; | grep -v 'ORIGIN' || true)
if [ -n "$runpaths" ]; then
  echo "package-test: search paths outside the package:" >&2
  echo "$runpaths" >&2
  fail=1
fi

if command -v lintian >/dev/null 2>&1; then
  # Errors fail the test; warnings are shown.
  lintian --no-tag-display-limit "$deb" >"$work/lintian" 2>&1 || true
  grep -E '^[WI]:' "$work/lintian" | sed 's/^/    /' || true
  no_errors "lintian" "lintian" "$work/lintian"
else
  echo "package-test: lintian is not installed (scripts/install-deps.sh --package)" >&2
  fail=1
fi
exit $fail
