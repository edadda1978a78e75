#pragma once

#include "engine/engine.h"

namespace sonivert {

class UserPrompts;
class WmaFormatList;

// The check made wherever Windows Media is needed: for every Windows Media
// input the factory opens, before a WMA batch, and when the WMA options page
// lists its formats. Loads the run-time; when it is not available, asks the
// user to install it and answers false. After a successful load (and the
// first time the run-time serves this list) the codec format list is
// rebuilt.
class WmaRuntimeCheck final : public WindowsMediaRuntime {
public:
    // formats must outlive the check.
    explicit WmaRuntimeCheck(WmaFormatList& formats) : m_formats(formats) {}
    bool ensureLoaded(UserPrompts& prompts) override;

private:
    WmaFormatList& m_formats;
    bool m_listBuilt = false;
};

} // namespace sonivert
