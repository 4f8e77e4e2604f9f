# Sourced by run-scenario.sh for the disk_full scenario: drive D: is a
# 3 MiB tmpfs, which reports its real size to GetDiskFreeSpaceExW and makes
# writes fail with ERROR_DISK_FULL once it is full (ext4 would let root
# write into its reserved blocks). The whole App Pack needs 2,453,504 bytes
# of it; the driver fills the rest.
disk=$out/disk-d

prepare() {
  undo
  mkdir -p "$disk"
  mount -t tmpfs -o size=3m,mode=0755 velunora-d "$disk"
  ln -sfn "$disk" "$prefix/dosdevices/d:"
}

undo() {
  if mountpoint -q "$disk"; then
    umount "$disk" 2>/dev/null || umount -l "$disk"
  fi
  rmdir "$disk" 2>/dev/null || true
}
