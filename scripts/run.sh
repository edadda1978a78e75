#!/usr/bin/env bash
# Sets up the machine, builds Sonivert and runs it. Without arguments it
# shows the stream information of a short generated WAV file; arguments are
# handed to sonivert-cli as they are.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

cli="$root/build/app/cli/sonivert-cli"
if [ $# -gt 0 ]; then
  exec "$cli" "$@"
fi
sample="$(mktemp -d)/sonivert-sample.wav"
sox -R -n -r 44100 -c 2 -b 16 "$sample" synth 5 sine 440 sine 660 vol 0.5
"$cli" info "$sample"
"$cli" info --json "$sample"
