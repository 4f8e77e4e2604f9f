#!/bin/sh
# Writes the setup's icon file from the picture below: one 16 x 16 image in
# one drawing colour, 1 bit per pixel. '#' is drawn, '.' is transparent.
# The colour bitmap doubles as the mask: a 1 bit is black in the colour
# bitmap and set in the mask, so it leaves the background as it is, and a 0
# bit is drawn in palette entry 0. The result is the 198-byte file that the
# resource script names.
#
# usage: make_icon.sh OUTPUT
set -eu

# A closed cardboard box seen from above: the top and the two sides are kept
# apart by transparent edges.
colour=c88030 # red, green, blue
picture='
......###.......
....#######.....
..###########...
###############.
#..#########..#.
###..#####..###.
#####..#..#####.
#######.#######.
#######.#######.
#######.#######.
#######.#######.
#######.#######.
..#####.#####...
....###.###.....
......#.#.......
................
'

bytes=$(printf '%s\n' "$picture" | LC_ALL=C awk -v colour="$colour" '
  function byte(v) { out = out sprintf("\\%03o", v % 256) }
  function word(v) { byte(v); byte(int(v / 256)) }
  function dword(v) { word(v % 65536); word(int(v / 65536)) }
  function hex(s, i) { return index("0123456789abcdef", substr(s, i, 1)) - 1 }
  NF == 0 { next }
  {
    if (length($0) != 16 || $0 !~ /^[#.]+$/) { print "bad picture row: " $0 > "/dev/stderr"; exit 1 }
    left = 0; right = 0
    for (i = 1; i <= 8; i++) {
      left = left * 2 + (substr($0, i, 1) == ".")
      right = right * 2 + (substr($0, i + 8, 1) == ".")
    }
    rows[n++] = left " " right
  }
  END {
    if (n != 16) { print "the picture needs 16 rows" > "/dev/stderr"; exit 1 }
    # Icon directory with its one entry: 16 x 16, 2 colours, 1 plane, 1 bit
    # per pixel, 176 bytes of image right after the 22 bytes of directory.
    word(0); word(1); word(1)
    byte(16); byte(16); byte(2); byte(0); word(1); word(1); dword(176); dword(22)
    # The image: bitmap header (height 32 covers colour bitmap and mask),
    # palette, then colour bitmap and mask, each bottom row first with rows
    # padded to 4 bytes.
    dword(40); dword(16); dword(32); word(1); word(1)
    for (i = 0; i < 6; i++) dword(0)
    byte(hex(colour, 5) * 16 + hex(colour, 6))
    byte(hex(colour, 3) * 16 + hex(colour, 4))
    byte(hex(colour, 1) * 16 + hex(colour, 2))
    byte(0)
    dword(0)
    for (pass = 0; pass < 2; pass++) {
      for (r = 15; r >= 0; r--) {
        split(rows[r], half, " ")
        byte(half[1]); byte(half[2]); byte(0); byte(0)
      }
    }
    printf "%s", out
  }')
# The escapes go into the format, so printf writes them as raw bytes.
printf "$bytes" >"$1.tmp"
mv "$1.tmp" "$1"
