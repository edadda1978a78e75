#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sonivert {

class UserPrompts;

// The sound font MIDI files are rendered with, looked for first in the
// program's own folder.
inline constexpr const char* kSoundFontFileName = "ct4mgm.sf2";

// The environment variable that replaces the list of system fonts: paths
// separated by ':' (';' on Windows); set but empty, no system font is tried.
inline constexpr const char* kSoundFontsVariable = "SONIVERT_SOUNDFONTS";

// The system's General MIDI fonts, tried in this order when there is none
// beside the program: the link a Debian system keeps to its chosen General
// MIDI font, then the files of the fluid-soundfont-gm and timgm6mb-soundfont
// packages. variable is the value of kSoundFontsVariable, null when it is
// not set; a set value replaces the list (empty entries are left out).
std::vector<std::string> systemSoundFonts(const char* variable);
// The same for the process's own environment.
std::vector<std::string> systemSoundFonts();

// The font files tried, in order: folder/ct4mgm.sf2 when folder is known
// and not empty, then each of fallbacks.
std::vector<std::string> soundFontCandidates(const std::optional<std::string>& folder,
                                             std::span<const std::string> fallbacks);

// Opens the first of candidates that the decoding library takes as a sound
// font (a missing file or one that is not a font is passed over) and makes
// it the default font of every MIDI stream the library creates afterwards
// (all presets, bank 0). Returns the path installed; nothing when no
// candidate could be installed. Streams already open keep their fonts.
[[nodiscard]] std::optional<std::string> installFirstSoundFont(std::span<const std::string> candidates);

// Installs folder/ct4mgm.sf2 alone, as installFirstSoundFont does. False when
// folder is not known, the file is missing or not a sound font, or the
// library refuses it.
[[nodiscard]] bool installSoundFont(const std::optional<std::string>& folder);

// The folder of the user's own copy of ct4mgm.sf2 (UTF-8): "sonivert" in
// the user's data folder (~/.local/share/sonivert on Linux). Not created
// here. Nothing when the platform names no data folder.
std::optional<std::string> userSoundFontFolder();

// Whether the sound font is in force for this program run, and the two
// occasions that install it: the main window's initialisation and the check
// before a batch that holds MIDI files. Each attempt tries folder/ct4mgm.sf2,
// then userFolder/ct4mgm.sf2, then the fallbacks in order. Once installed,
// the font stays for the rest of the run and ready() never returns to false.
// The folder is the program's folder, the user folder userSoundFontFolder()
// and the fallbacks are systemSoundFonts() in production; tests hand in
// their own.
class MidiSoundFont {
public:
    explicit MidiSoundFont(std::optional<std::string> folder, std::vector<std::string> fallbacks = {},
                           std::optional<std::string> userFolder = std::nullopt);

    bool ready() const { return m_installed.has_value(); }
    const std::optional<std::string>& folder() const { return m_folder; }
    // The font file in force; nothing while not ready.
    const std::optional<std::string>& installedFont() const { return m_installed; }

    // Installs the font unless it is in force already; a missing file is
    // not reported.
    void installIfNotReady();

    // Run before a batch with MIDI rows while the font is not ready: installs
    // it again (a file copied into the folder meanwhile is picked up). When
    // no candidate can be installed, asks whether to download the font,
    // naming fontFolderForUser(); Yes creates that folder when missing, opens
    // it and the download address and returns false (the batch must not
    // start), No returns true (the batch runs and its MIDI rows fail).
    [[nodiscard]] bool checkBeforeBatch(UserPrompts& prompts);

    // Where the user is told to put the font: the program's folder when the
    // user may write there (as beside a program unpacked in a home folder),
    // else the user folder (an installed program's folder belongs to the
    // system). Nothing when neither is known.
    std::optional<std::string> fontFolderForUser() const;

    // The question shown when the font is missing, naming folder (with a
    // trailing separator) as the place to copy it to.
    static std::string missingFontQuestion(const std::string& folder);
    // The address the font is downloaded from.
    static std::string downloadAddress();

private:
    std::optional<std::string> m_folder;
    std::optional<std::string> m_userFolder;
    std::vector<std::string> m_fallbacks; // with the user folder's font first
    std::optional<std::string> m_installed;
};

} // namespace sonivert
