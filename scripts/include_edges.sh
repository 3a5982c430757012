#!/usr/bin/env bash
# Prints how often each folder of src/ includes each other one, and fails when a file
# includes one from a layer above its own. The layers, bottom to top:
layers=(platform core address actions monitor ui app)
set -euo pipefail
cd "$(dirname "$0")/../src"

rank() {
    local i
    for i in "${!layers[@]}"; do [[ ${layers[$i]} == "$1" ]] && { echo "$i"; return; }; done
    echo "unknown folder: $1" >&2
    exit 2
}

# "from to file" for every include of one of our headers ("folder/Name.h").
edges=$(grep -rHoE '^#include "[A-Za-z]+/[^"]+"' --include='*.cpp' --include='*.h' . |
        sed -E 's#^\./([^/]+)/([^:]+):\#include "([^/]+)/.*"#\1 \3 \1/\2#')
upward=0
while read -r count from to; do
    mark=""
    if (($(rank "$to") > $(rank "$from"))); then
        mark="   UPWARD"
        upward=1
    fi
    printf '%4d  %-8s -> %s%s\n' "$count" "$from" "$to" "$mark"
done < <(awk '{print $1, $2}' <<<"$edges" | sort | uniq -c)

if ((upward)); then
    echo "Includes from a layer above (order: ${layers[*]}):" >&2
    while read -r from to file; do
        (($(rank "$to") > $(rank "$from"))) && echo "  $file includes $to/" >&2
    done <<<"$edges"
    exit 1
fi
echo "No upward includes (order: ${layers[*]})."
