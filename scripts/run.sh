#!/usr/bin/env bash
# Starts build/windows/setup.exe under Wine.
# With a display, the wizard opens for you in the prefix build/windows/wine/run,
# which persists between runs (so a second run offers the folder of the first).
# Without one, the wizard runs on a private Xvfb and the end-to-end driver
# performs a default installation, printing what the wizard showed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows
. "$root/scripts/wine-env.sh"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  "$root/scripts/wine.sh" golden "$build/wine/golden"
  prefix=$build/wine/run
  if [ ! -d "$prefix" ]; then
    cp -a "$build/wine/golden" "$prefix"
    rm -f "$prefix/.golden" "$prefix/wineserver"
    # A window manager draws the captions on a real display.
    WINEPREFIX=$prefix wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
  fi
  export WINEPREFIX=$prefix
  set +e
  wine "$build/setup.exe"
  status=$?
  set -e
  wineserver -w
  echo "setup.exe exited with code $status"
  exit $status
fi

echo "No display: running the wizard on a private Xvfb."
echo "It performs a default installation as a user would; screenshots go to build/windows/e2e/run/screens."
exec "$root/tests/e2e/run-scenario.sh" "$build" run default --quiet
