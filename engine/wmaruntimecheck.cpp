#include "engine/wmaruntimecheck.h"

#include "encoders/wmaformatlist.h"
#include "sources/wmaruntime.h"

namespace sonivert {

bool WmaRuntimeCheck::ensureLoaded(UserPrompts& prompts)
{
    const bool wasLoaded = WmaRuntimeLoaded();
    if (!LoadWmaRuntime()) {
        askToInstallWmaRuntime(prompts);
        return false;
    }
    if (!wasLoaded || !m_listBuilt) {
        // A list that cannot be walked to its end keeps what it found; the
        // next load or check builds it again.
        m_listBuilt = RebuildWmaFormatList(m_formats);
    }
    return true;
}

} // namespace sonivert
