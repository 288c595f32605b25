#!/usr/bin/env bash
# The README's picture of the viewer: the viewer opens a bundled sample on
# an X server of its own (Xvfb) and writes its window once the scene is
# drawn.
#
#   bash scripts/viewer-screenshot.sh BUILD_DIR [OUT.png] [FILE...]
set -euo pipefail

BUILD=${1:?usage: viewer-screenshot.sh BUILD_DIR [OUT.png] [FILE...]}
OUT=${2:-docs/images/viewer.png}
shift $(( $# >= 2 ? 2 : 1 ))
FILES=("$@")
[ ${#FILES[@]} -eq 0 ] && FILES=(data/samples/animated_groups.v3d data/samples/textured_cube.v3d)
VIEWER="$BUILD/bin/vex3d-viewer"
[ -x "$VIEWER" ] || { echo "viewer-screenshot: build first ($VIEWER is missing)" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vex3d_screenshot.XXXXXX")
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null; rm -rf "$WORK"' EXIT
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$WORK/display")"
mkdir -p "$(dirname "$OUT")" "$WORK/config" "$WORK/runtime"
chmod 700 "$WORK/runtime"
# A fresh profile: the picture shows the defaults a new user sees.
env DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" \
  QT_QPA_PLATFORM=xcb "$VIEWER" "${FILES[@]}" --view three-quarter --screenshot "$OUT"
echo "viewer-screenshot: $OUT"
