# Sourced by run-scenario.sh for the open_folder scenario: C:\Apps is a
# folder every user may change (bits 0777, which Wine reads back as an
# Everyone entry with every right), holding a user's file that every user
# may change too.
prepare() {
  mkdir -m 0777 "$prefix/drive_c/Apps"
  printf 'A user'\''s notes.\r\n' >"$prefix/drive_c/Apps/notes.txt"
  chmod 0666 "$prefix/drive_c/Apps/notes.txt"
}
