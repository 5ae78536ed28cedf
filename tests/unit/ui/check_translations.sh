#!/bin/sh
# check_translations.sh LUPDATE SRC TS…: each translation holds every user-visible string of SRC,
# translated, and no string the code no longer has. Works on copies; the checkout stays as it is.
set -eu
lupdate=$1
src=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in "$@"; do
    copy="$work/$(basename "$ts")"
    cp "$ts" "$copy"
    "$lupdate" -silent -locations none -I "$src" "$src" -ts "$copy"
    unfinished=$(grep -c 'type="unfinished"' "$copy" || true)
    gone=$(grep -c 'type="vanished"\|type="obsolete"' "$copy" || true)
    if [ "$unfinished" -ne 0 ] || [ "$gone" -ne 0 ]; then
        echo "$(basename "$ts"): $unfinished untranslated, $gone no longer in the code" >&2
        grep -B1 'type="unfinished"\|type="vanished"\|type="obsolete"' "$copy" | grep '<source>' >&2 || true
        echo "run: cmake --build build --target parlix_update_translations, then translate" >&2
        status=1
    fi
done
exit $status
