#!/usr/bin/env bash
# Prints every figure of setup.exe next to its reference, measured side by
# side in this one run: start-up, installation, size, compression, memory.
# Figures only: nothing here passes or fails. Run through `make bench`,
# which builds both trees first.
#
# Timings are the best of many runs, with their median and spread beside:
# the build machines are shared, and the best run is the one least
# disturbed; the spread says how far one run of this machine can be trusted.
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
cmake --build --preset windows --target loader-bench first-page-templates first-page-floor startup-probe >/dev/null

work=$(mktemp -d)
prefix=$windows/bench/prefix
cleanup() {
  "$root/scripts/wine.sh" discard "$prefix" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# "name value" lines of a figure program: value NAME FILE
value() { tr -d '\r' <"$2" | sed -n "s/^$1 //p" | tail -1; }
# The run times on the NAME lines of FILES, as "best median spread runs":
# the spread is the middle half of the runs (75th less 25th percentile) in
# per cent of the median.
stats() {
  local name=$1
  shift
  cat "$@" | tr -d '\r' | sed -n "s/^$name //p" | tr ' ' '\n' | grep . | sort -g | awk '
    { v[NR] = $1 }
    END {
      if (NR == 0) exit 1
      median = (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2
      q1 = v[int((NR + 3) / 4)]; q3 = v[int((3 * NR + 3) / 4)]
      printf "%.3f %.3f %.1f %d\n", v[1], median, 100 * (q3 - q1) / median, NR
    }'
}
field() { echo "$1" | cut -d' ' -f"$2"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
row() { printf '%-34s %16s   %-36s %7s   %s\n' "$@"; }
kib() { awk -v b="$1" 'BEGIN { printf "%.1f KiB", b / 1024 }'; }
mib() { awk -v b="$1" 'BEGIN { printf "%.2f MiB", b / 1048576 }'; }
xz9e() { xz --format=raw --lzma1=preset=9e -c "$1" | wc -c; }

echo "bench: measuring (about four minutes)" >&2

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
floor_cold=$(stats decode_ms "$work"/floor?.txt)
load_cold=$(stats load_ms "$work"/load?.txt)
floor_warm=$(stats warm_decode_ms "$work"/floor?.txt)
load_warm=$(stats warm_load_ms "$work"/load?.txt)

# --- time to the first page: setup.exe against a program that shows the same
# templates with procedures that do nothing, beside a minimal dialog program
# and setup.exe with a clock between its start-up steps, in turns
"$root/tests/e2e/run-scenario.sh" "$windows" first-page first-page >"$work/first-page.txt" 2>&1 || {
  cat "$work/first-page.txt" >&2
  exit 1
}
page_setup=$(stats first_page_setup_ms "$work/first-page.txt")
page_templates=$(stats first_page_templates_ms "$work/first-page.txt")
page_floor=$(stats first_page_floor_ms "$work/first-page.txt")
page_probe=$(stats first_page_probe_ms "$work/first-page.txt")

# --- installation and the wizard's memory, from the real setup.exe
"$root/tests/e2e/run-scenario.sh" "$windows" bench bench >"$work/install.txt" 2>&1 || {
  cat "$work/install.txt" >&2
  exit 1
}
install_median=$(value install_ms_median "$work/install.txt")
install_runs=$(sed -n 's/^install_ms_run[0-9]* //p' "$work/install.txt" | tr '\n' ' ')
install_min=$(printf '%s\n' $install_runs | sort -g | head -1)
floor_install=1125  # nine install steps, one per 125 ms timer tick
wizard=$(value memory_wizard "$work/install.txt")
transient=$(($(value memory_peak_added "$work/load1.txt") - $(value memory_held_added "$work/load1.txt")))
peak=$((wizard + transient))
wine_own=$(value memory_before "$work/load1.txt")

echo
row "figure" "measured" "reference" "ratio" "target"
row "start-up: LoadPayload under Wine" "$(field "$load_cold" 1) ms" \
  "liblzma decoding natively $(field "$floor_cold" 1) ms" "$(ratio "$(field "$load_cold" 1)" "$(field "$floor_cold" 1)")" "<= 1.15"
row "  (medians)" "$(field "$load_cold" 2) ms" "$(field "$floor_cold" 2) ms" \
  "$(ratio "$(field "$load_cold" 2)" "$(field "$floor_cold" 2)")" ""
row "  memory warm: the decoding alone" "$(field "$load_warm" 1) ms" "$(field "$floor_warm" 1) ms" \
  "$(ratio "$(field "$load_warm" 1)" "$(field "$floor_warm" 1)")" "<= 1.15"
row "  (medians)" "$(field "$load_warm" 2) ms" "$(field "$floor_warm" 2) ms" \
  "$(ratio "$(field "$load_warm" 2)" "$(field "$floor_warm" 2)")" ""
row "first page: setup.exe" "$(field "$page_setup" 1) ms" "the same templates $(field "$page_templates" 1) ms" \
  "$(ratio "$(field "$page_setup" 1)" "$(field "$page_templates" 1)")" "<= 1.10"
row "  (medians)" "$(field "$page_setup" 2) ms" "$(field "$page_templates" 2) ms" \
  "$(ratio "$(field "$page_setup" 2)" "$(field "$page_templates" 2)")" ""
row "  against one empty dialog" "" "minimal dialog program $(field "$page_floor" 1) ms" \
  "$(ratio "$(field "$page_setup" 1)" "$(field "$page_floor" 1)")" ""
row "  (medians)" "" "$(field "$page_floor" 2) ms" "$(ratio "$(field "$page_setup" 2)" "$(field "$page_floor" 2)")" ""
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
echo "start-up: best and median of $(field "$load_cold" 4) runs a side, in two turns; spread (the middle half of"
echo "  the runs, in per cent of the median): $(field "$load_cold" 3) % under Wine, $(field "$floor_cold" 3) % natively; warm"
echo "  $(field "$load_warm" 3) % and $(field "$floor_warm" 3) %. Each run decodes into memory fresh from the system, as the"
echo "  one load of a new setup.exe process does; a warm run into the memory the run before used, so"
echo "  the decoding shows rather than the system's first touch of the pages. LoadPayload also sums"
echo "  and indexes the payload."
echo "first page: from CreateProcess until the program is idle with its first page shown, $(field "$page_setup" 4)"
echo "  runs each in turns in one Wine session; spread $(field "$page_setup" 3) %, $(field "$page_templates" 3) % and $(field "$page_floor" 3) %. The"
echo "  reference carries setup.exe's own resources, starts COM and the common controls, creates the"
echo "  frame and its four pages from the same templates with procedures that do nothing and shows"
echo "  page 0: what is left between it and setup.exe is setup.exe's own work. The minimal program"
echo "  has setup.exe's manifest and shows one empty dialog of the frame's size. Where setup.exe's"
echo "  time goes, medians of $(field "$page_probe" 4) runs of it built with a clock between its steps (in all"
echo "  $(field "$page_probe" 2) ms):"
for part in "process:the process and its DLLs" "controls:COM and the common controls" "payload:the payload" \
  "folders:the paths" "admin:the administrator test" "frame:the frame and its pages, shown" "paint:the first paint"; do
  printf '    %-40s %8s ms\n' "${part#*:}" "$(field "$(stats "startup_${part%%:*}_ms" "$work/first-page.txt")" 2)"
done
echo "  The minimal program's process and DLLs took $(field "$(stats floor_process_ms "$work/first-page.txt")" 2) ms (median) until its wWinMain."
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
