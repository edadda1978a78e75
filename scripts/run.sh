#!/usr/bin/env bash
# Sets up the machine, builds Sonivert and runs it.
#
#   scripts/run.sh [FILE...]       with a display: starts the window; without one
#                                  (a server, a container, a remote shell): converts
#                                  FILE... (or a generated tone) to MP3 through
#                                  sonivert-cli and says where the result is
#   scripts/run.sh demo [FILE...]  the same conversion, display or not
#   scripts/run.sh info|convert|settings ...
#                                  hands the arguments to sonivert-cli as they are
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

cli="$root/build/app/cli/sonivert-cli"
gui="$root/build/app/gui/sonivert"

# Shows the main job working: stream information, a batch conversion, the result.
show_the_job() {
  local work files=("$@")
  work="$(mktemp -d "${TMPDIR:-/tmp}/sonivert-run-XXXXXX")"
  if [ ${#files[@]} -eq 0 ]; then
    files=("$work/sonivert-sample.wav")
    sox -R -n -r 44100 -c 2 -b 16 "${files[0]}" synth 5 sine 440 sine 660 vol 0.5
    echo "Generated a 5-second stereo tone: ${files[0]}"
  fi
  echo
  echo "== What the file list shows (sonivert-cli info):"
  "$cli" info "${files[@]}" || true
  echo
  echo "== Converting to MP3 as \"Convert All\" does (sonivert-cli convert), one status line per file:"
  local status=0
  "$cli" convert --format mp3 --output-dir "$work/converted" "${files[@]}" </dev/null || status=$?
  echo
  echo "The converted files are in $work/converted:"
  ls -l "$work/converted" 2>/dev/null || true
  echo
  echo "To see the window, run scripts/run.sh where there is a display, or start"
  echo "  QT_QPA_PLATFORM=vnc $gui"
  echo "and connect a VNC viewer to port 5900 of this machine."
  return "$status"
}

case "${1:-}" in
  info|convert|settings) exec "$cli" "$@" ;;
  demo) shift; show_the_job "$@"; exit ;;
esac

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display here: showing what Sonivert does through its command line instead."
  show_the_job "$@"
  exit
fi
exec "$gui"
