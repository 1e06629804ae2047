#!/usr/bin/env bash
# Builds the fuzz targets in build-fuzz/ and runs each of them: first once over its regression
# inputs and its seed corpus, then for SECONDS on a copy of the corpus kept in build-fuzz/fuzz/.
# Any finding (crash, leak, time-out, memory limit) fails the run and names its input.
# Usage: tests/fuzz/run_fuzz.sh SECONDS   (what ./test.sh --fuzz[=SECONDS] runs)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$ROOT/scripts/setup.sh"
seconds=${1:?usage: $0 SECONDS}
build=$ROOT/build-fuzz
inputs=$ROOT/tests/fuzz
targets=(fuzz_reply_frame fuzz_telnet_stream fuzz_keyboard_reply fuzz_apdu_answer)
limits=(-timeout=10 -rss_limit_mb=2048)

setup_fuzz_build "$build"

export ASAN_OPTIONS="detect_leaks=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1 ${UBSAN_OPTIONS:-}"
[ -x /usr/lib/llvm-14/bin/llvm-symbolizer ] && export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer

# Every regression input and seed of a target, once each; names the input that failed.
replay() {
  local target=$1 log=$2
  local files
  mapfile -t files < <(find "$inputs/regressions/$target" "$inputs/corpus/$target" -type f 2>/dev/null | sort)
  [ ${#files[@]} -gt 0 ] || return 0
  "$build/bin/$target" "${limits[@]}" "${files[@]}" > "$log" 2>&1 && return 0
  echo "FAIL $target: $(grep '^Running: ' "$log" | tail -n 1 | cut -d' ' -f2-)"
  tail -n 40 "$log"
  return 1
}

# The target for the given seconds on its working corpus; any file in findings/ is a finding.
fuzz() {
  local target=$1 work=$2
  rm -rf "$work/findings"
  mkdir -p "$work/corpus" "$work/findings"
  find "$inputs/corpus/$target" "$inputs/regressions/$target" -type f -exec cp -t "$work/corpus" {} + 2>/dev/null || true
  local status=0
  "$build/bin/$target" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$work/corpus" > "$work/fuzz.log" 2>&1 || status=$?
  local found
  mapfile -t found < <(find "$work/findings" -type f)
  if [ "$status" -ne 0 ] || [ ${#found[@]} -gt 0 ]; then
    echo "FAIL $target: exit $status, log $work/fuzz.log"
    grep -E 'invariant broken|ERROR: |SUMMARY: ' "$work/fuzz.log" | head -n 5 || true
    for f in "${found[@]}"; do echo "  reproducer: $f   (run: $build/bin/$target $f)"; done
    return 1
  fi
  local runs speed
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/fuzz.log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/fuzz.log")
  echo "ok $target: $runs runs in ${seconds} s, $speed exec/s, corpus $(find "$work/corpus" -type f | wc -l) inputs"
}

passed=0
failed=0
for target in "${targets[@]}"; do
  work=$build/fuzz/$target
  mkdir -p "$work"
  if replay "$target" "$work/replay.log" && fuzz "$target" "$work"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
