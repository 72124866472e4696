#!/usr/bin/env bash
# Installs what is missing, builds (Release) and starts the program (its launcher) with the demo world.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DAURELLE_TESTS=OFF -DAURELLE_BENCH=OFF >/dev/null
cmake --build build-release
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. To run without one, start it on a virtual X server:"
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' ./build-release/aurelle"
  exit 1
fi
exec ./build-release/aurelle "$@"
