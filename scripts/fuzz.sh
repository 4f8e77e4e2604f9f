#!/usr/bin/env bash
# Builds the fuzz tree (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each fuzz target for a bounded time,
# one after the other.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS per target, default 300. TARGETs: loader, examine (default both).
# Each run starts from the committed seeds in tests/fuzz/corpus/TARGET and
# from what earlier runs found, kept in build/fuzz/corpus/TARGET; new inputs
# go there, never into the committed seeds. An input that crashes, hangs,
# leaks, runs out of memory or trips a sanitizer is written to
# build/fuzz/findings/TARGET, and the script then exits 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(loader examine)
case $seconds in '' | *[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number" >&2; exit 2 ;; esac

# Inputs bounded to what each target needs: a payload resource only decodes
# further with longer streams, and a small PE image holds its resource tree.
max_len() {
  case $1 in
    loader) echo 16384 ;;
    examine) echo 32768 ;;
    *) echo "fuzz.sh: unknown target $1" >&2; exit 2 ;;
  esac
}
for t in "${targets[@]}"; do max_len "$t" >/dev/null; done

cd "$root"
if ! out=$(cmake --preset fuzz 2>&1 && cmake --build --preset fuzz 2>&1); then
  echo "$out" >&2
  exit 1
fi
build=$root/build/fuzz

failed=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  log=$build/logs/$t.log
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  before=$(find "$findings" -type f | wc -l)
  set +e
  # One process on one core: the build machines are shared.
  "$build/tests/fuzz/${t}_fuzz" -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=10 \
    -rss_limit_mb=2048 -malloc_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1
  status=$?
  set -e
  after=$(find "$findings" -type f | wc -l)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' || true)
  if [ "$status" -eq 0 ] && [ "$after" -eq "$before" ]; then
    echo "fuzz $t: ${runs:-?} runs in ${seconds} s (${rate:-?}/s), ${last:-no coverage line}; no findings"
  else
    failed=1
    echo "fuzz $t: FAILED (exit code $status) after ${runs:-an unknown number of} runs; log: $log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|[a-z_]+_fuzz:)|Test unit written|ERROR: libFuzzer' "$log" | sed 's/^/  /' || true
  fi
done
exit $failed
