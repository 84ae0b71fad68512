#!/usr/bin/env bash
# The platform-header check on a planted tree: it names each stray system header with its
# file and line, and lets the platform folder, the allowed simulator program and standard
# headers through.
set -uo pipefail
check=$1 t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
mkdir -p "$t/platform/linux" "$t/common" "$t/sim"
printf '#include <unistd.h>\n#include <windows.h>\n' >"$t/platform/linux/quiet.cpp"
printf '#include <csignal>\n#include "sys/ours.h"\n#include <cstdio>\n' >"$t/common/quiet.cpp"
printf '#include <termios.h>\n' >"$t/sim/pty_server.cpp"
printf '#include <vector>\n  #  include <sys/file.h>\n#include <Windows.h>\n' >"$t/common/loud.cpp"
printf '#include <fcntl.h>\n' >"$t/sim/box.cpp"
printf '#include <alsa/asoundlib.h>\n' >"$t/common/loud.h"
out=$(bash "$check" "$t") && status=0 || status=$?
failed=0
for line in 'common/loud.cpp:2: includes <sys/file.h>' 'common/loud.cpp:3: includes <Windows.h>' \
    'sim/box.cpp:1: includes <fcntl.h>' 'common/loud.h:1: includes <alsa/asoundlib.h>'; do
    [[ $out == *"$line"* ]] || { echo "missed $line in: $out"; failed=1; }
done
[[ $status == 1 && $out != *quiet* && $out != *pty_server* ]] || { echo "status $status: $out"; failed=1; }
rm "$t/common/loud.cpp" "$t/common/loud.h" "$t/sim/box.cpp"
bash "$check" "$t" >/dev/null || { echo "clean tree refused"; failed=1; }
exit $failed
