#!/usr/bin/env bash
# `make fuzz`: builds every libFuzzer target in one clang build (TARIFON_FUZZ=ON: the
# whole tree instrumented, with ASan and UBSan) and runs each from its committed corpus,
# tests/fuzz/corpus/<target>/, for FUZZ_SECONDS (default 20), as many at once as there
# are cores.  Prints the executions per target and fails on any finding (crash, leak,
# time-out, out of memory); the input that caused it is kept in BUILD/fuzz/findings/.
# Usage: fuzz.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-fuzz}
case "$build" in /*) ;; *) build=$root/$build ;; esac
seconds=${FUZZ_SECONDS:-20}
jobs=${JOBS:-$(nproc)}
generator=$(command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

if [ ! -f "$build/CMakeCache.txt" ]; then
  # shellcheck disable=SC2086 # CMAKE_FLAGS is a list of options
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G "$generator" -DTARIFON_FUZZ=ON \
    ${CMAKE_FLAGS:-} >/dev/null
fi
cmake --build "$build" -j "$jobs" --target fuzzers

out=$build/fuzz
rm -rf "$out"
mkdir -p "$out"
mapfile -t targets <"$build/fuzz-targets.txt"

# One fuzzer: new inputs go to a scratch folder, the committed corpus is only read.
run() {
  local target=$1 corpus=$root/tests/fuzz/corpus/$1
  mkdir -p "$out/new/$target" "$out/findings/$target"
  if [ ! -d "$corpus" ]; then
    echo "no corpus: $corpus" >"$out/$target.log"
    return 1
  fi
  "$build/bin/$target" "$out/new/$target" "$corpus" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=3072 -malloc_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/findings/$target/" >"$out/$target.log" 2>&1
}

running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  (run "$target"; echo $? >"$out/$target.status") &
  running=$((running + 1))
done
wait

failed=0
total=0
printf '%-24s %12s %8s  %s\n' target executions corpus result
for target in "${targets[@]}"; do
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$target.log" | tail -1)
  inputs=$(find "$out/new/$target" "$root/tests/fuzz/corpus/$target" -type f 2>/dev/null | wc -l)
  status=$(cat "$out/$target.status")
  result=clean
  if [ "$status" -ne 0 ] || [ -z "$execs" ]; then
    result="FINDING (exit $status): $out/$target.log"
    failed=$((failed + 1))
    grep -m1 -E 'ERROR|SUMMARY|no corpus' "$out/$target.log" >&2 || true
  fi
  total=$((total + ${execs:-0}))
  printf '%-24s %12s %8s  %s\n' "$target" "${execs:-0}" "$inputs" "$result"
done
echo "fuzz: ${#targets[@]} targets, $total executions, ${seconds} s each, $failed with findings"
[ "$failed" -eq 0 ]
