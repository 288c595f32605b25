#!/usr/bin/env bash
# Shell completion for vex3d (bash, zsh or fish), made from the text the
# command prints for `help`, so that it offers exactly what the commands
# accept.
#
#   bash scripts/make-completion.sh VEX3D bash|zsh|fish > FILE
set -euo pipefail
vex3d=$1
shell=$2
here=$(cd "$(dirname "$0")" && pwd)
export LANG=C LC_ALL=C LANGUAGE=

commands=$("$vex3d" help | awk '/^commands:$/ {on = 1; next} on && /^$/ {exit} on {print $1}')
records() { "$vex3d" help "$1" | awk -f "$here/help-text.awk"; }
summary() { records "$1" | awk -F'\t' '$1 == "summary" {print $2}'; }
# One option a line, its fields apart by a byte no help text holds (a tab
# would not do: `read` takes runs of tabs for one, and fields may be empty).
options() { records "$1" | awk -F'\t' '$1 == "option" {print $2 "\037" $3 "\037" $4 "\037" $5}'; }

case "$shell" in
bash)
  echo "# bash completion for vex3d"
  echo "_vex3d() {"
  echo "  local cur=\${COMP_WORDS[COMP_CWORD]} opts="
  echo "  if [ \"\$COMP_CWORD\" -eq 1 ]; then"
  echo "    COMPREPLY=(\$(compgen -W \"$(echo $commands) --help --version\" -- \"\$cur\"))"
  echo "    return"
  echo "  fi"
  echo "  case \${COMP_WORDS[1]} in"
  for c in $commands; do
    opts=$(records "$c" | awk -F'\t' '$1 == "option" {
        if ($2 != "") printf "-%s ", $2
        printf "--%s ", $3 }')
    [ "$c" = help ] && opts="$opts$(echo $commands)"
    echo "    $c) opts=\"${opts% }\" ;;"
  done
  echo "  esac"
  echo "  if [[ \"\$cur\" == -* || \${COMP_WORDS[1]} == help ]]; then"
  echo "    COMPREPLY=(\$(compgen -W \"\$opts\" -- \"\$cur\"))"
  echo "  else"
  echo "    COMPREPLY=(\$(compgen -f -- \"\$cur\"))"
  echo "  fi"
  echo "}"
  echo "complete -o filenames -F _vex3d vex3d"
  ;;
zsh)
  # Descriptions go inside single quotes, where zsh also reads [ ] and :.
  zq() { sed -e "s/'/'\\\\''/g" -e 's/\[/\\[/g; s/\]/\\]/g; s/:/\\:/g'; }
  echo "#compdef vex3d"
  echo "_vex3d() {"
  echo "  local -a commands"
  echo "  commands=("
  for c in $commands; do echo "    '$c:$(summary "$c" | zq)'"; done
  echo "  )"
  echo "  if (( CURRENT == 2 )); then"
  echo "    _describe 'command' commands"
  echo "    return"
  echo "  fi"
  echo "  case \$words[2] in"
  for c in $commands; do
    echo "    $c)"
    echo "      _arguments \\"
    options "$c" |
      while IFS=$'\037' read -r short long value help; do
        h=$(printf '%s' "$help" | zq)
        arg=""
        [ -z "$value" ] || arg=":$(printf '%s' "$value" | zq):"
        [ -z "$short" ] || echo "        '-$short[$h]$arg' \\"
        echo "        '--$long[$h]$arg' \\"
      done
    echo "        '*:file:_files' ;;"
  done
  echo "  esac"
  echo "}"
  echo "_vex3d \"\$@\""
  ;;
fish)
  fq() { sed -e "s/\\\\/\\\\\\\\/g" -e "s/'/\\\\'/g"; }
  echo "# fish completion for vex3d"
  echo "complete -c vex3d -f -n __fish_use_subcommand -l help -d 'show the commands'"
  echo "complete -c vex3d -f -n __fish_use_subcommand -l version -d 'show the version'"
  for c in $commands; do
    echo "complete -c vex3d -f -n __fish_use_subcommand -a $c -d '$(summary "$c" | fq)'"
    options "$c" |
      while IFS=$'\037' read -r short long value help; do
        line="complete -c vex3d -n '__fish_seen_subcommand_from $c' -l $long"
        [ -z "$short" ] || line="$line -s $short"
        [ -z "$value" ] || line="$line -r"
        echo "$line -d '$(printf '%s' "$help" | fq)'"
      done
  done
  ;;
*)
  echo "make-completion: unknown shell $shell (bash, zsh or fish)" >&2
  exit 2
  ;;
esac
