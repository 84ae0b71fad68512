#!/usr/bin/env bash
# Everything that differs between Linux and Windows lives under SRC/platform/. Fails naming
# each file elsewhere under SRC that includes a POSIX, Linux or Win32 header, and the header.
# Usage: check_platform_headers.sh SRC
set -euo pipefail
src=$1

# System headers, by name (Windows' are matched without regard to case, as its compilers do).
posix='unistd\.h|fcntl\.h|termios\.h|signal\.h|poll\.h|pwd\.h|grp\.h|dirent\.h|pthread\.h|pty\.h'
posix+='|utmp\.h|dlfcn\.h|netdb\.h|semaphore\.h|spawn\.h|syslog\.h|libgen\.h|glob\.h|strings\.h'
posix+='|iconv\.h|langinfo\.h'
posix+='|sys/[A-Za-z0-9_/]+\.h|netinet/.*|arpa/.*|linux/.*|asm/.*|libudev\.h|alsa/.*'
win32='windows\.h|winbase\.h|windef\.h|winnt\.h|winsock2?\.h|ws2tcpip\.h|io\.h|direct\.h'
win32+='|process\.h|conio\.h|tchar\.h|shlobj\.h|shlwapi\.h|setupapi\.h|dbt\.h|mmsystem\.h'
win32+='|winnls\.h|winioctl\.h|devguid\.h|initguid\.h|cfgmgr32\.h|winreg\.h|wincon\.h|share\.h'

# Allowed elsewhere, with the reason:
# sim/main.cpp, sim/pty_server.*: the simulator program serves a Linux pseudo-terminal and
# is built on Linux only; the simulator's library, which every system builds, is not excused.
allowed='^(sim/main\.cpp|sim/pty_server\.(h|cpp))$'

bad=0
while IFS= read -r file; do
    rel=${file#"$src"/}
    [[ $rel == platform/* || $rel =~ $allowed ]] && continue
    while IFS=: read -r line text; do
        # Our own headers are included with quotes ("folder/file.h"), system ones with <>.
        [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]] || continue
        header=${BASH_REMATCH[1]}
        lower=${header,,}
        if [[ $header =~ ^($posix)$ || $lower =~ ^($win32)$ ]]; then
            echo "$rel:$line: includes <$header>, which belongs under platform/"
            bad=1
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$src" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.inc' \) | sort)
((bad == 0)) && echo "platform headers: none outside platform/"
exit $bad
