# Sourced by run-scenario.sh for the single_user_moved_programs scenario:
# the user's programs folder (AppData\Local\Programs) has been moved to
# C:\Moved\Programs and a link of the user's left in its place.
prepare() {
  local users=$prefix/drive_c/users names
  names=$(ls "$users" | grep -vx Public)
  if [ "$(printf '%s\n' "$names" | wc -l)" -ne 1 ] || [ -z "$names" ]; then
    echo "prepare: expected one user in $users, found: $names" >&2
    return 1
  fi
  local programs=$users/$names/AppData/Local/Programs moved=$prefix/drive_c/Moved/Programs
  mkdir -p "$moved" "${programs%/*}"
  # What it held moves with it. (A copy: the prefix may be an overlay,
  # which renames no folder of its lower layer.)
  if [ -d "$programs" ]; then
    cp -a "$programs/." "$moved/"
    rm -rf "$programs"
  fi
  ln -s ../../../../Moved/Programs "$programs"
}
