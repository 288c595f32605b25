#!/usr/bin/env bash
# The manual page of the exchange stand-in, made from its --help: a usage
# line, a description and one "  --option  text" line per option.
#
#   bash scripts/make-standin-manual.sh STANDIN OUT_FILE VERSION
set -euo pipefail
standin=$1
out=$2
version=$3
export LANG=C LC_ALL=C LANGUAGE=
help=$("$standin" --help)
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\([.']\)/\\\\\&\1/"; }
{
  echo ".TH VEX3D\\-EXCHANGE\\-STANDIN 1 \"\" \"vex3d $version\" \"User Commands\""
  echo ".SH NAME"
  echo "vex3d\\-exchange\\-standin \\- serve scene files as an authoring application's exchange program would"
  echo ".SH SYNOPSIS"
  printf '%s\n' "$help" | sed -n 's/^Usage: vex3d-exchange-standin //p' | roff | sed 's/^/.B vex3d\\-exchange\\-standin\n/'
  echo ".SH DESCRIPTION"
  printf '%s\n' "$help" | awk 'NR > 1 && !/^  -/' | roff
  echo ".SH OPTIONS"
  printf '%s\n' "$help" | awk '/^  -/ {
      sub(/^  /, ""); i = index($0, "  "); print ".TP"; print substr($0, 1, i - 1)
      s = substr($0, i); sub(/^ +/, "", s); print s }' | roff | sed 's/^\\&\.TP$/.TP/'
  echo ".SH SEE ALSO"
  echo ".BR vex3d (1)"
} >"$out"
