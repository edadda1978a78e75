#include "settings/firstrun.h"

#include "engine/constants.h"
#include "engine/userprompts.h"
#include "engine/utf8path.h"
#include "platform/programfiles.h"
#include "platform/registrystore.h"
#include "settings/conversionsettings.h"

#include <filesystem>
#include <memory>

namespace sonivert {

int32_t storedFirstRun(RegistryStore& store)
{
    const std::unique_ptr<RegistryKey> key = store.openKey(kOptionsKey);
    if (!key)
        return 1;
    return key->readNumber(kFirstRunValue).value_or(1);
}

std::optional<std::string> helpManualPath(const std::optional<std::string>& programFolder)
{
    const std::optional<std::string> found =
        findProgramFile(programFolder, ProgramFileKind::Document, kHelpManualFileName);
    std::error_code ec;
    if (!found || !std::filesystem::is_regular_file(utf8Path(*found), ec))
        return std::nullopt;
    return found;
}

bool firstRunCheck(RegistryStore& store, UserPrompts& prompts, const std::optional<std::string>& programFolder)
{
    int32_t firstRun = 1;
    if (const std::unique_ptr<RegistryKey> key = store.createKey(kOptionsKey)) {
        firstRun = key->readNumber(kFirstRunValue).value_or(1);
        if (firstRun != 0) {
            key->writeNumber(kFirstRunValue, 0);
            (void)store.flush();
        }
    }
    if (firstRun == 0)
        return false;
    if (const std::optional<std::string> manual = helpManualPath(programFolder))
        prompts.openDocument(*manual);
    return true;
}

} // namespace sonivert
