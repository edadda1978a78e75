#pragma once

#include <optional>
#include <string>

namespace sonivert {

class UserPrompts;

// The sound font MIDI files are rendered with, looked for only in the
// program's own folder.
inline constexpr const char* kSoundFontFileName = "ct4mgm.sf2";

// Opens folder/ct4mgm.sf2 and makes it the default font of every MIDI
// stream the decoding library creates afterwards (all presets, bank 0).
// False when folder is not known, the file is missing or not a sound font,
// or the library refuses it. Streams already open keep their fonts.
[[nodiscard]] bool installSoundFont(const std::optional<std::string>& folder);

// Whether the sound font is in force for this program run, and the two
// occasions that install it: the main window's initialisation and the check
// before a batch that holds MIDI files. Once installed, the font stays for
// the rest of the run and ready() never returns to false. The folder is the
// program's folder in production; tests hand in a folder of their own.
class MidiSoundFont {
public:
    explicit MidiSoundFont(std::optional<std::string> folder) : m_folder(std::move(folder)) {}

    bool ready() const { return m_ready; }
    const std::optional<std::string>& folder() const { return m_folder; }

    // Installs the font unless it is in force already; a missing file is
    // not reported.
    void installIfNotReady();

    // Run before a batch with MIDI rows while the font is not ready: installs
    // it again (a file copied into the folder meanwhile is picked up). When
    // that fails, asks whether to download the font; Yes opens the folder and
    // the download address and returns false (the batch must not start), No
    // returns true (the batch runs and its MIDI rows fail).
    [[nodiscard]] bool checkBeforeBatch(UserPrompts& prompts);

    // The question shown when the font is missing, naming folder (with a
    // trailing separator) as the place to copy it to.
    static std::string missingFontQuestion(const std::string& folder);
    // The address the font is downloaded from.
    static std::string downloadAddress();

private:
    std::optional<std::string> m_folder;
    bool m_ready = false;
};

} // namespace sonivert
