#!/usr/bin/env bash
# Builds the benchmarks optimised (Release, in build-bench/) and runs them one after another under a
# virtual X server with OpenAL's null output, printing each one's figures and ratios.
#   bench/run.sh [name ...]   (names as in bench/<name>.cpp; default: all of them)
# The runs take several minutes; a quiet machine gives steadier ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DAURELLE_TESTS=OFF -DAURELLE_BENCH=ON >/dev/null
cmake --build build-bench

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for source in bench/*.cpp; do names+=("$(basename "$source" .cpp)"); done
fi

export ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1 SDL_VIDEODRIVER=x11
# The Google Benchmark programs report the median of three runs; the others time themselves.
google_benchmark_options=(--benchmark_repetitions=3 --benchmark_report_aggregates_only=true
  --benchmark_display_aggregates_only=true)
status=0
for name in "${names[@]}"; do
  program="build-bench/bench/bench_$name"
  if [ ! -x "$program" ]; then
    echo "== $name: not built (a library it compares with is missing)"
    continue
  fi
  echo "== $name"
  options=()
  if grep -q "BENCHMARK_MAIN\|benchmark::Initialize" "bench/$name.cpp"; then
    options=("${google_benchmark_options[@]}")
  fi
  scripts/virtual-display.sh "$program" "${options[@]}" 2>&1 | grep -v "_mean \|_stddev \|_cv " ||
    status=1
done
exit "$status"
