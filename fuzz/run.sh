#!/usr/bin/env bash
# Runs every harness in BIN_DIR for SECONDS each, seeded from fuzz/corpus/<name>
# when present. Exits non-zero on the first crash or sanitizer report.
set -euo pipefail
bin_dir=${1:?usage: run.sh BIN_DIR SECONDS}
seconds=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for h in "$bin_dir"/*_fuzz; do
  [[ -x "$h" ]] || continue
  name=$(basename "$h")
  work=$(mktemp -d)
  seeds=()
  [[ -d "$here/corpus/$name" ]] && seeds+=("$here/corpus/$name")
  echo "fuzz: $name for ${seconds}s"
  if ! "$h" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$work/" -print_final_stats=0 "$work" "${seeds[@]}" >"$work/log" 2>&1; then
    tail -n 60 "$work/log"
    echo "fuzz: $name FAILED (artifacts in $work)"
    status=1
  fi
done
exit $status
