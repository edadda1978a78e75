#!/usr/bin/env bash
# Checks that every include of the project's own headers points down the
# layers (or sideways within a layer): platform, the engine's bottom (reader
# interface, PCM types, WAV reader and writer), settings, sources, encoders,
# the engine's top (factory, pipeline, batch driver), filelist, ui, app.
# Prints each include that points up and exits non-zero when there is one.
set -u
root="${1:?usage: check-layers.sh SOURCE_ROOT}"
cd "$root" || exit 2

engine_top="conversionjob conversionloop conversionpipeline conversionroutines engine filesafety outputnaming soundfontpreconditions wmaruntimecheck"

# The layer of a project file, by its path relative to the root.
level() {
  local path="$1" folder="${1%%/*}" base
  base="$(basename "$path")"; base="${base%.*}"
  case "$folder" in
    platform) echo 0 ;;
    engine) if [[ " $engine_top " == *" $base "* ]]; then echo 5; else echo 1; fi ;;
    settings) echo 2 ;;
    sources) echo 3 ;;
    encoders) echo 4 ;;
    filelist) echo 6 ;;
    ui) echo 7 ;;
    app) echo 8 ;;
    *) echo 9 ;;
  esac
}

status=0
while IFS= read -r file; do
  from="$(level "$file")"
  while IFS= read -r included; do
    [ -e "$included" ] || [ -e "${included%.h}.h.in" ] || continue
    to="$(level "$included")"
    if [ "$to" -gt "$from" ]; then
      echo "$file includes $included, a layer above it"
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find platform engine settings sources encoders filelist ui app -name '*.h' -o -name '*.cpp' | sort)
exit "$status"
