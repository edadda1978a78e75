#pragma once

#include "settings/conversionsettings.h"
#include "ui/optionspage.h"

namespace sonivert::ui {

// The common frame of the format pages. The leave check runs
// checkAndRead, which reads the controls into the page's values and
// validates them; OK (applyPage) reads the list selections.
class FormatOptionPage : public OptionsPage {
    Q_OBJECT
public:
    FormatOptionPage(const QString& title, const OptionsPageContext& context);

    // A page not yet initialised has nothing to read and passes.
    bool leavePage() override;
    void applyPage() override;

protected:
    // Refusals have been shown and the focus put on the offending control.
    virtual bool checkAndRead() = 0;
    virtual void readSelections() = 0;

    UserPrompts& m_prompts;
};

} // namespace sonivert::ui
