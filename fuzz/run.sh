#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds, several
# side by side.
#   fuzz/run.sh [-j N] [seconds] [TargetFuzz ...]   (defaults: N = processors, 60 s, all targets)
# fuzz/out/<target>/ is a target's corpus; targets of formats with structure first write into it
# seeds made by the project's own writers. An input that stops a run (a sanitizer error, undefined
# behaviour, a leak, a timeout, running out of memory) is saved in fuzz/out/<target>.failures/, and
# each run's output is in fuzz/out/<target>.log. The end prints one line per target; the status is
# 1 when any run failed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
parallel=$(nproc)
if [ "${1:-}" = "-j" ]; then
  parallel="$2"
  shift 2
fi
seconds="${1:-60}"
shift || true
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAURELLE_FUZZ=ON -DAURELLE_TESTS=OFF -DAURELLE_BENCH=OFF >/dev/null
cmake --build build-fuzz
# Leaks inside the system's libraries that are not ours (see the file) are not reported. The
# suppressions match a library anywhere on the allocation's stack, so that stack is recorded whole:
# the fast unwinder stops inside a system library built without frame pointers.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:fast_unwind_on_malloc=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
# Fresh memory starts as zeros, as most fresh memory does outside the sanitizer, instead of its
# marker byte: a read of a slot never written then finds a null pointer or a zero count and fails
# at once, where the marker byte would make it look like data. Options given are kept.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}malloc_fill_byte=0"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*Fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

run_target() {
  local target="$1"
  local out="fuzz/out/$target"
  mkdir -p "$out" "$out.failures"
  local status=0
  ./build-fuzz/fuzz/"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out.failures/" "$out" >"$out.log" 2>&1 || status=$?
  echo "$status" >"$out.status"
}

summarise() {
  local target="$1"
  local out="fuzz/out/$target"
  local inputs edges corpus status failures
  inputs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out.log" | grep -o '[0-9]*$' || echo "?")
  edges=$(grep -o ' cov: [0-9]*' "$out.log" | tail -n 1 | grep -o '[0-9]*' || echo "?")
  corpus=$(find "$out" -type f | wc -l)
  status=$(cat "$out.status")
  failures=$(find "$out.failures" -type f | sort | tr '\n' ' ')
  local result="clean"
  if [ "$status" != 0 ] || [ -n "$failures" ]; then
    result="FAILED (status $status) ${failures:-see $out.log}"
  fi
  printf '%-20s inputs %10s  edges %6s  corpus %6s  %s\n' "$target" "$inputs" "$edges" "$corpus" "$result"
  [ "$result" = "clean" ]
}

echo "${#targets[@]} target(s), ${seconds}s each, $parallel at a time"
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do
    wait -n || true
  done
  run_target "$target" &
done
wait

failed=0
for target in "${targets[@]}"; do
  summarise "$target" || failed=1
done
exit "$failed"
