# The Debian package of an installation: `cpack -G DEB` in the build folder
# makes sonivert_VERSION_ARCH.deb of everything `cmake --install` installs.
# Its dependencies are worked out by dpkg-shlibdeps (package dpkg-dev) from
# the shared libraries the programs and modules link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonivert)
set(CPACK_PACKAGE_VENDOR Quillon)
set(CPACK_PACKAGE_CONTACT "Sonivert support <support@sonivert.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch audio converter")
set(CPACK_PACKAGE_DESCRIPTION "Sonivert converts lists of audio files at once: MP3, WAV,
Ogg Vorbis, FLAC, Opus, ALAC, WMA, AAC, M4A/MP4/M4B and AMR/AWB out of WAV, AIFF, AU,
MP3, FLAC, Ogg, Opus, Windows Media, MPEG-4, tracker modules, MIDI and the
sound of video files, with resampling, down-mix, amplification, tags with
cover pictures, ReplayGain, loudness normalisation and output-folder rules. The package holds the Qt window (sonivert) and the
command-line front end over the same engine (sonivert-cli).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs are built with debugging information; the package ships
# them stripped.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://sonivert.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# MIDI files are rendered with the system's General MIDI font when none is
# beside the program (sources/soundfont.h); xdg-open hands addresses and
# files to the desktop's programs (ui/externalopener.h).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm | timgm6mb-soundfont, xdg-utils")

include(CPack)
