#!/usr/bin/env bash
# The headers a plug-in writer gets stand on their own: each installed
# header compiles alone against the installed include folder and nothing
# else, so none of them includes a header that was left out. The plug-in
# interface is among them, and the drawing and window headers are not.
#   bash installed_headers_test.sh PREFIX [COMPILER]
set -euo pipefail
prefix=$1
cxx=${2:-c++}
[ -d "$prefix/include/vex3d" ] || { echo "no headers installed in $prefix/include/vex3d"; exit 1; }
include=$(cd "$prefix/include/vex3d" && pwd)
fail=0
for needed in hostlib/io/plugin_api.h io/parser.h scene/scene.h scene/scene_node.h \
  scene/scene_io_options.h mesh/model/base_object.h vex3d_export.h hostlib/hostlib_export.h; do
  [ -f "$include/$needed" ] || { echo "$needed is not installed"; fail=1; }
done
for private in render viewer hostlib/ui; do
  [ ! -e "$include/$private" ] || { echo "$private/ is installed but is not for plug-ins"; fail=1; }
done
if find "$include" -path '*/internal/*' | grep -q .; then
  echo "private headers (internal/) are installed"
  fail=1
fi

cd "$include"
headers=$(find . -name '*.h' | sed 's|^\./||' | sort)
count=$(printf '%s\n' "$headers" | wc -l)
[ "$count" -gt 50 ] || { echo "only $count headers installed"; fail=1; }

# Parsing the standard library is most of each compile: the system headers
# the installed ones name are compiled once, ahead, and given to every
# compile. Each header still meets no other header of ours than those it
# includes itself, which is what is checked.
work=$(mktemp -d "${TMPDIR:-/tmp}/vex3d_headers.XXXXXX")
trap 'rm -rf "$work"' EXIT
grep -h '^#include <' $headers | sort -u >"$work/system.h"
case "$("$cxx" --version 2>/dev/null | head -1)" in
  *clang*) pch="$work/system.h.pch" ;;
  *) pch="$work/system.h.gch" ;;
esac
flags=(-std=c++20 -Wall -Wextra -Werror)
"$cxx" "${flags[@]}" -x c++-header "$work/system.h" -o "$pch" || rm -f "$pch"

# Two at a time: the machine is shared.
failed=$(printf '%s\n' "$headers" | xargs -P 2 -I{} sh -c \
  'h=$1; shift; printf "#include \"%s\"\n" "$h" | "$@" -fsyntax-only -x c++ - >/dev/null 2>&1 ||
     echo "$h"' sh {} "$cxx" "${flags[@]}" -include "$work/system.h" -I "$include" | sort)
if [ -n "$failed" ]; then
  for h in $failed; do
    echo "$h does not compile alone:"
    printf '#include "%s"\n' "$h" | "$cxx" "${flags[@]}" -fsyntax-only -I "$include" -x c++ - 2>&1 |
      head -5 | sed 's/^/    /' || true
  done
  fail=1
fi
[ $fail = 0 ] && echo "installed headers: $count, each compiles alone"
exit $fail
