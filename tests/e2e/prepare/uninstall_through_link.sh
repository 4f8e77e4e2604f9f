# Sourced by run-scenario.sh for the uninstall_through_link scenario:
# C:\Apps\Velunora is a link to C:\Elsewhere, as a junction that replaced
# the install folder would be. Wine cannot make a junction
# (FSCTL_SET_REPARSE_POINT fails with ERROR_NOT_SUPPORTED, and
# CreateSymbolicLinkW returns TRUE without making anything), but it follows
# a symbolic link of the file system it runs on the same way, and reports
# the target as the final path of what lies behind it. It shows no reparse
# point, so only the final-path check is tried here.
prepare() {
  mkdir -p "$prefix/drive_c/Apps" "$prefix/drive_c/Elsewhere"
  ln -s ../Elsewhere "$prefix/drive_c/Apps/Velunora"
}
