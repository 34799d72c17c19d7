#!/bin/sh
# Runs every fuzz target for SECONDS seconds, one after another, from its
# corpus (kept in BUILD_DIR/fuzz/corpus between runs) and the seeds made from
# the project's data. Stops at the first crash, leak, timeout or
# out-of-memory, whose input is kept in BUILD_DIR/fuzz/crashes.
# Usage: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
seconds=$2
shift 2
targets=${*:-settings scan rules phonetic diphones wav bmp netsh synthtext synthfiles mbrolapho mbroladb}
# Seeds of this run's own, so that runs of other targets can go side by side.
mkdir -p "$build/fuzz/crashes"
seeds=$(mktemp -d "$build/fuzz/seeds.XXXXXX")
trap 'rm -rf "$seeds"' EXIT
sh "$here/seeds.sh" "$build" "$seeds"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" UBSAN_OPTIONS="print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$here/../tests/lsan-suppressions.txt:print_suppressions=0"
for t in $targets; do
  mkdir -p "$build/fuzz/corpus/$t"
  echo "== ${t}_fuzz, $seconds s"
  "$build/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz/crashes/$t-" "$build/fuzz/corpus/$t" "$seeds/$t" \
    > "$build/fuzz/$t.log" 2>&1 || { tail -n 60 "$build/fuzz/$t.log"; echo "${t}_fuzz failed"; exit 1; }
  grep -E "DONE|^stat::(number_of_executed_units|peak_rss_mb)" "$build/fuzz/$t.log"
done
