#!/usr/bin/env bash
# `vex3d info` and `convert` on 3DS Max files, served by the stand-in
# exchange program. Usage: exchange_cli_test.sh VEX3D STANDIN SAMPLES_DIR
set -euo pipefail
vex3d=$1
standin=$2
samples=$3
dir=$(mktemp -d)
chmod 700 "$dir"
export XDG_RUNTIME_DIR=$dir
"$standin" --max --root "$dir" &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 400); do
  [[ -S "$dir/vex3d-exchange/Halcyon3DSMaxWindow x64" ]] && break
  kill -0 $pid
  sleep 0.05
done
cp "$samples/textured_cube.v3d" "$dir/cube.max"
"$vex3d" info "$dir/cube.max" | grep -q "8 points, 6 faces"
"$vex3d" convert "$samples/animated_groups.v3d" "$dir/groups.max"
[[ -s "$dir/groups.max" ]]
"$vex3d" info "$dir/groups.max" | grep -q "totals:"
echo "exchange: read and written"
