#!/usr/bin/env bash
# The viewer's speed on a virtual X server (Xvfb, Mesa's llvmpipe):
#   - opening a file: whole-process wall time of the viewer showing its first
#     complete frame at 1280 x 800 and writing that picture to a PNG file
#     (vex3d-viewer FILE --first-frame OUT) against `vex3d thumbnail FILE`
#     and against f3d doing the same work, reading the file, drawing one
#     1280 x 800 frame and writing it (f3d FILE --output OUT), runs
#     alternating, the same number each, medians, with the `cat FILE` floor
#     beside them;
#   - rotating: frames per second of the view at 1280 x 800 while the scene
#     turns a little every frame, with display lists, and in fast-display
#     mode;
#   - start-up: the same open on a small sample;
#   - the materials list: from a click on a material's check to the next
#     frame, the faces of that material hidden or shown again;
#   - scenes list: ten scenes of THUMB_TRIANGLES (default 100000) triangles
#     loaded, then the time until every thumbnail is in and the longest
#     time the window's event loop went without turning meanwhile
#     (vex3d-viewer FILES --bench-thumbnails).
#
#   bash bench/viewer.sh BUILD_DIR [TRIANGLES...]
#
# TRIANGLES default to 100000 1000000; RUNS (default 5) runs of each.
# ONLY=thumbnails runs the scenes list part alone.
set -u

if [ $# -lt 1 ]; then
  echo "usage: bash bench/viewer.sh BUILD_DIR [TRIANGLES...]" >&2
  exit 2
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" 2>/dev/null && pwd) || { echo "viewer bench: no build directory $1" >&2; exit 2; }
shift
SIZES=${*:-100000 1000000}
RUNS=${RUNS:-5}
RUN_TIMEOUT=${RUN_TIMEOUT:-300}
VIEWER="$BUILD/bin/vex3d-viewer"
VEX3D="$BUILD/bin/vex3d"
MAKE_MESHES="$BUILD/bin/make_bench_meshes"
RUN_TIMED="$BUILD/bin/run_timed"
for tool in "$VIEWER" "$VEX3D" "$MAKE_MESHES" "$RUN_TIMED"; do
  [ -x "$tool" ] || { echo "viewer bench: $tool is missing (build the release preset)" >&2; exit 2; }
done
F3D=${F3D-$(command -v f3d || true)}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vex3d_viewer_bench.XXXXXX")
XVFB=
cleanup() {
  [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
XVFB=$!
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$WORK/display")"
export XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The lists off: the view alone is 1280 x 800 in a window of that width.
mkdir -p "$XDG_CONFIG_HOME/vex3d"
printf '[Render]\nsettings=4096\n' > "$XDG_CONFIG_HOME/vex3d/vex3d.ini"

THUMBS=${THUMB_TRIANGLES:-100000}
if [ "${ONLY:-}" = thumbnails ]; then SIZES=$THUMBS; fi
"$MAKE_MESHES" "$WORK" $SIZES >/dev/null || { echo "viewer bench: cannot make meshes" >&2; exit 1; }

# One timed run: its wall seconds appended to $WORK/LABEL.times.
run() {
  local label=$1
  shift
  local out
  out=$("$RUN_TIMED" "$RUN_TIMEOUT" "$@" 2>/dev/null | tail -1)
  echo "$out" | awk '{print $1}' >> "$WORK/$label.times"
}
median() { sort -g "$WORK/$1.times" | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

openRow() {
  local file=$1 name=$2
  rm -f "$WORK"/*.times
  for _ in $(seq "$RUNS"); do
    run cat cat "$file"
    run viewer "$VIEWER" "$file" --view-size 1280x800 --first-frame "$WORK/viewer.png"
    run thumbnail "$VEX3D" thumbnail "$file" "$WORK/thumb.png" --size 256
    [ -n "$F3D" ] && run f3d "$F3D" "$file" --output="$WORK/f3d.png" --resolution=1280,800
  done
  local v t f c
  v=$(median viewer); t=$(median thumbnail); c=$(median cat)
  f=-; [ -n "$F3D" ] && f=$(median f3d)
  printf '%-22s viewer %7.3f s  thumbnail %7.3f s  f3d %7s s  cat %6.3f s' "$name" "$v" "$t" "$f" "$c"
  [ "$f" != - ] && awk -v v="$v" -v f="$f" 'BEGIN {printf "  viewer/f3d %.2f", v / f}'
  echo
}

thumbnailsRow() {
  [ -f "$WORK/mesh_$THUMBS.obj" ] || "$MAKE_MESHES" "$WORK" "$THUMBS" >/dev/null || return 1
  # Ten files: a file opened twice is only switched to.
  mkdir -p "$WORK/scenes"
  local files=() out
  for i in $(seq 10); do
    cp "$WORK/mesh_$THUMBS.obj" "$WORK/scenes/scene_$i.obj"
    files+=("$WORK/scenes/scene_$i.obj")
  done
  rm -f "$WORK"/*.times
  for _ in $(seq "$RUNS"); do
    out=$("$VIEWER" "${files[@]}" --bench-thumbnails 2>/dev/null)
    echo "$out" | awk '$1 == "thumbnails-ms" {print $2 / 1000}' >> "$WORK/thumbs.times"
    echo "$out" | awk '$1 == "longest-event-gap-ms" {print $2}' >> "$WORK/gap.times"
  done
  printf 'ten scenes of %s triangles  all thumbnails %.3f s  longest event-loop gap %s ms  (medians of %s runs)\n' \
    "$THUMBS" "$(median thumbs)" "$(median gap)" "$RUNS"
}

if [ "${ONLY:-}" = thumbnails ]; then
  echo "scenes list: thumbnails on the list's thread, $(nproc) cores"
  thumbnailsRow
  exit 0
fi

echo "open: whole process to the first complete frame (medians of $RUNS alternating runs)"
[ -n "$F3D" ] && echo "peer: $F3D ($("$F3D" --version 2>/dev/null | head -1))" || echo "peer: f3d not installed"
openRow "$ROOT/data/samples/textured_cube.v3d" "textured_cube.v3d"
for n in $SIZES; do openRow "$WORK/mesh_$n.obj" "mesh_$n.obj"; done

echo
echo "rotate: frames per second at 1280 x 800 while the scene turns (300 frames)"
for n in $SIZES; do
  "$VIEWER" "$WORK/mesh_$n.obj" --view-size 1280x800 --bench-rotate 300 |
    awk -v name="mesh_$n.obj" '{v[$1]=$2} END {printf "%-22s first frame %s ms  lists %s fps  fast display %s fps\n", name, v["first-frame-ms"], v["rotate-fps"], v["rotate-fps-fast-display"]}'
done

echo
echo "materials list: a click on a material's check to the next frame at 1280 x 800 (10 clicks, hiding and showing in turn; target under 500 ms)"
for n in $SIZES; do
  "$VIEWER" "$WORK/mesh_$n.obj" --view-size 1280x800 --bench-material 10 |
    awk -v name="mesh_$n.obj" '{printf "%-22s hide median %s ms  show median %s ms  longest %s ms\n", name, $3, $5, $7}'
done

echo
echo "scenes list: thumbnails on the list's thread, $(nproc) cores"
thumbnailsRow
