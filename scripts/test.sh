#!/usr/bin/env bash
# Sets up the machine, builds Sonivert and runs the whole test suite, first in
# the normal build (once as it is, once in the "C" locale) and then in the
# AddressSanitizer + UndefinedBehaviorSanitizer build. Set
# SONIVERT_SKIP_SANITIZERS=1 to run only the normal build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"

jobs="$(nproc)"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")
# Once more without a locale, as in a container, a service or a minimal
# system: no text may depend on the locale the process happens to run in.
(cd "$root/build" && LC_ALL=C LANG= LANGUAGE= ctest --output-on-failure -j"$jobs")

if [ "${SONIVERT_SKIP_SANITIZERS:-0}" != "1" ]; then
  "$root/scripts/build.sh" "$root/build-sanitize" -DSONIVERT_SANITIZE=ON -DSONIVERT_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  (cd "$root/build-sanitize" && ctest --output-on-failure -j"$jobs")
fi
