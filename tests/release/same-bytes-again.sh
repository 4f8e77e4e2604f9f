#!/usr/bin/env bash
# same-bytes-again.sh BUILD PAYLOAD-PACK
# The cheap half of the reproducibility check, for every test run: the steps
# of the build that could bring in the time or the machine do it again, at
# another moment, and must give the same bytes.
#  - the packing tool, run again on the App Pack's manifest;
#  - the link of setup.exe, run again (the very command the build ran) with
#    another SOURCE_DATE_EPOCH;
#  - and setup.exe's header carries no time stamp at all.
# scripts/check-reproducible.sh builds twice from scratch instead.
set -euo pipefail
build=$(cd "$1" && pwd) pack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
same() {
  if cmp -s "$1" "$2"; then
    echo "ok      $3"
  else
    echo "FAILED  $3: $1 and $2 differ"
    failed=1
  fi
}

"$pack" pack --manifest "$build/apppack/payload-manifest.txt" --resource "$work/payload.bin" \
  --header "$work/payload_constants.h" >/dev/null
same "$build/generated/payload.bin" "$work/payload.bin" "the payload resource, packed again"
same "$build/generated/payload_constants.h" "$work/payload_constants.h" "the loader's constants, packed again"

link=$(cd "$build" && ninja -t commands setup.exe | tail -1)
case $link in
  *" -o setup.exe "*) ;;
  *) echo "FAILED  cannot find the link of setup.exe in: $link"; exit 1 ;;
esac
link=${link/ -o setup.exe / -o $work/setup.exe }
link=${link/--out-implib,setup\/libsetup.dll.a/--out-implib,$work/libsetup.dll.a}
(cd "$build" && SOURCE_DATE_EPOCH=86400 sh -c "$link")
same "$build/setup.exe" "$work/setup.exe" "setup.exe, linked again with another SOURCE_DATE_EPOCH"

# TimeDateStamp: 4 bytes, 8 bytes into the PE header that e_lfanew points at.
pe=$(od -An -tu4 -j60 -N4 "$build/setup.exe" | tr -d ' ')
stamp=$(od -An -tu4 -j$((pe + 8)) -N4 "$build/setup.exe" | tr -d ' ')
if [ "$stamp" = 0 ]; then
  echo "ok      setup.exe's header carries no link time"
else
  echo "FAILED  setup.exe's header carries the time stamp $stamp"
  failed=1
fi
exit $failed
