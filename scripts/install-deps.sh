#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the test tools need,
# and any further packages named as arguments (scripts/fuzz.sh names clang).
# Only missing packages are installed; runs as root or through sudo.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git ccache
  # libraries
  libgsm1-dev libsoxr-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
  nlohmann-json3-dev libcli11-dev
  libmp3lame-dev libid3-3.8.3-dev libtag1-dev
  libvorbis-dev libogg-dev libflac-dev libopusenc-dev libopus-dev libebur128-dev
  libopencore-amrnb-dev libvo-amrwbenc-dev
  libopenmpt-dev libfluidsynth-dev
  qt6-base-dev
  # a font for the window's texts
  fonts-dejavu-core
  # tests
  googletest libgtest-dev libgmock-dev
  # locale sources and localedef, for tests that run under a non-"C" locale
  locales
  # independent reference tools used by the tests and benchmarks
  sox sndfile-programs ffmpeg vorbis-tools lame flac opus-tools
  # a General MIDI sound font for the MIDI rendering tests
  timgm6mb-soundfont
  # validators of the installation's desktop entry, AppStream metadata and
  # manual pages; dpkg-shlibdeps for the Debian package's dependencies
  desktop-file-utils appstream groff-base dpkg-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
