#!/usr/bin/env bash
# What reading through the general-format worker costs: a generated mesh,
# converted to glTF and FBX by vex3d, read through the worker and in the
# calling process (bench/exchange_read.cpp), runs alternating, the same
# number each, medians of the whole-process wall time. Beside them the floor
# (cat FILE > /dev/null), the command line reading the file (vex3d info,
# through the worker) and the peer reading the same file (assimp info).
#
#   bash bench/exchange_worker.sh BUILD_DIR [TRIANGLES]
#
# TRIANGLES defaults to 1000000; RUNS (default 7) runs of each. Build the
# release preset first. Target: the worker at most 10% slower than
# in-process, and vex3d info faster than assimp info.
set -u

if [ $# -lt 1 ]; then
  echo "usage: bash bench/exchange_worker.sh BUILD_DIR [TRIANGLES]" >&2
  exit 2
fi
BUILD=$(cd "$1" 2>/dev/null && pwd) || { echo "exchange_worker: no build directory $1" >&2; exit 2; }
TRIANGLES=${2:-1000000}
RUNS=${RUNS:-7}
RUN_TIMEOUT=${RUN_TIMEOUT:-600}

VEX3D="$BUILD/bin/vex3d"
READ="$BUILD/bin/exchange_read"
MAKE_MESHES="$BUILD/bin/make_bench_meshes"
RUN_TIMED="$BUILD/bin/run_timed"
for tool in "$VEX3D" "$READ" "$MAKE_MESHES" "$RUN_TIMED"; do
  if [ ! -x "$tool" ]; then
    echo "exchange_worker: $tool is missing (build the release preset with benchmarks)" >&2
    exit 2
  fi
done
ASSIMP=${ASSIMP-$(command -v assimp || true)}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vex3d_exchange_worker.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
trap 'exit 130' INT TERM

# time LABEL COMMAND...: one run, its wall seconds appended to $WORK/LABEL.
time_run() {
  local label=$1
  shift
  local wall rest
  if ! "$RUN_TIMED" "$RUN_TIMEOUT" "$@" >"$WORK/time.out" 2>"$WORK/stderr.out"; then
    echo "exchange_worker: $label failed:" >&2
    sed 's/^/    | /' "$WORK/stderr.out" | tail -3 >&2
    return 1
  fi
  read -r wall rest <"$WORK/time.out"
  echo "$wall" >>"$WORK/$label"
}

median() { sort -g "$WORK/$1" | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "general-format worker benchmark: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load:$(uptime | sed 's/.*load average://')"
echo "figures: median wall seconds of $RUNS runs each, the runs of the two ways alternating"
"$MAKE_MESHES" "$WORK" "$TRIANGLES" >/dev/null || { echo "exchange_worker: cannot generate the mesh" >&2; exit 1; }
OBJ=$(ls "$WORK"/mesh_*.obj | head -1)
FILES=()
for ext in gltf fbx; do
  if "$VEX3D" convert "$OBJ" "$WORK/mesh.$ext" --quiet >/dev/null 2>&1; then
    FILES+=("$WORK/mesh.$ext")
  else
    echo "exchange_worker: vex3d cannot write mesh.$ext; left out" >&2
  fi
done

printf "\n%-10s %10s %10s %9s %10s %11s %12s  %s\n" file in-process worker overhead "cat floor" "vex3d info" "assimp info" verdict
missed=0
for file in "${FILES[@]}"; do
  name=$(basename "$file")
  rm -f "$WORK"/in-process "$WORK"/worker "$WORK"/cat "$WORK"/vex3d "$WORK"/assimp
  # What the readers read: a glTF comes with its buffer.
  parts=("$file")
  [[ "$file" == *.gltf && -f "${file%.*}.bin" ]] && parts+=("${file%.*}.bin")
  echo "$name: $("$READ" worker "$file"), $(du -ch "${parts[@]}" | tail -1 | cut -f1) on disk" >&2
  for ((run = 0; run < RUNS; ++run)); do
    # Each round changes which way goes first, so that neither always
    # finds the file and the libraries warmer.
    if ((run % 2 == 0)); then
      time_run in-process "$READ" in-process "$file" && time_run worker "$READ" worker "$file"
    else
      time_run worker "$READ" worker "$file" && time_run in-process "$READ" in-process "$file"
    fi || exit 1
    time_run cat cat "${parts[@]}" || exit 1
    # The command line and the peer take turns too.
    if ((run % 2 == 0)); then
      time_run vex3d "$VEX3D" info "$file" || exit 1
      if [ -n "$ASSIMP" ]; then time_run assimp "$ASSIMP" info "$file" || ASSIMP=; fi
    else
      if [ -n "$ASSIMP" ]; then time_run assimp "$ASSIMP" info "$file" || ASSIMP=; fi
      time_run vex3d "$VEX3D" info "$file" || exit 1
    fi
  done
  inproc=$(median in-process)
  worker=$(median worker)
  floor=$(median cat)
  ours=$(median vex3d)
  peer=-
  [ -s "$WORK/assimp" ] && peer=$(median assimp)
  overhead=$(awk -v w="$worker" -v i="$inproc" 'BEGIN { printf "%+.1f%%", (w / i - 1) * 100 }')
  if awk -v w="$worker" -v i="$inproc" 'BEGIN { exit !(w <= 1.10 * i) }'; then
    verdict=ok
  else
    verdict="MISSED (want <= +10%)"
    missed=$((missed + 1))
  fi
  if [ "$peer" != - ] && ! awk -v o="$ours" -v p="$peer" 'BEGIN { exit !(o < p) }'; then
    verdict="$verdict; vex3d info not faster than the peer"
    missed=$((missed + 1))
  fi
  printf "%-10s %10s %10s %9s %10s %11s %12s  %s\n" "$name" "$inproc" "$worker" "$overhead" "$floor" "$ours" "$peer" "$verdict"
done
exit $((missed > 0))
