#include "sources/soundfont.h"

#include "engine/constants.h"
#include "engine/userprompts.h"
#include "engine/utf8path.h"
#include "platform/bass/bass.h"
#include "platform/specialfolders.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#ifndef _WIN32
#include <unistd.h>
#endif

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

// Whether this user may create files in folder.
bool folderWritable(const std::string& folder)
{
#ifdef _WIN32
    (void)folder;
    return true;
#else
    return access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

#ifdef _WIN32
constexpr char kListSeparator = ';';
#else
constexpr char kListSeparator = ':';
#endif

// Debian's alternatives link first: it names the font the system's
// administrator chose, whichever package brought it.
constexpr std::array<const char*, 3> kSystemFonts = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

bool installFont(const std::string& path)
{
    const HSOUNDFONT font = BASS_MIDI_FontInit(path.c_str(), 0);
    if (font == 0)
        return false;
    const BASS_MIDI_FONT entry{font, -1, 0};
    return BASS_MIDI_StreamSetFonts(0, &entry, 1) != 0;
}

} // namespace

std::vector<std::string> systemSoundFonts(const char* variable)
{
    if (!variable)
        return {kSystemFonts.begin(), kSystemFonts.end()};
    std::vector<std::string> fonts;
    std::string_view rest(variable);
    while (!rest.empty()) {
        const size_t end = rest.find(kListSeparator);
        const std::string_view entry = rest.substr(0, end);
        if (!entry.empty())
            fonts.emplace_back(entry);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return fonts;
}

std::vector<std::string> systemSoundFonts()
{
    return systemSoundFonts(std::getenv(kSoundFontsVariable));
}

std::vector<std::string> soundFontCandidates(const std::optional<std::string>& folder,
                                             std::span<const std::string> fallbacks)
{
    std::vector<std::string> candidates;
    if (folder && !folder->empty())
        candidates.push_back(pathUtf8(utf8Path(*folder) / kSoundFontFileName));
    candidates.insert(candidates.end(), fallbacks.begin(), fallbacks.end());
    return candidates;
}

std::optional<std::string> installFirstSoundFont(std::span<const std::string> candidates)
{
    for (const std::string& path : candidates) {
        if (installFont(path))
            return path;
    }
    return std::nullopt;
}

bool installSoundFont(const std::optional<std::string>& folder)
{
    return installFirstSoundFont(soundFontCandidates(folder, {})).has_value();
}

void MidiSoundFont::installIfNotReady()
{
    if (!m_installed)
        m_installed = installFirstSoundFont(soundFontCandidates(m_folder, m_fallbacks));
}

std::optional<std::string> userSoundFontFolder()
{
    const std::optional<std::string> data = userDataFolder();
    if (!data)
        return std::nullopt;
    return pathUtf8(utf8Path(*data) / "sonivert");
}

MidiSoundFont::MidiSoundFont(std::optional<std::string> folder, std::vector<std::string> fallbacks,
                             std::optional<std::string> userFolder)
    : m_folder(std::move(folder)), m_userFolder(std::move(userFolder))
{
    if (m_userFolder && !m_userFolder->empty())
        m_fallbacks.push_back(pathUtf8(utf8Path(*m_userFolder) / kSoundFontFileName));
    m_fallbacks.insert(m_fallbacks.end(), std::make_move_iterator(fallbacks.begin()),
                       std::make_move_iterator(fallbacks.end()));
}

std::optional<std::string> MidiSoundFont::fontFolderForUser() const
{
    const bool programFolderWritable = m_folder && !m_folder->empty() && folderWritable(*m_folder);
    if (programFolderWritable || !m_userFolder || m_userFolder->empty())
        return m_folder;
    return m_userFolder;
}

bool MidiSoundFont::checkBeforeBatch(UserPrompts& prompts)
{
    installIfNotReady();
    if (m_installed)
        return true;
    const std::optional<std::string> place = fontFolderForUser();
    const std::string folder = place ? folderText(*place) : std::string();
    if (!prompts.askYesNo(missingFontQuestion(folder)))
        return true;
    if (!folder.empty()) {
        std::error_code ec; // a folder that cannot be made is still named; the opener reports it
        std::filesystem::create_directories(utf8Path(*place), ec);
        prompts.openDocument(folder);
    }
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
