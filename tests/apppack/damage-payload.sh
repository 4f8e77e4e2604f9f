#!/bin/sh
# damage-payload.sh TOOL INSTALLER HEADER WORKDIR
# A copy of the installer with one byte in the middle of its payload stream
# changed must be reported as damaged, with a non-zero exit.
set -eu
tool=$1 installer=$2 header=$3 work=$4
mkdir -p "$work"
copy=$work/setup-damaged.exe
report=$("$tool" inspect "$installer")
offset=$(printf '%s\n' "$report" | sed -n 's/^payload: .*at file offset \([0-9]*\)$/\1/p')
size=$(printf '%s\n' "$report" | sed -n 's/^resource size: \([0-9,]*\) bytes$/\1/p' | tr -d ,)
[ -n "$offset" ] && [ -n "$size" ] || { echo "no payload resource found in $installer"; exit 1; }
at=$((offset + size / 2))
cp "$installer" "$copy"
old=$(od -An -tu1 -j "$at" -N1 "$copy" | tr -d ' ')
new=$((old ^ 0x5A))
printf "$(printf '\\%03o' "$new")" | dd of="$copy" bs=1 seek="$at" conv=notrunc status=none
echo "byte $at of $copy: $old -> $new"
set +e
"$tool" inspect "$copy" --expect "$header"
status=$?
set -e
if [ "$status" -eq 0 ]; then
  echo "FAILED: the damaged copy was reported as ok"
  exit 1
fi
echo "reported as damaged (exit $status), as it must be"
