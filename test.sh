#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
#   ./test.sh                      plain build in build/
#   ./test.sh --sanitize=address   ASan+UBSan build in build-asan/
#   ./test.sh --sanitize=thread    TSan build in build-tsan/
#   ./test.sh --fuzz[=SECONDS]     the driver's fuzz targets in build-fuzz/ (clang), 60 s each
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
source "$ROOT/scripts/setup.sh"

usage() { echo "usage: $0 [--sanitize=address|--sanitize=thread | --fuzz[=SECONDS]]" >&2; exit 2; }
sanitize=""
fuzz_seconds=""
for arg in "$@"; do
  case $arg in
    --sanitize=address|--sanitize=thread) sanitize=${arg#--sanitize=} ;;
    --fuzz) fuzz_seconds=60 ;;
    --fuzz=*) fuzz_seconds=${arg#--fuzz=}; [[ $fuzz_seconds =~ ^[1-9][0-9]*$ ]] || usage ;;
    *) usage ;;
  esac
done
if [ -n "$fuzz_seconds" ]; then
  [ -z "$sanitize" ] || usage
  exec "$ROOT/tests/fuzz/run_fuzz.sh" "$fuzz_seconds"
fi

case $sanitize in
  "") dir=$ROOT/build ;;
  address) dir=$ROOT/build-asan ;;
  thread) dir=$ROOT/build-tsan ;;
esac

setup_build "$dir" -DSANITIZE="$sanitize"

run=()
if [ "$sanitize" = thread ]; then
  # TSan of this toolchain cannot map its shadow memory with the kernel's full address-space
  # randomisation; running without randomisation is the documented way round it.
  run=(setarch "$(uname -m)" -R)
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
fi
[ "$sanitize" = address ] && export ASAN_OPTIONS="detect_leaks=1 ${ASAN_OPTIONS:-}" UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1 ${UBSAN_OPTIONS:-}"

cd "$dir"
"${run[@]}" ctest --output-on-failure -j "$(nproc)" --timeout 300
