#!/usr/bin/env bash
# Manual pages for vex3d and each of its commands, made from the text the
# command prints for `help`, so that the two never say different things.
#
#   bash scripts/make-manual.sh VEX3D OUT_DIR VERSION [VIEWER]
# writes OUT_DIR/vex3d.1 and OUT_DIR/vex3d-COMMAND.1, and with the viewer
# program OUT_DIR/vex3d-viewer.1 from its --help.
set -euo pipefail
vex3d=$1
out=$2
version=$3
viewer=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
export LANG=C LC_ALL=C LANGUAGE=
mkdir -p "$out"

# Roff: backslashes and dashes escaped, a leading dot or quote defused.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\([.']\)/\\\\\&\1/"; }

commands=$("$vex3d" help | awk '/^commands:$/ {on = 1; next} on && /^$/ {exit} on {print $1}')
{
  echo ".TH VEX3D 1 \"\" \"vex3d $version\" \"User Commands\""
  echo ".SH NAME"
  echo "vex3d \\- inspect, convert and render 3D files"
  echo ".SH SYNOPSIS"
  echo ".B vex3d"
  echo ".I COMMAND"
  echo "[\\fIARGS\\fR]"
  echo ".SH COMMANDS"
  "$vex3d" help | awk '/^commands:$/ {on = 1; next} on && /^$/ {exit} on {
      sub(/^  /, ""); i = index($0, "  "); print ".TP"; print substr($0, 1, i - 1)
      s = substr($0, i); sub(/^ +/, "", s); print s }' | roff | sed 's/^\\&\.TP$/.TP/; s/^\.TP$/.TP/'
  echo ".SH EXIT STATUS"
  "$vex3d" help | awk '/^exit status:/' | roff
  echo ".SH UP AXIS"
  "$vex3d" help | awk '/^up axis:/ {sub(/^up axis: */, ""); print}' | roff
  echo ".SH SEE ALSO"
  first=1
  for c in $commands; do
    [ $first = 1 ] || printf ',\n'
    printf '.BR vex3d\\-%s (1)' "$c"
    first=0
  done
  [ -z "$viewer" ] || printf ',\n.BR vex3d\\-viewer (1)'
  echo
} >"$out/vex3d.1"

# OPTIONS and EXAMPLE sections from help records on standard input.
options_and_example() {
  local records
  records=$(cat)
  echo ".SH OPTIONS"
  printf '%s\n' "$records" | awk -F'\t' '$1 == "option" {
      s = ""
      if ($2 != "") s = "-" $2 ", "
      s = s "--" $3
      if ($4 != "") s = s " " $4
      print ".TP"; print s; print $5 }' | roff | sed 's/^\\&\.TP$/.TP/'
  echo ".SH EXAMPLE"
  printf '%s\n' "$records" | awk -F'\t' '$1 == "example" {print $2}' | roff |
    sed 's/^/.nf\n/; s/$/\n.fi/'
}

for c in $commands; do
  records=$("$vex3d" help "$c" | awk -f "$here/help-text.awk")
  summary=$(printf '%s\n' "$records" | awk -F'\t' '$1 == "summary" {print $2}')
  usage=$(printf '%s\n' "$records" | awk -F'\t' '$1 == "usage" {print $2}')
  {
    echo ".TH VEX3D\\-${c^^} 1 \"\" \"vex3d $version\" \"User Commands\""
    echo ".SH NAME"
    printf 'vex3d\\-%s \\- %s\n' "$c" "$(printf '%s' "$summary" | roff)"
    echo ".SH SYNOPSIS"
    printf '.B vex3d %s\n' "$(printf '%s' "$c" | roff)"
    [ -z "$usage" ] || printf '%s\n' "$usage" | roff
    echo "[\\fIoptions\\fR]"
    echo ".SH DESCRIPTION"
    printf '%s\n' "$summary" | roff
    printf '%s\n' "$records" | options_and_example
    echo ".SH SEE ALSO"
    echo ".BR vex3d (1)"
  } >"$out/vex3d-$c.1"
done

[ -n "$viewer" ] || exit 0
records=$("$viewer" --help | awk -f "$here/help-text.awk")
summary=$(printf '%s\n' "$records" | awk -F'\t' '$1 == "summary" {print $2}')
usage=$(printf '%s\n' "$records" | awk -F'\t' '$1 == "usage" {print $2}')
{
  echo ".TH VEX3D\\-VIEWER 1 \"\" \"vex3d $version\" \"User Commands\""
  echo ".SH NAME"
  echo "vex3d\\-viewer \\- show 3D files in a window"
  echo ".SH SYNOPSIS"
  echo ".B vex3d\\-viewer"
  [ -z "$usage" ] || printf '%s\n' "$usage" | roff
  echo "[\\fIoptions\\fR]"
  echo ".SH DESCRIPTION"
  printf '%s\n' "$summary" | roff
  echo "Help in the window opens the user guide."
  printf '%s\n' "$records" | options_and_example
  echo ".SH SEE ALSO"
  echo ".BR vex3d (1)"
} >"$out/vex3d-viewer.1"
