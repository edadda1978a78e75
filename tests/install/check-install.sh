#!/usr/bin/env bash
# Installs the build into a scratch prefix, checks where everything went,
# then moves the installed tree elsewhere and runs the installed command line
# from an unrelated current folder: the add-ons (FLAC read by the decoding
# library, not by FFmpeg) and the Windows Media run-time module (a WMA
# written) must be found from the executable alone.
#   check-install.sh BUILD_DIR APP_ID MODULE_DIR DOC_DIR MAN_DIR DATA_DIR
# The folders are the build's install destinations, relative to the prefix.
set -euo pipefail
build="$1" app_id="$2" module_dir="$3" doc_dir="$4" man_dir="$5" data_dir="$6"

work="$(mktemp -d "${TMPDIR:-/tmp}/sonivert-install-XXXXXX")"
trap 'rm -rf "$work"' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null

expected=(
  bin/sonivert bin/sonivert-cli
  "$module_dir/wmvcore.so" "$module_dir/addons/bassflac.so" "$module_dir/addons/basswma.so"
  "$doc_dir/sonivert.html" "$doc_dir/README.md"
  "$man_dir/man1/sonivert.1" "$man_dir/man1/sonivert-cli.1"
  "$data_dir/applications/$app_id.desktop" "$data_dir/metainfo/$app_id.metainfo.xml"
  "$data_dir/icons/hicolor/scalable/apps/$app_id.svg"
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("$data_dir/icons/hicolor/${size}x$size/apps/$app_id.png")
done
for file in "${expected[@]}"; do
  [ -f "$work/prefix/$file" ] || fail "missing $file"
done
[ "$(find "$work/prefix/$module_dir/addons" -name '*.so' | wc -l)" -eq 10 ] || fail "not ten add-ons"
# Only the programs are in bin/: nothing there to be found beside them.
[ "$(ls "$work/prefix/bin")" = "$(printf 'sonivert\nsonivert-cli')" ] || fail "bin/ holds more: $(ls "$work/prefix/bin")"

mv "$work/prefix" "$work/moved"
mkdir "$work/elsewhere"
cd "$work/elsewhere"
cli="$work/moved/bin/sonivert-cli"
export SONIVERT_SETTINGS="$work/settings.ini"
sox -R -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 1 sine 440

run() { "$cli" "$@" </dev/null 2>"$work/stderr" || { cat "$work/stderr" >&2; fail "sonivert-cli $* failed"; }; }
run convert --format flac --output-dir "$work/out" "$work/tone.wav" >/dev/null
reader="$(run info --json "$work/out/tone.flac" | sed -n 's/.*"reader":"\([a-z]*\)".*/\1/p')"
[ "$reader" = bass ] || fail "FLAC read by '$reader', not by the decoding library's add-on"
line="$(run convert --format wma --output-dir "$work/out" "$work/tone.wav")"
[ "$line" = "$work/tone.wav	tone.wma" ] || fail "WMA not written: $line"
[ -s "$work/out/tone.wma" ] || fail "empty WMA"
echo "installed tree: every file in place; modules found after a move, from another folder"
