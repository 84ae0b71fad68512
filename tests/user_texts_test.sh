#!/usr/bin/env bash
# The user-text check on a planted tree: it names literals with Chinese or English words
# outside the tables, and lets comments, the tables and non-sentences through.
set -uo pipefail
check=$1 t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
mkdir -p "$t/messages" "$t/link"
printf '// 端口 "in a comment" is fine\nconst char* k = "NOT FOR A REAL BOX";\nauto p = "/dev/ttyUSB0";\n' \
    >"$t/link/quiet.cpp"
printf 'constexpr auto k = "出错：软件版本低于固件版本，请到";\n' >"$t/messages/message_catalogue.cpp"
printf 'out = "Permission denied on " + path;\nx = ok ? "a" : "端口被占用";\nauto y = "%%s: \\"cannot open\\" it";\n' \
    >"$t/link/loud.cpp"
out=$(bash "$check" "$t") && status=0 || status=$?
failed=0
for line in 'link/loud.cpp:1:' 'link/loud.cpp:2:' 'link/loud.cpp:3:'; do
    [[ $out == *"$line"* ]] || { echo "missed $line in: $out"; failed=1; }
done
[[ $status == 1 && $out != *quiet* && $out != *"messages/message_catalogue.cpp:"* ]] || { echo "status $status: $out"; failed=1; }
exit $failed
