#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; only what is missing.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config make
  # libraries
  libsdl2-dev libx11-dev libgl-dev libopenal-dev libfreetype-dev libfontconfig-dev fonts-liberation
  libjpeg62-turbo-dev libvorbis-dev libogg-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth libgl1-mesa-dri
  # tests only: the X server's test extension, to press and release the mouse as a user does
  libxtst-dev
  # locale sources, so tests can prove number parsing ignores a user locale with a decimal comma
  locales
  # benchmarks only: a reference GIF decoder to compare ours with
  libgif-dev
  # benchmarks only: the JPEG library's own command-line decoder, to compare our JPEG reader with
  libjpeg-turbo-progs
  # benchmarks only: oggdec, the reference Ogg Vorbis decoder our song decoding is timed against
  vorbis-tools
  # fuzzing: the compiler, and the runtimes of libFuzzer and the sanitizers it links, which the
  # compiler only recommends
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}"
  echo "Install them with:"
  echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}"
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
