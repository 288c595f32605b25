#!/usr/bin/env bash
# The speed-up of a batch run on several processors against the same batch
# one file at a time: 8 OBJ files of 100,000 triangles converted to PLY and
# thumbnailed, with `--jobs 1` and `--jobs N` runs alternating.
#
#   bash bench/batch.sh BUILD_DIR [JOBS]
#
# JOBS defaults to the processors available; RUNS (default 5) counted runs of
# each, after one warm-up run of each; the figures are medians of wall time.
set -u

if [ $# -lt 1 ]; then
  echo "usage: bash bench/batch.sh BUILD_DIR [JOBS]" >&2
  exit 2
fi
BUILD=$(cd "$1" 2>/dev/null && pwd) || { echo "batch: no build directory $1" >&2; exit 2; }
JOBS=${2:-$(nproc)}
RUNS=${RUNS:-5}
FILES=${FILES:-8}
TRIANGLES=${TRIANGLES:-100000}
VEX3D="$BUILD/bin/vex3d"
MAKE_MESHES="$BUILD/bin/make_bench_meshes"
RUN_TIMED="$BUILD/bin/run_timed"
for tool in "$VEX3D" "$MAKE_MESHES" "$RUN_TIMED"; do
  if [ ! -x "$tool" ]; then
    echo "batch: $tool is missing (build the release preset with benchmarks)" >&2
    exit 2
  fi
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vex3d_batch.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
trap 'exit 130' INT TERM

"$MAKE_MESHES" "$WORK" "$TRIANGLES" >/dev/null || exit 1
INPUTS=()
for i in $(seq 1 "$FILES"); do
  cp "$WORK/mesh_$TRIANGLES.obj" "$WORK/file_$i.obj"
  INPUTS+=("$WORK/file_$i.obj")
done
mkdir -p "$WORK/out"

# Wall seconds of one batch run; its messages are not what is measured.
wall() {
  rm -f "$WORK"/out/*
  "$RUN_TIMED" 600 "$@" 2>/dev/null | cut -d' ' -f1
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One warm-up run of each, then `--jobs 1` and `--jobs JOBS` alternately.
row() {
  local label=$1
  shift
  wall "$@" --jobs 1 >/dev/null
  wall "$@" --jobs "$JOBS" >/dev/null
  local one=() many=()
  for _ in $(seq 1 "$RUNS"); do
    one+=("$(wall "$@" --jobs 1)")
    many+=("$(wall "$@" --jobs "$JOBS")")
  done
  local m1 mn
  m1=$(printf '%s\n' "${one[@]}" | median)
  mn=$(printf '%s\n' "${many[@]}" | median)
  printf '| %-20s | %8.3f s | %8.3f s | %5.2fx |\n' "$label" "$m1" "$mn" \
    "$(awk -v a="$m1" -v b="$mn" 'BEGIN { print a / b }')"
}

# The floor: reading every file once, as cat does.
floor=()
for _ in $(seq 1 "$RUNS"); do
  floor+=("$("$RUN_TIMED" 60 cat "${INPUTS[@]}" | cut -d' ' -f1)")
done

echo "$FILES files of $TRIANGLES triangles, $JOBS processors, medians of $RUNS alternating runs"
echo
printf '| %-20s | %10s | %10s | %6s |\n' "batch" "--jobs 1" "--jobs $JOBS" "ratio"
printf '|%s|%s|%s|%s|\n' "----------------------" "------------" "------------" "--------"
row "convert OBJ to PLY" "$VEX3D" convert "${INPUTS[@]}" --to ply --output-dir "$WORK/out"
row "thumbnail 256 px" "$VEX3D" thumbnail "${INPUTS[@]}" --output-dir "$WORK/out"
printf '| %-20s | %8.3f s | %10s | %6s |\n' "cat (floor)" \
  "$(printf '%s\n' "${floor[@]}" | median)" "" ""
