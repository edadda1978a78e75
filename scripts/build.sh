#!/usr/bin/env bash
# Configures and builds Sonivert. Usage: scripts/build.sh [BUILD_DIR] [extra CMake arguments...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
shift || true
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
