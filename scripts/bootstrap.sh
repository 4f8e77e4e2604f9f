#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12, and cross-builds
# liblzma for MinGW-w64 into .cache/. Idempotent: a second run only checks.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cache="$root/.cache"

packages=(
  cmake ninja-build make g++ pkg-config
  g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb xauth x11-utils imagemagick
  liblzma-dev xz-utils googletest
  dpkg-dev clang libclang-rt-14-dev osslsigncode openssl
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done

apt_updated=0
apt_update() {
  [ "$apt_updated" -eq 1 ] && return
  as_root apt-get update -qq
  apt_updated=1
}

if [ "${#missing[@]}" -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  apt_update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The MinGW liblzma: Debian ships none, so it is cross-built from Debian's own
# xz-utils source package, with only what the setup program links: the raw
# LZMA1 codec (the encoder half only so that find_package(LibLZMA) accepts the
# library; a static link takes just the decoder). The folder name carries the
# configuration, so changing it below builds afresh instead of reusing a stale
# library.
#
# It is built for size, because setup.exe carries it: -Os and --enable-small
# (loops instead of the decoder's unrolled bit decoding) keep the decoder's
# code small; and every function in a section of its own lets the link drop
# what the decoder does not call. No unwind tables, like the rest of
# setup.exe.
#
# Two inlining limits are raised from -Os's: the App Pack decodes largely as
# runs that the decoder repeats byte by byte from its dictionary, and plain
# -Os leaves the dictionary's one-line byte reader a call of its own in that
# loop. Inlined, the reader makes the decoding markedly faster without making
# setup.exe larger. Going further (the decoder's file at -O2, or the unrolled
# decoder) costs the stub more code than the speed it gains is worth.
xz_config=(--disable-shared --enable-static --disable-threads --disable-nls
  --enable-encoders=lzma1 --enable-decoders=lzma1
  --disable-checks --enable-checks=crc32 --enable-small
  --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo
  --disable-lzma-links --disable-scripts --disable-doc
  "CFLAGS=-Os --param=max-inline-insns-size=30 --param=early-inlining-insns=30 -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-ident")
config_id=$(printf '%s ' "${xz_config[@]}" | sha256sum | cut -c1-12)
lzma_prefix="$cache/mingw-liblzma-$config_id"

if [ ! -f "$lzma_prefix/.complete" ]; then
  echo "bootstrap: cross-building liblzma for x86_64-w64-mingw32"
  sources=/etc/apt/sources.list.d/debian.sources
  if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
    if [ -f "$sources" ] && ! grep -q 'deb-src' "$sources"; then
      as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
    elif [ -f /etc/apt/sources.list ] && ! grep -q '^deb-src' /etc/apt/sources.list; then
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | as_root tee -a /etc/apt/sources.list >/dev/null
    fi
    apt_updated=0
    apt_update
  fi
  work="$cache/xz-build-$config_id"
  rm -rf "$work"
  mkdir -p "$work/src" "$work/obj"
  (cd "$work/src" && apt-get source -qq --download-only xz-utils >/dev/null 2>&1 &&
    dpkg-source -x --skip-debianization xz-utils_*.dsc xz >/dev/null 2>&1) ||
    (cd "$work/src" && apt-get source -qq xz-utils >/dev/null 2>&1 && mv xz-utils-*/ xz)
  (cd "$work/obj" &&
    "$work/src/xz/configure" --host=x86_64-w64-mingw32 --prefix="$lzma_prefix" "${xz_config[@]}" >configure.log 2>&1 &&
    make -j"$(nproc)" >make.log 2>&1 && make install >install.log 2>&1) || {
    echo "bootstrap: liblzma cross-build failed; logs in $work/obj" >&2
    exit 1
  }
  touch "$lzma_prefix/.complete"
  rm -rf "$work"
fi
# The link to the library in use lives in this checkout's build folder, not
# in the cache: checkouts that share one cache may use different builds.
mkdir -p "$root/build"
ln -sfn "$lzma_prefix" "$root/build/mingw-liblzma"
