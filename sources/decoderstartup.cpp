#include "sources/decoderstartup.h"

#include "engine/userprompts.h"
#include "engine/utf8path.h"
#include "platform/bass/bass.h"
#include "platform/programfiles.h"

#include <array>

namespace sonivert {
namespace {

#ifdef _WIN32
#define SONIVERT_ADDON_SUFFIX ".dll"
#else
#define SONIVERT_ADDON_SUFFIX ".so"
#endif

const std::array<std::string, 11> kAddons = {
    "basscd" SONIVERT_ADDON_SUFFIX,   "bassflac" SONIVERT_ADDON_SUFFIX,  "basswma" SONIVERT_ADDON_SUFFIX,
    "basswv" SONIVERT_ADDON_SUFFIX,   "bass_aac" SONIVERT_ADDON_SUFFIX,  "bass_adx" SONIVERT_ADDON_SUFFIX,
    "bass_alac" SONIVERT_ADDON_SUFFIX, "bass_ape" SONIVERT_ADDON_SUFFIX, "bass_mpc" SONIVERT_ADDON_SUFFIX,
    "bass_spx" SONIVERT_ADDON_SUFFIX, "bass_tta" SONIVERT_ADDON_SUFFIX,
};

#undef SONIVERT_ADDON_SUFFIX

constexpr DWORD kLibraryRate = 44100;

void loadAddons(const std::optional<std::string>& programFolder)
{
    const std::optional<std::string> found = findProgramFile(programFolder, ProgramFileKind::Module, "addons");
    if (!found)
        return;
    const auto folder = utf8Path(*found);
    for (const std::string& name : kAddons) {
        // A missing module is simply not loaded.
        (void)BASS_PluginLoad(pathUtf8(folder / name).c_str(), 0);
    }
}

} // namespace

std::span<const std::string> decoderAddonFileNames()
{
    return kAddons;
}

bool startDecodingBackEnds(const std::optional<std::string>& programFolder, UserPrompts& prompts)
{
    if ((BASS_GetVersion() >> 16) != BASSVERSION)
        return false;
    (void)BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 0);
    if (!BASS_Init(0, kLibraryRate, 0, nullptr, nullptr)) {
        prompts.showMessage(UserPrompts::Icon::Error, "Failed to initialize the software (0x0002020).");
        return false;
    }
    loadAddons(programFolder);
    // FFmpeg 4 and later register every format and codec when the library
    // loads; there is no registration call left to make.
    return true;
}

void stopDecodingBackEnds()
{
    BASS_Free();
    BASS_PluginFree(0);
}

} // namespace sonivert
