#include "settings/firstrun.h"

#include "engine/constants.h"
#include "engine/userprompts.h"
#include "engine/utf8path.h"
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
    if (programFolder) {
        const std::filesystem::path manual = utf8Path(*programFolder) / kHelpManualFileName;
        std::error_code ec;
        if (std::filesystem::is_regular_file(manual, ec))
            prompts.openDocument(pathUtf8(manual));
    }
    return true;
}

} // namespace sonivert
