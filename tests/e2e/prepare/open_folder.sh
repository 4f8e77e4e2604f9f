# Sourced by run-scenario.sh for the open_folder scenario: C:\Apps is a
# folder every user may change (bits 0777, which Wine reads back as an
# Everyone entry with every right). It holds a user's file and a program
# file left by an earlier installation, both of which every user may change.
prepare() {
  local apps=$prefix/drive_c/Apps
  mkdir -m 0777 "$apps"
  printf 'A user'\''s notes.\r\n' >"$apps/notes.txt"
  printf 'An earlier Talvex.exe' >"$apps/Talvex.exe"
  chmod 0666 "$apps/notes.txt" "$apps/Talvex.exe"
}
