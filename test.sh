#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
#   ./test.sh                          the suite
#   AURELLE_SANITIZE=address,undefined ./test.sh   the suite under sanitizers (build-address,undefined/)
#   ./test.sh -L unit                  extra arguments go to ctest
# Under continuous integration (CI set), the suite then runs again under address,undefined and
# under thread sanitizers.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

sanitize="${AURELLE_SANITIZE:-}"
build="build${sanitize:+-$sanitize}"
# The benchmarks are built (and so kept compiling) with the plain suite only.
bench=$([ -z "$sanitize" ] && echo ON || echo OFF)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAURELLE_SANITIZE="$sanitize" -DAURELLE_BENCH="$bench" >/dev/null
cmake --build "$build"

jobs=$(nproc)
# Allocation stacks are recorded by the fast unwinder here, unlike in fuzz/run.sh: the full one
# (fast_unwind_on_malloc=0) deadlocks the display tests, whose software GL registers its compiled
# code with the system unwinder, which then allocates while it holds its own lock. The suite's
# damaged songs do not reach the leak inside the Vorbis library that tests/lsan.supp describes.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-second_deadlock_stack=1}"
# Tests that need a display run on a virtual X server of their own with Mesa's software renderer.
# Its rasterizer runs on the calling thread: no driver threads come and go while LeakSanitizer
# stops the process at exit.
export LIBGL_ALWAYS_SOFTWARE=1
export LP_NUM_THREADS=0
# SDL talks to that X server only: should a connection to it fail under load, SDL would next try a
# Wayland desktop, whose library keeps what it allocated for the attempt (LeakSanitizer reports
# it, though the test passes).
export SDL_VIDEODRIVER=x11
scripts/virtual-display.sh ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"

if [ -n "${CI:-}" ] && [ -z "$sanitize" ]; then
  AURELLE_SANITIZE=address,undefined "$0" "$@"
  AURELLE_SANITIZE=thread "$0" "$@"
fi
