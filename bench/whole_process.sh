#!/usr/bin/env bash
# Whole-process timings of the vex3d command against peer command-line tools
# (assimp for reading and converting, f3d for images), on generated meshes
# and on the bundled samples.
#
#   bash bench/whole_process.sh BUILD_DIR [SIZES...]
#
# SIZES are triangle counts (default 100000 1000000 4000000). Each figure is
# the best wall time of RUNS runs (default 3) and the peak resident memory of
# that run. A run longer than REPEAT_LIMIT seconds (default 10) is not
# repeated, which keeps a 4M-triangle run within minutes, and one longer
# than RUN_TIMEOUT seconds (default 600) is stopped; the tables say when
# either happened.
set -u

if [ $# -lt 1 ]; then
  echo "usage: bash bench/whole_process.sh BUILD_DIR [SIZES...]" >&2
  exit 2
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" 2>/dev/null && pwd) || { echo "whole_process: no build directory $1" >&2; exit 2; }
shift
SIZES=${*:-100000 1000000 4000000}
RUNS=${RUNS:-3}
REPEAT_LIMIT=${REPEAT_LIMIT:-10}
RUN_TIMEOUT=${RUN_TIMEOUT:-600}

VEX3D="$BUILD/bin/vex3d"
MAKE_MESHES="$BUILD/bin/make_bench_meshes"
RUN_TIMED="$BUILD/bin/run_timed"
for tool in "$VEX3D" "$MAKE_MESHES" "$RUN_TIMED"; do
  if [ ! -x "$tool" ]; then
    echo "whole_process: $tool is missing (build the release preset with benchmarks)" >&2
    exit 2
  fi
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vex3d_whole_process.XXXXXX")
XVFB_PID=
cleanup() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

have() { command -v "$1" >/dev/null 2>&1; }
# ASSIMP= or F3D= in the environment leaves that peer out.
ASSIMP=${ASSIMP-$(command -v assimp || true)}
F3D=${F3D-$(command -v f3d || true)}

# f3d draws through a window system. Without one, a virtual X server is
# started once for the whole run so that its start-up is not timed with
# every image.
F3D_NOTE=
if [ -n "$F3D" ] && [ -z "${DISPLAY:-}" ]; then
  if have Xvfb; then
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
    XVFB_PID=$!
    DISPLAY_NUMBER=
    for _ in $(seq 100); do
      DISPLAY_NUMBER=$(grep -Eo '^[0-9]+' "$WORK/display" 2>/dev/null)
      [ -n "$DISPLAY_NUMBER" ] && break
      sleep 0.1
    done
    if [ -n "$DISPLAY_NUMBER" ]; then
      export DISPLAY=":$DISPLAY_NUMBER"
      F3D_NOTE="f3d runs on a virtual X server (Xvfb $DISPLAY, started once, not timed)"
    else
      F3D=
      F3D_NOTE="f3d cannot run: the virtual X server did not start"
    fi
  else
    F3D=
    F3D_NOTE="f3d cannot run: no display and no Xvfb"
  fi
fi

# measure LABEL MAXRUNS COMMAND_LINE: sets SECONDS_BEST, CPU_SECONDS (user and
# system time of that run), PEAK_MIB, RUNS_DONE and STATUS (ok, failed or
# timeout). COMMAND_LINE is a quoted command (see q); its output is discarded.
measure() {
  local maxRuns=$2
  local -a command
  eval "command=($3)"
  SECONDS_BEST=
  CPU_SECONDS=
  PEAK_MIB=
  RUNS_DONE=0
  STATUS=ok
  local run rc wall user sys rss
  for ((run = 0; run < maxRuns; ++run)); do
    "$RUN_TIMED" "$RUN_TIMEOUT" "${command[@]}" >"$WORK/time.out" 2>"$WORK/stderr.out"
    rc=$?
    RUNS_DONE=$((RUNS_DONE + 1))
    if [ $rc -eq 124 ]; then STATUS=timeout; return; fi
    if [ $rc -ne 0 ]; then
      STATUS=failed
      sed 's/^/    | /' "$WORK/stderr.out" | tail -3 >&2
      return
    fi
    read -r wall user sys rss <"$WORK/time.out"
    if [ -z "$SECONDS_BEST" ] || awk -v a="$wall" -v b="$SECONDS_BEST" 'BEGIN { exit !(a < b) }'; then
      SECONDS_BEST=$wall
      CPU_SECONDS=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
      PEAK_MIB=$(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }')
    fi
    # A slow run says enough on its own; repeating it would only stretch
    # the benchmark.
    if awk -v a="$wall" -v b="$REPEAT_LIMIT" 'BEGIN { exit !(a > b) }'; then break; fi
  done
}

ratio() { awk -v p="$1" -v o="$2" 'BEGIN { if (o > 0) printf "%.1fx", p / o; else print "-" }'; }

MISSED=()
UNCHECKED=0
row() { printf "%-28s %8s %6s %8s  %8s %6s %8s  %6s %6s %6s  %s\n" "$@"; }

header() {
  echo
  echo "== $1 =="
  echo "   target: $2"
  row "" vex3d "" "" "$3" "" "" "$3/vex3d" "" "" ""
  row file "wall s" "cpu s" "MiB" "wall s" "cpu s" "MiB" wall cpu memory verdict
}

# compare OPERATION NAME TARGET_RATIO PEER_NAME "OURS..." "PEER..."
# Runs both sides and prints one row. TARGET_RATIO is the least time
# ratio peer/ours that meets the target (1 means faster).
compare() {
  local operation=$1 name=$2 target=$3 peerName=$4 ours=$5 peer=$6
  local oursS oursC oursM oursRuns peerS peerC peerM verdict note
  measure ours "$RUNS" "$ours"
  if [ "$STATUS" != ok ]; then
    row "$name" "$STATUS" - - - - - - - - "vex3d $STATUS"
    MISSED+=("$operation $name: vex3d $STATUS")
    return
  fi
  oursS=$SECONDS_BEST
  oursRuns=$RUNS_DONE
  oursC=$CPU_SECONDS
  oursM=$PEAK_MIB
  if [ -z "$peer" ]; then
    row "$name" "$oursS" "$oursC" "$oursM" - - - - - - "${MISSING_NOTE:-peer not installed}"
    [ -z "${MISSING_NOTE:-}" ] && UNCHECKED=$((UNCHECKED + 1))
    return
  fi
  measure peer "$RUNS" "$peer"
  if [ "$STATUS" != ok ]; then
    note="$peerName $STATUS"
    [ "$STATUS" = timeout ] && note="$peerName stopped after ${RUN_TIMEOUT}s: ratio > $(ratio "$RUN_TIMEOUT" "$oursS")"
    row "$name" "$oursS" "$oursC" "$oursM" "$STATUS" - - - - - "$note"
    [ "$STATUS" = timeout ] || UNCHECKED=$((UNCHECKED + 1))
    return
  fi
  peerS=$SECONDS_BEST
  peerC=$CPU_SECONDS
  peerM=$PEAK_MIB
  note=
  [ "$oursRuns" -lt "$RUNS" ] && note="vex3d: $oursRuns run"
  [ "$RUNS_DONE" -lt "$RUNS" ] && note="${note:+$note, }$peerName: $RUNS_DONE run"
  note=${note:+ ($note)}
  if awk -v p="$peerS" -v o="$oursS" -v t="$target" 'BEGIN { exit !(p >= t * o) }'; then
    verdict="ok$note"
  else
    verdict="MISSED (want >= ${target}x)$note"
    MISSED+=("$operation $name: $(ratio "$peerS" "$oursS") where ${target}x is wanted")
  fi
  row "$name" "$oursS" "$oursC" "$oursM" "$peerS" "$peerC" "$peerM" \
    "$(ratio "$peerS" "$oursS")" "$(ratio "$peerC" "$oursC")" "$(ratio "$peerM" "$oursM")" "$verdict"
}

q() { printf "%q" "$1"; }

echo "vex3d whole-process benchmark: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load:$(uptime | sed 's/.*load average://')"
echo "vex3d: $VEX3D"
if [ -n "$ASSIMP" ]; then echo "assimp: $ASSIMP"; else echo "assimp: peer not installed"; fi
if [ -n "$F3D" ]; then echo "f3d: $F3D ($($F3D --version 2>/dev/null | head -1))"; elif [ -z "$F3D_NOTE" ]; then echo "f3d: peer not installed"; fi
[ -n "$F3D_NOTE" ] && echo "$F3D_NOTE"
echo "figures: best wall time of up to $RUNS runs (a run over ${REPEAT_LIMIT}s is not repeated);"
echo "  cpu (user + system) and peak resident memory are those of that run; targets are judged on wall time,"
echo "  the cpu ratio shows how much of a gap is the load of a shared machine"

echo
echo "generating meshes of $SIZES triangles in $WORK"
# shellcheck disable=SC2086
"$MAKE_MESHES" "$WORK" $SIZES || { echo "whole_process: cannot generate the meshes" >&2; exit 1; }

# The samples the peers can read: OBJ as shipped, and each native scene
# converted to OBJ by vex3d first.
SAMPLES=()
SAMPLE_OBJS=()
for sample in "$ROOT"/data/samples/*.v3d "$ROOT"/data/samples/*.obj; do
  [ -f "$sample" ] || continue
  SAMPLES+=("$sample")
  case "$sample" in
    *.obj) SAMPLE_OBJS+=("$sample") ;;
    *)
      obj="$WORK/$(basename "${sample%.*}").obj"
      if "$VEX3D" convert "$sample" "$obj" --quiet >/dev/null 2>&1; then SAMPLE_OBJS+=("$obj"); fi
      ;;
  esac
done
# Converted samples point at textures beside the originals.
[ -d "$ROOT/data/samples/textures" ] && ln -s "$ROOT/data/samples/textures" "$WORK/textures" 2>/dev/null

peerCommand() { [ -n "$1" ] && echo "$2"; }

header "read: vex3d info FILE vs assimp info FILE" ">= 5x faster" assimp
for n in $SIZES; do
  for ext in obj stl ply; do
    f="$WORK/mesh_$n.$ext"
    compare read "mesh_$n.$ext" 5 assimp "$(q "$VEX3D") info $(q "$f")" \
      "$(peerCommand "$ASSIMP" "$(q "$ASSIMP") info $(q "$f")")"
  done
done
for f in "${SAMPLES[@]}"; do
  case "$f" in
    *.obj) compare read "$(basename "$f")" 5 assimp "$(q "$VEX3D") info $(q "$f")" \
             "$(peerCommand "$ASSIMP" "$(q "$ASSIMP") info $(q "$f")")" ;;
    *) MISSING_NOTE="no peer reads .v3d" compare read "$(basename "$f")" 5 assimp "$(q "$VEX3D") info $(q "$f")" "" ;;
  esac
done
for f in "${SAMPLE_OBJS[@]}"; do
  case "$f" in
    "$WORK"/*) compare read "$(basename "$f") (conv.)" 5 assimp "$(q "$VEX3D") info $(q "$f")" \
                 "$(peerCommand "$ASSIMP" "$(q "$ASSIMP") info $(q "$f")")" ;;
  esac
done
echo "   samples in .v3d: no peer reads them, so they are timed for vex3d alone;"
echo "   '(conv.)' rows are the same scenes converted to OBJ by vex3d beforehand."

# Both sides write binary PLY: vex3d's PLY writer is binary, and assimp's
# text PLY would be slower for reasons of encoding alone.
header "convert: vex3d convert IN.obj OUT.ply vs assimp export IN.obj OUT.ply -f plyb" ">= 3x faster" assimp
for n in $SIZES; do
  f="$WORK/mesh_$n.obj"
  compare convert "mesh_$n.obj" 3 assimp "$(q "$VEX3D") convert $(q "$f") $(q "$WORK/ours.ply") --quiet" \
    "$(peerCommand "$ASSIMP" "$(q "$ASSIMP") export $(q "$f") $(q "$WORK/peer.ply") -fplyb")"
  rm -f "$WORK/ours.ply" "$WORK/peer.ply"
done

header "thumbnail: vex3d thumbnail IN OUT.png --size 256 vs f3d --output=OUT.png --resolution=256,256 IN" \
  "faster on every file" f3d
F3D_PEER=
[ -n "$F3D" ] && F3D_PEER="$(q "$F3D") --output=$(q "$WORK/peer.png") --resolution=256,256"
thumbnailRow() {
  compare thumbnail "$2" 1 f3d "$(q "$VEX3D") thumbnail $(q "$1") $(q "$WORK/ours.png") --size 256" \
    "$(peerCommand "$3" "$F3D_PEER $(q "$1")")"
  rm -f "$WORK/ours.png" "$WORK/peer.png"
}
for n in $SIZES; do
  for ext in obj stl ply; do thumbnailRow "$WORK/mesh_$n.$ext" "mesh_$n.$ext" "$F3D"; done
done
for f in "${SAMPLES[@]}"; do
  case "$f" in
    *.obj) thumbnailRow "$f" "$(basename "$f")" "$F3D" ;;
    *) MISSING_NOTE="no peer reads .v3d" thumbnailRow "$f" "$(basename "$f")" "" ;;
  esac
done
for f in "${SAMPLE_OBJS[@]}"; do
  case "$f" in "$WORK"/*) thumbnailRow "$f" "$(basename "$f") (conv.)" "$F3D" ;; esac
done
[ -z "$F3D" ] && [ -n "$F3D_NOTE" ] && echo "   $F3D_NOTE"

echo
if [ ${#MISSED[@]} -eq 0 ] && [ "$UNCHECKED" -eq 0 ]; then
  echo "every target met"
elif [ ${#MISSED[@]} -eq 0 ]; then
  echo "no target missed where a peer ran; $UNCHECKED rows could not be compared (peer missing or failed)"
else
  [ "$UNCHECKED" -gt 0 ] && echo "$UNCHECKED rows could not be compared (peer missing or failed)"
  echo "targets missed:"
  for m in "${MISSED[@]}"; do echo "  - $m"; done
fi
echo "load at the end:$(uptime | sed 's/.*load average://'), $((SECONDS / 60)) min $((SECONDS % 60)) s in all"
