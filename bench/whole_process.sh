#!/usr/bin/env bash
# Whole-process speed and memory of the vex3d command against the peers'
# command-line tools on the same generated files: reading (assimp info, and
# assimp info -r, its import without post-processing), converting (assimp
# export), thumbnails (f3d), with `cat` as the floor.
#
#   bash bench/whole_process.sh BUILD_DIR [SIZES...]
#
# SIZES are triangle counts (default 100000 1000000 4000000). For every row
# each command runs once to warm up, then RUNS times (default 3), the
# commands of a row alternating run by run and the order turning each round,
# so that no side always runs on pages the other just freed. Figures are
# medians of wall time; memory is the median peak resident size. One table,
# with the targets and whether each row meets them.
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
RUN_TIMEOUT=${RUN_TIMEOUT:-900}

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

# ASSIMP= or F3D= in the environment leaves that peer out.
ASSIMP=${ASSIMP-$(command -v assimp || true)}
F3D=${F3D-$(command -v f3d || true)}
# f3d draws through a window system: without one, a virtual X server is
# started once, outside the timings.
if [ -n "$F3D" ] && [ -z "${DISPLAY:-}" ]; then
  if command -v Xvfb >/dev/null 2>&1; then
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
      n=$(grep -Eo '^[0-9]+' "$WORK/display" 2>/dev/null) && [ -n "$n" ] && break
      sleep 0.1
    done
    if [ -n "${n:-}" ]; then export DISPLAY=":$n"; else F3D=; fi
  else
    F3D=
  fi
fi

# timeRuns NAME COMMAND...: the wall seconds and peak KiB of one run,
# appended to $WORK/NAME.wall and $WORK/NAME.peak; "failed" on failure.
timeRuns() {
  local name=$1
  shift
  local wall user sys rss
  if ! "$RUN_TIMED" "$RUN_TIMEOUT" "$@" >"$WORK/time.out" 2>"$WORK/stderr.out"; then
    echo failed >>"$WORK/$name.wall"
    return
  fi
  read -r wall user sys rss <"$WORK/time.out"
  echo "$wall" >>"$WORK/$name.wall"
  echo "$rss" >>"$WORK/$name.peak"
}

