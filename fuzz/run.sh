#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds.
#   fuzz/run.sh [seconds] [TargetFuzz ...]     (default 60 seconds, all targets)
# New inputs go to fuzz/out/<target>; fuzz/seeds/<target>, when there is one, holds valid inputs
# to start from (for formats whose checksums random bytes never meet).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAURELLE_FUZZ=ON -DAURELLE_TESTS=OFF -DAURELLE_BENCH=OFF >/dev/null
cmake --build build-fuzz
# Leaks inside the system's libraries that are not ours (see the file) are not reported.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*Fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
for target in "${targets[@]}"; do
  corpus="fuzz/out/$target"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$target" ] && seeds=("fuzz/seeds/$target")
  echo "== $target for ${seconds}s"
  ./build-fuzz/fuzz/"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$corpus" "${seeds[@]}"
done
