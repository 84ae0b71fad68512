#!/usr/bin/env bash
# The library graph is the include graph. Fails when a file under SRC/<folder> includes
# "<other>/..." while <folder>'s library does not link <other>'s, or when a library links a
# folder none of its files include from. Usage: check_include_graph.sh SRC LINKS
# LINKS holds one line per folder with a library: "folder: linked-folder linked-folder ...".
set -euo pipefail
src=$1
declare -A linked=()
while IFS=: read -r folder deps; do
    linked[$folder]=" $(echo $deps) "
done <"$2"
((${#linked[@]} > 0)) || { echo "no libraries listed in $2"; exit 1; }

bad=0
for folder in $(printf '%s\n' "${!linked[@]}" | sort); do
    [[ -d $src/$folder ]] || { echo "$folder: no folder $src/$folder"; bad=1; continue; }
    used=" "
    while IFS=: read -r file line text; do
        [[ $text =~ \#[[:space:]]*include[[:space:]]*\"([A-Za-z0-9_]+)/ ]] || continue
        to=${BASH_REMATCH[1]}
        [[ -v linked[$to] && $to != "$folder" ]] || continue
        used+="$to "
        if [[ ${linked[$folder]} != *" $to "* ]]; then
            echo "${file#"$src"/}:$line: includes from $to/, which the $folder library does not link"
            bad=1
        fi
    done < <(grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include' \
        "$src/$folder" || true)
    for dep in ${linked[$folder]}; do
        if [[ $used != *" $dep "* ]]; then
            echo "$folder: links $dep, but none of its files include from it"
            bad=1
        fi
    done
done
((bad == 0)) && echo "include graph: ${#linked[@]} libraries, every include linked, every link used"
exit $bad
