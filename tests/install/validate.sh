#!/usr/bin/env bash
# Checks one kind of the installation's desktop metadata with its validator:
#   validate.sh desktop FILE.desktop        desktop-file-validate
#   validate.sh appstream FILE.metainfo.xml appstreamcli validate --no-net
#   validate.sh man PAGE...                 groff's warnings about the roff
# Any complaint, warnings included, fails. Exits 77 (skipped) when the
# validator is not installed (scripts/install-deps.sh installs them all).
set -u
kind="${1:?usage: validate.sh desktop|appstream|man FILE...}"
shift

need() {
  if ! command -v "$1" >/dev/null 2>&1; then
    echo "$1 is not installed: skipped"
    exit 77
  fi
}

status=0
case "$kind" in
  desktop)
    need desktop-file-validate
    for file in "$@"; do
      # It exits 0 on warnings and hints; they count here too.
      out="$(desktop-file-validate "$file" 2>&1)" || status=1
      [ -z "$out" ] || { printf '%s\n' "$out"; status=1; }
    done
    ;;
  appstream)
    need appstreamcli
    for file in "$@"; do
      appstreamcli validate --no-net --no-color --explain "$file" || status=1
    done
    ;;
  man)
    need groff
    for page in "$@"; do
      out="$(LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 "$page" 2>&1)" || status=1
      [ -z "$out" ] || { printf '%s: %s\n' "$page" "$out"; status=1; }
    done
    ;;
  *)
    echo "unknown kind: $kind" >&2
    exit 2
    ;;
esac
[ "$status" -eq 0 ] && echo "$kind: valid"
exit "$status"
