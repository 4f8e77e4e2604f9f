#!/usr/bin/env bash
# Prints every figure of setup.exe next to its reference, measured side by
# side in this one run: start-up, installation, size, compression, memory.
# Figures only: nothing here passes or fails. Run through `make bench`,
# which builds both trees first.
#
# Timings are the best of many runs (and their median beside): the build
# machines are shared, and the best run is the one least disturbed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
host=$root/build/host
windows=$root/build/windows
setup=$windows/setup.exe
pack=$host/tools/payload-pack
wine_dlls=${VELUNORA_BENCH_DLLS:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
runs=30
. "$root/scripts/wine-env.sh"

cmake --build --preset host --target decode-floor >/dev/null
cmake --build --preset windows --target loader-bench >/dev/null

work=$(mktemp -d)
prefix=$windows/bench/prefix
cleanup() {
  "$root/scripts/wine.sh" discard "$prefix" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# "name value" lines of a figure program: value NAME FILE
value() { tr -d '\r' <"$2" | sed -n "s/^$1 //p" | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
row() { printf '%-34s %16s   %-36s %7s   %s\n' "$@"; }
kib() { awk -v b="$1" 'BEGIN { printf "%.1f KiB", b / 1024 }'; }
mib() { awk -v b="$1" 'BEGIN { printf "%.2f MiB", b / 1048576 }'; }
xz9e() { xz --format=raw --lzma1=preset=9e -c "$1" | wc -c; }

echo "bench: measuring (about two minutes)" >&2

# --- size and the carried payload
"$pack" inspect "$setup" --decoded "$work/decoded.bin" --format=kv >"$work/inspect.txt"
offset=$(value resource_offset "$work/inspect.txt")
resource=$(value resource_size "$work/inspect.txt")
total=$(stat -c %s "$setup")
stub=$((total - resource))
# The single-user edition carries the same payload.
"$pack" inspect "$windows/setup-user.exe" --format=kv >"$work/inspect-user.txt"
user_total=$(stat -c %s "$windows/setup-user.exe")
user_stub=$((user_total - $(value resource_size "$work/inspect-user.txt")))
dd if="$setup" of="$work/resource.bin" bs=1 skip="$offset" count="$resource" status=none
payload_xz=$(xz9e "$work/decoded.bin")
# The settings the build's search chose, from packing the App Pack again.
"$pack" pack --manifest "$windows/apppack/payload-manifest.txt" --resource "$work/payload.bin" \
  --header "$work/payload.h" >"$work/payload-pack.txt"

# --- a corpus nobody here wrote: Wine's PE DLLs, packed as if they were the
# programs. From each tenth of them by name, the first of 200-400 KB.
corpus=""
if compgen -G "$wine_dlls/*.dll" >/dev/null; then
  mapfile -t dlls < <(find "$wine_dlls" -maxdepth 1 -name '*.dll' -size +200k -size -400k | LC_ALL=C sort)
  {
    echo "$root/apppack/license.txt none"
    for ((tenth = 0; tenth < 10; ++tenth)); do
      echo "${dlls[$((tenth * ${#dlls[@]} / 10))]} none"
    done
  } >"$work/corpus-manifest.txt"
  "$pack" pack --manifest "$work/corpus-manifest.txt" --resource "$work/corpus.bin" --header "$work/corpus.h" \
    >"$work/corpus-pack.txt"
  "$pack" inspect "$work/corpus.bin" --decoded "$work/corpus-decoded.bin" >/dev/null
  corpus=$(stat -c %s "$work/corpus.bin")
  corpus_decoded=$(stat -c %s "$work/corpus-decoded.bin")
  corpus_xz=$(xz9e "$work/corpus-decoded.bin")
fi

# --- start-up: LoadPayload under Wine against liblzma decoding natively,
# taken in turns so that both see the same load on the machine
"$root/scripts/wine.sh" golden "$windows/wine/golden"
"$root/scripts/wine.sh" clone "$windows/wine/golden" "$prefix"
cp "$setup" "$windows/bench/loader-bench.exe" "$prefix/drive_c/"
for turn in 1 2; do
  "$host/bench/decode-floor" "$work/resource.bin" "$runs" >"$work/floor$turn.txt"
  (cd "$prefix/drive_c" && WINEPREFIX=$prefix wine loader-bench.exe setup.exe "$runs" 2>/dev/null) >"$work/load$turn.txt"
done
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
best() { printf '%s\n' "$@" | sort -g | head -1; }
floor_min=$(best "$(value decode_ms_min "$work/floor1.txt")" "$(value decode_ms_min "$work/floor2.txt")")
load_min=$(best "$(value load_ms_min "$work/load1.txt")" "$(value load_ms_min "$work/load2.txt")")
floor_median=$(value decode_ms_median "$work/floor2.txt")
load_median=$(value load_ms_median "$work/load2.txt")

# --- installation and the wizard's memory, from the real setup.exe
"$root/tests/e2e/run-scenario.sh" "$windows" bench bench >"$work/install.txt" 2>&1 || {
  cat "$work/install.txt" >&2
  exit 1
}
install_median=$(value install_ms_median "$work/install.txt")
install_runs=$(sed -n 's/^install_ms_run[0-9]* //p' "$work/install.txt" | tr '\n' ' ')
install_min=$(best $install_runs)
floor_install=1125  # nine install steps, one per 125 ms timer tick
wizard=$(value memory_wizard "$work/install.txt")
transient=$(($(value memory_peak_added "$work/load1.txt") - $(value memory_held_added "$work/load1.txt")))
peak=$((wizard + transient))
wine_own=$(value memory_before "$work/load1.txt")

echo
row "figure" "measured" "reference" "ratio" "target"
row "start-up: LoadPayload under Wine" "$load_min ms" "liblzma decoding natively $floor_min ms" \
  "$(ratio "$load_min" "$floor_min")" "<= 1.15"
row "  (medians)" "$load_median ms" "$floor_median ms" "$(ratio "$load_median" "$floor_median")" ""
row "install: &Install to Finished" "$install_min ms" "nine 125 ms ticks $floor_install ms" \
  "$(ratio "$install_min" "$floor_install")" "<= 1.3"
row "  (median of 3)" "$install_median ms" "" "$(ratio "$install_median" "$floor_install")" ""
row "size: setup.exe" "$(kib "$total")" "" "" ""
row "size: stub (setup.exe - payload)" "$(kib "$stub")" "34 KiB" "$(ratio "$stub" 34816)" "<= 1"
row "size: setup-user.exe" "$(kib "$user_total")" "" "" ""
row "size: stub (setup-user - payload)" "$(kib "$user_stub")" "34 KiB" "$(ratio "$user_stub" 34816)" "<= 1"
row "compression: payload resource" "$resource B" "xz -9e raw $payload_xz B" "$(ratio "$resource" "$payload_xz")" "<= 1"
if [ -n "$corpus" ]; then
  row "compression: Wine DLL corpus" "$corpus B" "xz -9e raw $corpus_xz B" "$(ratio "$corpus" "$corpus_xz")" "<= 1"
fi
row "memory: start-up peak (bound)" "$(mib "$peak")" "8 MiB" "$(ratio "$peak" 8388608)" "<= 1"
row "  less Wine's own" "$(mib $((peak - wine_own)))" "8 MiB" "$(ratio $((peak - wine_own)) 8388608)" "<= 1"
echo
echo "start-up: best of $((2 * runs)) runs each; each run decodes into memory fresh from the system, as"
echo "  the one load of a new setup.exe process does. LoadPayload also sums and indexes the payload."
echo "install: the default installation, timed by the end-to-end driver: $install_runs(ms). The first"
echo "  step waits for the next tick after the click, so eight ticks and a part of one are the least."
echo "compression: the resource includes its 5-byte properties block; xz's raw stream has none."
echo "  payload: $(sed -n 's/^payload-pack: encoded with //p' "$work/payload-pack.txt")"
if [ -n "$corpus" ]; then
  echo "  corpus: $(sed 1d "$work/corpus-manifest.txt" | awk '{print $1}' | xargs -n1 basename | tr '\n' ' ')"
  echo "  ($corpus_decoded bytes decoded; $(sed -n 's/^payload-pack: encoded with //p' "$work/corpus-pack.txt"))"
fi
echo "memory: committed private bytes of setup.exe with the wizard up, $(mib "$wizard") (the 4 MiB block"
echo "  included), plus what LoadPayload holds only while it decodes (the decoder's dictionary and"
echo "  tables), $(mib "$transient"). Wine's own share, in a process that has decoded nothing: $(mib "$wine_own")."
