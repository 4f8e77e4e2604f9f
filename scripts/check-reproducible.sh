#!/usr/bin/env bash
# Builds setup.exe twice from one commit, from scratch, in two folders of
# different paths and one after the other, and compares the two files byte
# for byte. Neither may carry an absolute path of the machine that built it.
#
#   scripts/check-reproducible.sh [COMMIT]    (HEAD when none is named)
#
# Both builds take SOURCE_DATE_EPOCH from the commit, as a release build
# would. They share this checkout's cache of tools (.cache), which holds
# nothing of the commit itself. `make test` runs a cheaper check on every
# run (tests/release/same-bytes-again.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse "${1:-HEAD}^{commit}")
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH
"$root/scripts/bootstrap.sh"
cache=$(readlink -f "$root/.cache")

work=$(mktemp -d /tmp/velunora-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT

build() {
  local dir=$1
  mkdir -p "$dir"
  git -C "$root" archive "$commit" | tar -x -C "$dir"
  ln -s "$cache" "$dir/.cache"
  echo "check-reproducible: building $commit in $dir" >&2
  (
    cd "$dir"
    scripts/bootstrap.sh >/dev/null
    cmake --preset host >/dev/null
    cmake --build --preset host --target payload-pack pad-file >/dev/null
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target setup >/dev/null
  )
}

build "$work/a"
build "$work/second-build"
first=$work/a/build/windows/setup.exe
second=$work/second-build/build/windows/setup.exe

status=0
if cmp "$first" "$second"; then
  echo "check-reproducible: the two builds of setup.exe are identical ($(stat -c %s "$first") bytes, sha256 $(sha256sum "$first" | cut -c1-16)...)"
else
  echo "check-reproducible: the two builds of setup.exe differ" >&2
  status=1
fi
for exe in "$first" "$second"; do
  if { strings -a "$exe"; strings -a -el "$exe"; } | grep -F -e "$work" -e "$root" -e "$cache"; then
    echo "check-reproducible: $exe names a folder of the build machine (above)" >&2
    status=1
  fi
done
exit $status