median() {
  if grep -q failed "$1" 2>/dev/null || [ ! -s "$1" ]; then echo failed; return; fi
  sort -g "$1" | awk '{ v[NR] = $1 } END { printf "%.4f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# compareRuns CMD_A... -- CMD_B... [-- CMD_C...]: warm-up then RUNS rounds,
# the commands alternating and the first of each round turning; results
# in $WORK/c<i>.wall and .peak.
compareRuns() {
  local -a commands=()
  local current="" word
  rm -f "$WORK"/c*.wall "$WORK"/c*.peak
  for word in "$@"; do
    if [ "$word" = "--" ]; then commands+=("$current"); current=""; else current+="$(printf '%q ' "$word")"; fi
  done
  commands+=("$current")
  local count=${#commands[@]} i round
  for ((i = 0; i < count; ++i)); do eval "\"\$RUN_TIMED\" \"\$RUN_TIMEOUT\" ${commands[i]}" >/dev/null 2>&1; done
  for ((round = 0; round < RUNS; ++round)); do
    for ((i = 0; i < count; ++i)); do
      local k=$(((i + round) % count))
      eval "timeRuns c$k ${commands[k]}"
    done
  done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "failed" || b == "failed" || b <= 0) print "-"; else printf "%.2f", a / b }'; }
# atLeast VALUE TARGET: "met" when VALUE >= TARGET.
atLeast() { awk -v v="$1" -v t="$2" 'BEGIN { if (v == "-") print "-"; else print (v + 0 >= t) ? "met" : "NOT met" }'; }
atMost() { awk -v v="$1" -v t="$2" 'BEGIN { if (v == "-") print "-"; else print (v + 0 <= t) ? "met" : "NOT met" }'; }
mib() { awk -v k="$1" 'BEGIN { if (k == "failed") print "-"; else printf "%.0f", k / 1024 }'; }

echo "vex3d whole-process benchmark: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load:$(uptime | sed 's/.*load average://')"
echo "vex3d: $VEX3D"
echo "assimp: ${ASSIMP:-not installed}; f3d: ${F3D:-not installed or no display}"
echo "figures: medians of $RUNS runs after one warm-up run each, commands alternating; ratio = peer / vex3d (above 1: vex3d faster)"
"$MAKE_MESHES" "$WORK" $SIZES >/dev/null || { echo "whole_process: cannot generate the meshes" >&2; exit 1; }

# Triangles of a file generated for SIZE (the torus rounds the count).
triangles() { "$VEX3D" info "$1" 2>/dev/null | sed -n 's/^totals: .* \([0-9]*\) faces.*/\1/p'; }

# Per kind of file: the bytes per triangle that its storage needs at most.
declare -A BYTES_TARGET=([obj]=280 [bare.obj]=100 [stl]=100 [colors.ply]=150 [ply]=280)
declare -A READ_1M=() READ_4M=()

echo
echo "## Reading: vex3d info FILE"
printf '| %-22s | %7s | %7s | %8s | %9s | %7s | %8s | %7s | %6s | %-32s |\n' file "cat s" "vex3d s" "assimp s" "assimp -r" "x info" "x raw" "x cat" "B/tri" "targets (>=3x info, >1x raw, <=8x cat, B/tri)"
printf '|%s|\n' "------------------------|---------|---------|----------|-----------|---------|----------|---------|--------|----------------------------------"
for n in $SIZES; do
  for kind in obj bare.obj stl colors.ply; do
    case $kind in
      obj) f="$WORK/mesh_$n.obj" ;;
      bare.obj) f="$WORK/mesh_${n}_bare.obj" ;;
      stl) f="$WORK/mesh_$n.stl" ;;
      colors.ply) f="$WORK/mesh_${n}_colors.ply" ;;
    esac
    tris=$(triangles "$f")
    if [ -n "$ASSIMP" ]; then
      compareRuns cat "$f" -- "$VEX3D" info "$f" -- "$ASSIMP" info "$f" -- "$ASSIMP" info "$f" -r
    else
      compareRuns cat "$f" -- "$VEX3D" info "$f"
    fi
    catS=$(median "$WORK/c0.wall"); ours=$(median "$WORK/c1.wall")
    info=$(median "$WORK/c2.wall"); raw=$(median "$WORK/c3.wall")
    peak=$(median "$WORK/c1.peak")
    perTri=$(awk -v k="$peak" -v t="$tris" 'BEGIN { if (k == "failed" || t <= 0) print "-"; else printf "%.0f", k * 1024 / t }')
    xInfo=$(ratio "$info" "$ours"); xRaw=$(ratio "$raw" "$ours"); xCat=$(ratio "$ours" "$catS")
    verdict="$(atLeast "$xInfo" 3) / $(awk -v v="$xRaw" 'BEGIN { if (v == "-") print "-"; else print (v + 0 > 1) ? "met" : "NOT met" }')"
    if [ "$n" -ge 1000000 ]; then verdict+=" / $(atMost "$xCat" 8)"; else verdict+=" / -"; fi
    # Below a million triangles the program's own few MiB weigh on the figure.
    if [ "$n" -ge 1000000 ]; then verdict+=" / $(atMost "$perTri" "${BYTES_TARGET[$kind]}")"; else verdict+=" / -"; fi
    printf '| %-22s | %7s | %7s | %8s | %9s | %7s | %8s | %7s | %6s | %-32s |\n' "$(basename "$f")" \
      "$catS" "$ours" "$info" "$raw" "$xInfo" "$xRaw" "$xCat" "$perTri" "$verdict"
    [ "$n" = 1000000 ] && READ_1M[$kind]=$ours
    [ "$n" = 4000000 ] && READ_4M[$kind]=$ours
  done
done

