#!/bin/sh
# Every command and option parlixctl's help lists can be completed in bash and zsh.
# Usage: check_completions.sh PARLIXCTL BASH_COMPLETION ZSH_COMPLETION
set -eu
help=$("$1" --help)
words=$(printf '%s\n' "$help" | sed -n 's/^  \([a-z]*\) .*/\1/p'; printf '%s\n' "$help" | grep -o -- '--[a-z-]*' | sort -u)
missing=0
for word in $words; do
    for file in "$2" "$3"; do
        grep -q -w -e "$word" "$file" || { echo "$(basename "$file") lacks $word"; missing=1; }
    done
done
exit $missing
