#!/usr/bin/env bash
# Wine prefixes and virtual displays for the tests and for `make run`.
#
#   wine.sh golden DIR            create the golden prefix DIR once (reused afterwards)
#   wine.sh clone GOLDEN DIR      DIR becomes a throw-away copy of GOLDEN
#   wine.sh discard DIR           stop DIR's wineserver and remove the copy
#   wine.sh session-start GOLDEN STATE   copy + Xvfb for the Windows unit tests;
#                                 writes STATE/env for the test wrapper to source
#   wine.sh session-stop STATE    stop that session's wineserver and Xvfb, drop the copy
#   wine.sh display STATE         start a private Xvfb, write its number to STATE/display
#
# The golden prefix is never run in after it is made: every test works in a copy,
# so no test can leave traces for the next one. Copies are overlayfs mounts
# (0.01 s) when we may mount, full copies (about 2 s) otherwise.
set -euo pipefail

. "$(dirname "$0")/wine-env.sh"

# A golden prefix is rebuilt when Wine or the way we make it changes.
golden_id() {
  { wine --version; sed -n '/^golden()/,/^}/p' "$0"; } 2>/dev/null | sha256sum | cut -c1-16
}

golden() {
  local dir=$1 id
  id=$(golden_id)
  [ "$(cat "$dir/.golden" 2>/dev/null)" = "$id" ] && return 0
  rm -rf "$dir" "$dir.tmp"
  mkdir -p "$(dirname "$dir")"
  echo "wine: creating the golden prefix (about 15 s, once per build tree)" >&2
  (
    export WINEPREFIX="$dir.tmp"
    wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
    wine winecfg -v win10 >/dev/null 2>&1 </dev/null
    # Debian's Wine does not find its own fonts by itself; without Marlett
    # the caption buttons are drawn as letters. A Windows machine has them
    # in its Fonts folder, so that is where they go.
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # A virtual desktop draws the frame captions that the screenshots want.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1 </dev/null
    wineserver -w
  )
  rm -f "$dir.tmp/wineserver"
  mv "$dir.tmp" "$dir"
  echo "$id" >"$dir/.golden"
}

clone() {
  local gold=$1 dir=$2
  discard "$dir"
  mkdir -p "$dir.layers/upper" "$dir.layers/work" "$dir"
  if mount -t overlay overlay -o "lowerdir=$gold,upperdir=$dir.layers/upper,workdir=$dir.layers/work" "$dir" 2>/dev/null; then
    :
  else
    rm -rf "$dir.layers"
    cp -a "$gold/." "$dir/"
  fi
  rm -f "$dir/wineserver" "$dir/.golden"
}

discard() {
  local dir=$1
  if [ -d "$dir" ]; then
    WINEPREFIX=$dir wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$dir wineserver -w >/dev/null 2>&1 || true
  fi
  if mountpoint -q "$dir" 2>/dev/null; then
    umount "$dir" 2>/dev/null || umount -l "$dir"
  fi
  rm -rf "$dir" "$dir.layers"
}

start_display() {
  local state=$1
  mkdir -p "$state"
  exec {fd}>"$state/display.tmp"
  Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  echo $! >"$state/xvfb.pid"
  exec {fd}>&-
  local i
  for i in $(seq 100); do
    [ -s "$state/display.tmp" ] && break
    sleep 0.05
  done
  [ -s "$state/display.tmp" ] || { echo "wine: Xvfb did not start" >&2; return 1; }
  tr -d '\n' <"$state/display.tmp" >"$state/display"
  rm -f "$state/display.tmp"
}

stop_display() {
  local state=$1
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    rm -f "$state/xvfb.pid"
  fi
}

# Wine wants absolute prefix paths.
abs() { realpath -m "$1"; }

case ${1:-} in
  golden) golden "$(abs "$2")" ;;
  clone) clone "$(abs "$2")" "$(abs "$3")" ;;
  discard) discard "$(abs "$2")" ;;
  display) start_display "$(abs "$2")" ;;
  session-start)
    gold=$(abs "$2") state=$(abs "$3")
    "$0" session-stop "$state" || true
    golden "$gold"
    mkdir -p "$state"
    clone "$gold" "$state/prefix"
    start_display "$state"
    cat >"$state/env" <<ENV
export WINEPREFIX='$state/prefix'
export DISPLAY=':$(cat "$state/display")'
ENV
    ;;
  session-stop)
    state=$(abs "$2")
    discard "$state/prefix"
    stop_display "$state"
    rm -f "$state/env" "$state/display"
    ;;
  *) sed -n '2,12p' "$0" >&2; exit 2 ;;
esac
