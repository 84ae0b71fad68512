#!/usr/bin/env bash
# The include-graph check on a small planted tree: it names a stray include and an unused
# link, and passes the tree once the links match the includes.
set -uo pipefail
check=$1 t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
mkdir -p "$t/a" "$t/b" "$t/c"
printf '#include "a/a.h"\n  #  include "b/b.h"\n' >"$t/a/a.cpp"
printf '#include <c/not_ours.h>\n#include "c/c.h"\n' >"$t/b/b.h"
: >"$t/c/c.h"
failed=0
expect() {  # status, links, a line the output must hold
    printf "$2" >"$t/links"
    out=$(bash "$check" "$t" "$t/links") && status=0 || status=$?
    [[ $status == "$1" && $out == *"$3"* ]] || { echo "links '$2': status $status: $out"; failed=1; }
}
expect 1 'a:\nb: c\nc:\n' 'a/a.cpp:2: includes from b/, which the a library does not link'
expect 1 'a: b\nb: c\nc: a\n' 'c: links a, but none of its files include from it'
expect 0 'a: b\nb: c\nc:\n' 'every include linked, every link used'
exit $failed
