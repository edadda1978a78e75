#!/usr/bin/env bash
# Builds the engine, sources, encoders and command-line suites with
# ThreadSanitizer and runs them; any data race fails the run. The libraries
# we link are not instrumented: races inside them are kept out by the
# locks around their shared set-up, which these runs cross.
# Usage: scripts/tsan.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-tsan}"
"$root/scripts/install-deps.sh"
SONIVERT_BUILD_TARGETS="engine_tests sources_tests encoders_tests app_tests sonivert-cli" \
  "$root/scripts/build.sh" "$build" -DSONIVERT_TSAN=ON -DSONIVERT_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:history_size=4"
# FluidSynth loads a sound font's samples on an OpenMP team; libgomp's own
# synchronisation is invisible to ThreadSanitizer, which then reports its
# memory handover as races. One OpenMP thread keeps those reports out and
# leaves every thread of ours as it is.
export OMP_NUM_THREADS=1
(cd "$build" && ctest --output-on-failure -j"$(nproc)" -L '^(engine|sources|encoders|app)$')
