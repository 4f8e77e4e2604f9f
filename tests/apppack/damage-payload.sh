#!/bin/sh
# damage-payload.sh TOOL INSTALLER COPY
# Writes COPY: the installer with one byte in the middle of its payload
# stream changed. The tests use it to prove that such a file is refused.
set -eu
tool=$1 installer=$2 copy=$3
report=$("$tool" inspect "$installer")
offset=$(printf '%s\n' "$report" | sed -n 's/^payload: .*at file offset \([0-9]*\)$/\1/p')
size=$(printf '%s\n' "$report" | sed -n 's/^resource size: \([0-9,]*\) bytes$/\1/p' | tr -d ,)
[ -n "$offset" ] && [ -n "$size" ] || { echo "no payload resource found in $installer"; exit 1; }
at=$((offset + size / 2))
cp "$installer" "$copy.tmp"
old=$(od -An -tu1 -j "$at" -N1 "$copy.tmp" | tr -d ' ')
new=$((old ^ 0x5A))
printf "$(printf '\\%03o' "$new")" | dd of="$copy.tmp" bs=1 seek="$at" conv=notrunc status=none
mv "$copy.tmp" "$copy"
echo "byte $at of $copy: $old -> $new"
