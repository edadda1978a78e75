#include "ui/formatoptionpage.h"

namespace sonivert::ui {

FormatOptionPage::FormatOptionPage(const QString& title, const OptionsPageContext& context)
    : OptionsPage(title, context), m_prompts(context.prompts)
{
}

bool FormatOptionPage::leavePage()
{
    return !isInitialised() || checkAndRead();
}

void FormatOptionPage::applyPage()
{
    if (isInitialised())
        readSelections();
}

} // namespace sonivert::ui
