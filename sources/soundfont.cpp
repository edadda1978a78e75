#include "sources/soundfont.h"

#include "engine/constants.h"
#include "engine/userprompts.h"
#include "engine/utf8path.h"
#include "platform/bass/bass.h"

#include <filesystem>

namespace sonivert {
namespace {

// The folder as the user is told it: with a trailing separator, so the
// text reads as a folder.
std::string folderText(const std::string& folder)
{
    std::string text = folder;
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    if (text.empty() || (text.back() != separator && text.back() != '/'))
        text += separator;
    return text;
}

} // namespace

bool installSoundFont(const std::optional<std::string>& folder)
{
    if (!folder || folder->empty())
        return false;
    const std::string path = pathUtf8(utf8Path(*folder) / kSoundFontFileName);
    const HSOUNDFONT font = BASS_MIDI_FontInit(path.c_str(), 0);
    if (font == 0)
        return false;
    const BASS_MIDI_FONT entry{font, -1, 0};
    return BASS_MIDI_StreamSetFonts(0, &entry, 1) != 0;
}

void MidiSoundFont::installIfNotReady()
{
    if (!m_ready)
        m_ready = installSoundFont(m_folder);
}

bool MidiSoundFont::checkBeforeBatch(UserPrompts& prompts)
{
    installIfNotReady();
    if (m_ready)
        return true;
    const std::string folder = m_folder ? folderText(*m_folder) : std::string();
    if (!prompts.askYesNo(missingFontQuestion(folder)))
        return true;
    if (!folder.empty())
        prompts.openDocument(folder);
    prompts.openUrl(downloadAddress());
    return false;
}

std::string MidiSoundFont::missingFontQuestion(const std::string& folder)
{
    return "Dear user, to decode MIDI file, file \"ct4mgm.sf2\" is required.\n"
           "Unfortunately, the file isn't available on your computer.\n\n"
           "Do you want to download the file from our website for free now?\n\n"
           "Once download completes, please copy the file to folder:\n\"" +
           folder + "\"\nAnd then convert your MIDI file again. Thank you.";
}

std::string MidiSoundFont::downloadAddress()
{
    return std::string(kWebSite) + "/download/ct4mgm.sf2";
}

} // namespace sonivert
