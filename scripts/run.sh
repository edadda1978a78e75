#!/usr/bin/env bash
# Sets up the machine, builds Sonivert and runs it. Without arguments it
# shows the stream information of a short generated WAV file and converts it
# to a mono 22050 Hz WAV file; arguments are handed to sonivert-cli as they are.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

cli="$root/build/app/cli/sonivert-cli"
if [ $# -gt 0 ]; then
  exec "$cli" "$@"
fi
demo="$(mktemp -d)"
sample="$demo/sonivert-sample.wav"
sox -R -n -r 44100 -c 2 -b 16 "$sample" synth 5 sine 440 sine 660 vol 0.5
"$cli" info "$sample"
"$cli" convert --format wav --output-dir "$demo/converted" \
  --set AutoDestWAVEncodingParam=0 --set WAVSampleRate=22050 --set WAVChannelNum=1 "$sample"
"$cli" info "$demo/converted/sonivert-sample.wav"
