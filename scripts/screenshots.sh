#!/usr/bin/env bash
# Makes the pictures under docs/ from the widget tests, so they show the
# window as it is built now. Usage: scripts/screenshots.sh [BUILD_DIR]
# The tests draw under Qt's offscreen platform: no display is needed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
SONIVERT_BUILD_TARGETS="ui_tests" "$root/scripts/build.sh" "$build"

# The tests that leave the pictures, and what each picture is called under docs/.
tests='MainWindowTest.ScreenshotOfTheWindowWithListedFiles:MainWindowTest.CancelInTheProgressDialogMidBatchGivesCancelled'
tests+=':OptionsTest.SheetShowsTheStoredGeneralValuesAndOkSavesTheEditedOnes'
tests+=':OptionsTest.AboutBoxFromTheHelpMenuShowsTheVersionAndUnderlinedLinks'
tests+=':PageTest.SavesScreenshotsOfThePages:EditId3TagDialogShot.SavesAScreenshot'
shots=(
  "mainwindow.png:mainwindow.png"
  "progressdialog.png:progress.png"
  "options-general.png:options-general.png"
  "page_mp3.png:options-mp3.png"
  "edit_id3_tag.png:tag-dialog.png"
  "about.png:about.png"
)
out="$build/tests/ui"
for shot in "${shots[@]}"; do rm -f "$out/${shot%%:*}"; done
QT_QPA_PLATFORM=offscreen "$build/tests/ui/ui_tests" --gtest_filter="$tests" --gtest_brief=1
for shot in "${shots[@]}"; do
  from="$out/${shot%%:*}" to="$root/docs/${shot##*:}"
  if [[ ! -s "$from" ]]; then
    echo "screenshots: no tests left ${shot%%:*}" >&2
    exit 1
  fi
  cp "$from" "$to"
  echo "docs/${shot##*:}"
done
