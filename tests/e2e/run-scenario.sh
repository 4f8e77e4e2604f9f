#!/usr/bin/env bash
# run-scenario.sh BUILD NAME DRIVER-ARGS...
# Runs the end-to-end driver inside a throw-away copy of BUILD's golden prefix,
# on a private Xvfb, with drive S: mapped to BUILD (where setup.exe and the
# driver lie), or to VELUNORA_E2E_S when that names another folder holding
# both, and P: to the packer's input files. Screenshots and logs stay in
# BUILD/e2e/NAME.
#
# A scenario that needs the machine prepared outside Wine (a size-limited
# drive, say) has a file prepare/NAME.sh beside this script. It is sourced
# here and defines two functions, which see $prefix and $out:
#   prepare   runs once the prefix exists, before Wine starts in it;
#   undo      runs on every exit, also when the scenario fails or prepare
#             did not finish, after the prefix's wineserver has stopped.
set -euo pipefail
# A step that fails says so: ctest shows only what is printed here.
trap 'echo "run-scenario: line $LINENO: \"$BASH_COMMAND\" exited with $?" >&2' ERR
build=$1 name=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
wine_sh=$here/../../scripts/wine.sh
out=$build/e2e/$name
prefix=$out/prefix
drive_s=${VELUNORA_E2E_S:-$build}

. "$here/../../scripts/wine-env.sh"
mkdir -p "$out"
rm -f "$out"/*.bmp "$out"/*.png
prepare() { :; }
undo() { :; }
if [ -f "$here/prepare/$name.sh" ]; then
  . "$here/prepare/$name.sh"
fi

"$wine_sh" golden "$build/wine/golden"
cleanup() {
  "$wine_sh" discard "$prefix"
  undo || true
  [ -f "$out/xvfb.pid" ] && kill "$(cat "$out/xvfb.pid")" 2>/dev/null
  rm -f "$out/xvfb.pid"
}
trap cleanup EXIT
"$wine_sh" clone "$build/wine/golden" "$prefix"
"$wine_sh" display "$out"

# The z: drive would show the whole host file system in the folder picker;
# the scenario sees only its own drives.
rm -f "$prefix/dosdevices/z:"
ln -sfn "$drive_s" "$prefix/dosdevices/s:"
mkdir -p "$out/screens"
ln -sfn "$out/screens" "$prefix/dosdevices/t:"
# P: shows the packer's input files at their host paths, and its manifest,
# so that the driver compares what was installed with what the packer was
# given rather than with what setup.exe's own loader makes of its payload.
manifest=$build/apppack/payload-manifest.txt
rm -rf "$out/packed"
mkdir -p "$out/packed"
ln -s "$manifest" "$out/packed/payload-manifest.txt"
while IFS= read -r line; do
  case $line in '#'* | '') continue ;; esac
  file=${line% *}
  mkdir -p "$out/packed${file%/*}"
  ln -s "$file" "$out/packed$file"
done <"$manifest"
ln -sfn "$out/packed" "$prefix/dosdevices/p:"
prepare

export WINEPREFIX=$prefix DISPLAY=:$(cat "$out/display")
cd "$drive_s"  # seen by Wine as S:\
# Wine's start-up messages go to a log of their own. A session that does not
# start is started once more (a CI run once failed here without a word); a
# second failure fails the scenario with the log.
start_session() { wineserver -p && wine cmd /c exit; }
if ! start_session </dev/null >"$out/session.log" 2>&1; then
  echo "run-scenario: Wine did not start in the fresh prefix; once more" >&2
  cat "$out/session.log" >&2
  wineserver -k </dev/null >/dev/null 2>&1 || true
  if ! start_session </dev/null >"$out/session.log" 2>&1; then
    cat "$out/session.log" >&2
    exit 1
  fi
fi
# The driver has a time limit of its own, below the test's: when ctest's
# limit strikes it kills this script alone, and Wine's processes, which hold
# ctest's output pipe, would keep the whole run waiting for ever. Its output
# goes through a file for the same reason.
set +e
timeout -k 10 "${VELUNORA_DRIVER_SECONDS:-240}" wine 's:\e2e-driver.exe' "$@" </dev/null >"$out/driver.log" 2>&1
status=$?
set -e
cat "$out/driver.log"
[ "$status" -eq 124 ] && echo "run-scenario: the driver did not end within ${VELUNORA_DRIVER_SECONDS:-240} s" >&2
[ "$status" -eq 0 ] || echo "run-scenario: the driver exited with $status" >&2
for bmp in "$out"/screens/*.bmp; do
  [ -e "$bmp" ] || break
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
