#include "ui/optionspage.h"

#include "ui/dialogfont.h"
#include "ui/optoutputpage.h"

namespace sonivert::ui {

OptionsPage::OptionsPage(const QString& title, const OptionsPageContext& context)
    : m_title(title), m_context(context)
{
    setFont(dialogFont());
}

void OptionsPage::initialiseOnce()
{
    if (m_initialised)
        return;
    m_initialised = true;
    initialisePage();
}

std::vector<OptionsPageFactory> standardOptionsPages()
{
    // New pages are added here, in tab order.
    return {
        [](const OptionsPageContext& context) { return std::make_unique<COptOutputPage>(context); },
    };
}

} // namespace sonivert::ui
