#!/usr/bin/env bash
# The manual pages and the shell completion say what the help says: every
# option of every command is in its page and in the completion, the pages
# render without warnings and the bash completion parses; the viewer
# program's page names every option of its --help.
#   bash manual_completion_test.sh VEX3D SCRIPTS_DIR [VIEWER [STANDIN]]
set -euo pipefail
vex3d=$1
scripts=$2
viewer=${3:-}
standin=${4:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/vex3d_manual.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LANG=C LC_ALL=C LANGUAGE=
fail=0

bash "$scripts/make-manual.sh" "$vex3d" "$work/man1" 0 "$viewer"
for shell in bash zsh fish; do bash "$scripts/make-completion.sh" "$vex3d" $shell >"$work/comp.$shell"; done
bash -n "$work/comp.bash" || { echo "the bash completion does not parse"; fail=1; }

commands=$("$vex3d" help | awk '/^commands:$/ {on = 1; next} on && /^$/ {exit} on {print $1}')
[ -n "$commands" ] || { echo "no commands in the help"; exit 1; }
for c in $commands; do
  page="$work/man1/vex3d-$c.1"
  [ -s "$page" ] || { echo "no page for $c"; fail=1; continue; }
  for option in $("$vex3d" help "$c" | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" "$page" || { echo "$c: $option missing from its page"; fail=1; }
    grep -qF -- "$option" "$work/comp.bash" || { echo "$c: $option missing from the bash completion"; fail=1; }
    grep -qF -- "'$option[" "$work/comp.zsh" || { echo "$c: $option missing from the zsh completion"; fail=1; }
    grep -qF -- "-l ${option#--}" "$work/comp.fish" || { echo "$c: $option missing from the fish completion"; fail=1; }
  done
  if command -v man >/dev/null 2>&1; then
    warnings=$(man --warnings -l "$page" 2>&1 >/dev/null || true)
    [ -z "$warnings" ] || { echo "$c: the page renders with warnings: $warnings"; fail=1; }
  fi
done
grep -qF "vex3d\\-convert" "$work/man1/vex3d.1" || { echo "vex3d(1) does not point to the commands' pages"; fail=1; }
# A program's own page names every option its --help lists.
checkProgramPage() {
  local name=$1 program=$2 page=$3 options option warnings
  if [ ! -s "$page" ]; then
    echo "no page for $name"
    fail=1
    return
  fi
  options=$("$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
  [ -n "$options" ] || { echo "$name --help lists no options"; fail=1; }
  for option in $options; do
    grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" "$page" ||
      { echo "$name: $option missing from its page"; fail=1; }
  done
  if command -v man >/dev/null 2>&1; then
    warnings=$(man --warnings -l "$page" 2>&1 >/dev/null || true)
    [ -z "$warnings" ] || { echo "$name: the page renders with warnings: $warnings"; fail=1; }
  fi
}
if [ -n "$viewer" ]; then
  checkProgramPage vex3d-viewer "$viewer" "$work/man1/vex3d-viewer.1"
  grep -qF "vex3d\\-viewer" "$work/man1/vex3d.1" || { echo "vex3d(1) does not point to the viewer's page"; fail=1; }
fi
if [ -n "$standin" ]; then
  bash "$scripts/make-standin-manual.sh" "$standin" "$work/man1/vex3d-exchange-standin.1" 0
  checkProgramPage vex3d-exchange-standin "$standin" "$work/man1/vex3d-exchange-standin.1"
fi
[ $fail = 0 ] && echo "manual pages and completion: every option of every command"
exit $fail
