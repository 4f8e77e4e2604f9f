# Sourced by run-scenario.sh for the uninstall_in_place scenario: the
# Windows folder's Temp is a file, so the uninstaller cannot make the folder
# of its finishing copy there. (Inside Wine the folder cannot be moved
# aside: the prefix may be an overlay, which renames no folder of its lower
# layer.)
prepare() {
  rm -rf "$prefix/drive_c/windows/temp"
  touch "$prefix/drive_c/windows/temp"
}
