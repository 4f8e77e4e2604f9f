#!/usr/bin/env bash
# damage-payload.sh TOOL INSTALLER COPY
# Writes COPY: the installer with one byte in the middle of its payload
# stream changed. The tests use it to prove that such a file is refused.
set -euo pipefail
tool=$1 installer=$2 copy=$3
# Only a sound payload is worth damaging: anything else would prove nothing.
if ! report=$("$tool" inspect "$installer" --format=kv); then
  printf '%s\n' "$report"
  echo "the payload of $installer is not sound to begin with"
  exit 1
fi
offset='' size=''
while read -r key value; do
  case $key in
    resource_offset) offset=$value ;;
    resource_size) size=$value ;;
  esac
done <<<"$report"
[ -n "$offset" ] && [ -n "$size" ] || { echo "no payload resource found in $installer"; exit 1; }
at=$((offset + size / 2))
cp "$installer" "$copy.tmp"
old=$(od -An -tu1 -j "$at" -N1 "$copy.tmp" | tr -d ' ')
new=$((old ^ 0x5A))
printf "$(printf '\\%03o' "$new")" | dd of="$copy.tmp" bs=1 seek="$at" conv=notrunc status=none
mv "$copy.tmp" "$copy"
echo "byte $at of $copy: $old -> $new"
