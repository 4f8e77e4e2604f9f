# Sourced by run-scenario.sh for the uninstall_through_link scenario: once
# the driver has installed into C:\Apps\Velunora, it asks (C:\swap-request)
# for that folder to be moved to C:\Elsewhere and replaced by a link to it,
# as a junction that replaced the install folder would be. Wine cannot make
# a junction (FSCTL_SET_REPARSE_POINT fails with ERROR_NOT_SUPPORTED, and
# CreateSymbolicLinkW returns TRUE without making anything), but it follows
# a symbolic link of the file system it runs on the same way. So a helper
# here makes the swap, then answers with C:\swap-done; it waits two minutes
# at most.
swap_pid=$out/swap.pid

swap_when_asked() {
  local c=$prefix/drive_c i
  for ((i = 0; i < 1200; i++)); do
    if [ -e "$c/swap-request" ]; then
      mv "$c/Apps/Velunora" "$c/Elsewhere" && ln -s ../Elsewhere "$c/Apps/Velunora" && touch "$c/swap-done"
      return
    fi
    sleep 0.1
  done
  echo "swap: no request came" >&2
}

prepare() {
  # Its output goes to a file: ctest waits for every holder of its pipe.
  swap_when_asked </dev/null >"$out/swap.log" 2>&1 &
  echo $! >"$swap_pid"
}

undo() {
  if [ -f "$swap_pid" ]; then
    kill "$(cat "$swap_pid")" 2>/dev/null || true
    rm -f "$swap_pid"
  fi
}
