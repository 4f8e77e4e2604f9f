# Sourced by run-scenario.sh for the link_above_folder scenario: C:\Linked
# is a symbolic link to the empty C:\Target. Wine shows it as a folder that
# is a reparse point, owned like every file by the prefix's user: a link a
# standard user made.
prepare() {
  mkdir "$prefix/drive_c/Target"
  ln -s Target "$prefix/drive_c/Linked"
}