growth() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || a == "failed" || b == "failed" || a <= 0) print "-"; else printf "%.2f", log(b / a) / log(4) }'
}
if [ ${#READ_1M[@]} -gt 0 ] && [ ${#READ_4M[@]} -gt 0 ]; then
  echo
  echo "## Growth from 1M to 4M triangles (exponent of time; target at most 1.05)"
  for kind in obj bare.obj stl colors.ply; do
    e=$(growth "${READ_1M[$kind]:-}" "${READ_4M[$kind]:-}")
    printf '| read %-12s | %5s | %-7s |\n' "$kind" "$e" "$(atMost "$e" 1.05)"
  done
fi

echo
echo "## Converting: vex3d convert IN.obj OUT vs assimp export"
printf '| %-28s | %7s | %8s | %6s | %8s | %9s | %-9s |\n' conversion "vex3d s" "assimp s" ratio "vex3d MiB" "assimp MiB" "target"
printf '|%s|\n' "------------------------------|---------|----------|--------|----------|-----------|----------"
for n in $SIZES; do
  f="$WORK/mesh_$n.obj"
  for to in ply glb; do
    peerFormat=plyb; target=3
    [ "$to" = glb ] && { peerFormat=glb2; target=1; }
    if [ -n "$ASSIMP" ]; then
      compareRuns "$VEX3D" convert "$f" "$WORK/ours.$to" --quiet --force -- "$ASSIMP" export "$f" "$WORK/peer.$to" "-f$peerFormat"
    else
      compareRuns "$VEX3D" convert "$f" "$WORK/ours.$to" --quiet --force
    fi
    ours=$(median "$WORK/c0.wall"); peer=$(median "$WORK/c1.wall")
    x=$(ratio "$peer" "$ours")
    printf '| %-28s | %7s | %8s | %6s | %8s | %9s | %-9s |\n' "mesh_$n.obj to $to" "$ours" "$peer" "$x" \
      "$(mib "$(median "$WORK/c0.peak")")" "$(mib "$(median "$WORK/c1.peak")")" "$(atLeast "$x" $target) (${target}x)"
  done
  # The GLB as users get it from elsewhere, read back.
  if [ -n "$ASSIMP" ] && [ -f "$WORK/ours.glb" ]; then
    compareRuns "$VEX3D" info "$WORK/ours.glb" -- "$ASSIMP" info "$WORK/ours.glb" -r
    ours=$(median "$WORK/c0.wall"); peer=$(median "$WORK/c1.wall"); x=$(ratio "$peer" "$ours")
    printf '| %-28s | %7s | %8s | %6s | %8s | %9s | %-9s |\n' "read mesh_$n.glb (info -r)" "$ours" "$peer" "$x" \
      "$(mib "$(median "$WORK/c0.peak")")" "$(mib "$(median "$WORK/c1.peak")")" "$(atLeast "$x" 1) (1x)"
  fi
  rm -f "$WORK"/ours.* "$WORK"/peer.*
done

echo
echo "## Thumbnails: vex3d thumbnail IN OUT.png --size 256 vs f3d --output --resolution 256,256"
# A thumbnailer writes nothing but its image, so vex3d compiles its shaders
# afresh each run; f3d as users run it keeps them in Mesa's cache under
# ~/.cache. The column "f3d, no cache" is f3d doing the same work.
printf '| %-22s | %7s | %7s | %6s | %13s | %6s | %-7s |\n' file "vex3d s" "f3d s" ratio "f3d no cache" ratio target
printf '|%s|\n' "------------------------|---------|---------|--------|---------------|--------|--------"
for n in $SIZES; do
  for f in "$WORK/mesh_$n.obj" "$WORK/mesh_$n.stl" "$WORK/mesh_${n}_colors.ply"; do
    if [ -n "$F3D" ]; then
      compareRuns "$VEX3D" thumbnail "$f" "$WORK/ours.png" --size 256 -- "$F3D" --output="$WORK/peer.png" --resolution=256,256 "$f" \
        -- env MESA_SHADER_CACHE_DISABLE=true "$F3D" --output="$WORK/peer.png" --resolution=256,256 "$f"
    else
      compareRuns "$VEX3D" thumbnail "$f" "$WORK/ours.png" --size 256
    fi
    ours=$(median "$WORK/c0.wall"); peer=$(median "$WORK/c1.wall"); x=$(ratio "$peer" "$ours")
    cold=$(median "$WORK/c2.wall"); xCold=$(ratio "$cold" "$ours")
    printf '| %-22s | %7s | %7s | %6s | %13s | %6s | %-7s |\n' "$(basename "$f")" "$ours" "$peer" "$x" "$cold" "$xCold" "$(awk -v v="$x" 'BEGIN { if (v == "-") print "-"; else print (v + 0 > 1) ? "met" : "NOT met" }')"
  done
done

echo
echo "## Start-up: vex3d info on a small file vs assimp info"
small="$ROOT/data/samples/cube.obj"
if [ -n "$ASSIMP" ]; then compareRuns "$VEX3D" info "$small" -- "$ASSIMP" info "$small"; else compareRuns "$VEX3D" info "$small"; fi
ours=$(median "$WORK/c0.wall"); peer=$(median "$WORK/c1.wall")
printf '| cube.obj | vex3d %s s | assimp %s s | ratio %s |\n' "$ours" "$peer" "$(ratio "$peer" "$ours")"
echo
echo "load at the end:$(uptime | sed 's/.*load average://'), $((SECONDS / 60)) min $((SECONDS % 60)) s in all"
