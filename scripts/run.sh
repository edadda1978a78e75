#!/usr/bin/env bash
# Sets up the machine, builds Sonivert and runs it.
#
#   scripts/run.sh                 starts the window
#   scripts/run.sh demo            command-line demo: shows the stream information of a
#                                  generated WAV file and converts it to mono 22050 Hz
#   scripts/run.sh info|convert|settings ...
#                                  hands the arguments to sonivert-cli as they are
#
# Without a display (no DISPLAY or WAYLAND_DISPLAY) the window runs inside
# xvfb-run: it starts and works, but nobody sees it; Ctrl+C ends it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

cli="$root/build/app/cli/sonivert-cli"
gui="$root/build/app/gui/sonivert"

if [ $# -eq 0 ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run: no display; starting the window inside xvfb-run (not visible, Ctrl+C ends it)" >&2
    exec xvfb-run -a "$gui"
  fi
  exec "$gui"
fi

if [ "$1" != "demo" ]; then
  exec "$cli" "$@"
fi
demo="$(mktemp -d)"
sample="$demo/sonivert-sample.wav"
sox -R -n -r 44100 -c 2 -b 16 "$sample" synth 5 sine 440 sine 660 vol 0.5
"$cli" info "$sample"
"$cli" convert --format wav --output-dir "$demo/converted" \
  --set AutoDestWAVEncodingParam=0 --set WAVSampleRate=22050 --set WAVChannelNum=1 "$sample"
"$cli" info "$demo/converted/sonivert-sample.wav"
