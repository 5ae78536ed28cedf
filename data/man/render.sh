#!/bin/sh
# render.sh SCDOC PAGE.scd OUT.gz: the roff page, gzip-compressed as Debian installs man pages. The
# date in the page is the source's last commit (the time of the build outside a checkout), and
# gzip -n leaves the file name and time out, so the same source gives the same file.
set -eu
scdoc=$1 source=$2 out=$3
stamp=$(git -C "$(dirname "$source")" log -1 --format=%ct -- "$(basename "$source")" 2>/dev/null || true)
SOURCE_DATE_EPOCH=${stamp:-$(date +%s)} "$scdoc" <"$source" | gzip -9n >"$out.tmp"
mv "$out.tmp" "$out"
