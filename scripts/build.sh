#!/usr/bin/env bash
# Configures and builds Sonivert. Usage: scripts/build.sh [BUILD_DIR] [extra CMake arguments...]
# SONIVERT_BUILD_TARGETS="a b" builds only those targets.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
shift || true
# ccache, when installed, lets several checkouts of the tree share compiled objects.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$root"
  # Checkouts in other folders hit the same entries (debug information then
  # names the folder that compiled first).
  export CCACHE_NOHASHDIR=1
fi
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
targets=()
for t in ${SONIVERT_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
