#!/usr/bin/env bash
# run-scenario.sh BUILD NAME DRIVER-ARGS...
# Runs the end-to-end driver inside a throw-away copy of BUILD's golden prefix,
# on a private Xvfb, with drive S: mapped to BUILD (where setup.exe and the
# driver lie), or to VELUNORA_E2E_S when that names another folder holding
# both. Screenshots and logs stay in BUILD/e2e/NAME.
set -euo pipefail
build=$1 name=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
wine_sh=$here/../../scripts/wine.sh
out=$build/e2e/$name
prefix=$out/prefix
drive_s=${VELUNORA_E2E_S:-$build}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 TZ=UTC
mkdir -p "$out"
rm -f "$out"/*.bmp "$out"/*.png
"$wine_sh" golden "$build/wine/golden"
"$wine_sh" clone "$build/wine/golden" "$prefix"
"$wine_sh" display "$out"
cleanup() {
  "$wine_sh" discard "$prefix"
  [ -f "$out/xvfb.pid" ] && kill "$(cat "$out/xvfb.pid")" 2>/dev/null
  rm -f "$out/xvfb.pid"
}
trap cleanup EXIT

# The z: drive would show the whole host file system in the folder picker;
# the scenario sees only its own drives.
rm -f "$prefix/dosdevices/z:"
ln -sfn "$drive_s" "$prefix/dosdevices/s:"
mkdir -p "$out/screens"
ln -sfn "$out/screens" "$prefix/dosdevices/t:"

export WINEPREFIX=$prefix DISPLAY=:$(cat "$out/display")
cd "$drive_s"  # seen by Wine as S:\
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
set +e
wine 's:\e2e-driver.exe' "$@" </dev/null
status=$?
set -e
for bmp in "$out"/screens/*.bmp; do
  [ -e "$bmp" ] || break
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
