#!/usr/bin/env bash
# Every text a user sees lives in the two tables of src/messages (message_rows.inc, the
# numbered messages, and text_rows.inc, all other texts), so each has one home in both
# languages. Fails on a string literal in a .h/.cpp file that holds Chinese, or English words
# ("two words", lower case after the first letter).
# Usage: check_user_texts.sh SRC [FILE...]   (no FILE: every .h/.cpp under SRC)
# Not checked: the pieces of the message that carries the download address
# (message_catalogue.cpp), the simulator (a test and demo tool with its own log lines), the
# command line's usage text (documentation of its options), the manual maker's build-time
# diagnostics, and window captions passed to translate() (their English lives in
# resources/translations).
set -euo pipefail
src=$1
shift
if (($# == 0)); then
    mapfile -t files < <(find "$src" -name '*.h' -o -name '*.cpp' | sort)
else
    files=("$@")
fi

# A literal: a quote, then characters that are not quotes (escaped quotes allowed), a quote.
chinese='"([^"\\]|\\.)*[\x{3000}-\x{9FFF}\x{FF00}-\x{FFEF}]([^"\\]|\\.)*"'
english='"([^"\\]|\\.)*[A-Za-z][a-z]+ [a-z]{2,}([^"\\]|\\.)*"'

bad=0
for file in "${files[@]}"; do
    case ${file#"$src"/} in
        messages/message_catalogue.cpp | sim/* | cli/cli_help.cpp | manual/main.cpp)
            continue ;;
    esac
    # Comment and preprocessor lines are not shown to anyone; captions handed to Qt's
    # translate() have their English in the window's translation file.
    if hits=$(grep -nP "$chinese|$english" "$file" |
        grep -vP '^\d+:\s*(//|\*|/\*|#)' | grep -vP '\btranslate\("'); then
        while IFS= read -r hit; do
            echo "${file#"$src"/}:$hit"
        done <<<"$hits"
        bad=1
    fi
done
if ((bad)); then
    echo "User texts belong in src/messages/text_rows.inc (or the numbered messages)."
fi
exit $bad
