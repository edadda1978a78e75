#include "ui/optionspage.h"

#include "ui/dialogfont.h"
#include "ui/amroptpage.h"
#include "ui/optaacpage.h"
#include "ui/optflacpage.h"
#include "ui/optmp3page.h"
#include "ui/optoggpage.h"
#include "ui/optopuspage.h"
#include "ui/optoutputpage.h"
#include "ui/optwavpage.h"
#include "ui/pagewmaoptions.h"

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
        [](const OptionsPageContext& context) { return std::make_unique<COptMp3Page>(context); },
        [](const OptionsPageContext& context) { return std::make_unique<COptWavPage>(context); },
        [](const OptionsPageContext& context) { return std::make_unique<CPageWMAOptions>(context); },
        [](const OptionsPageContext& context) { return std::make_unique<COptOggPage>(context); },
        [](const OptionsPageContext& context) { return std::make_unique<CAmrOptPage>(context); },
        [](const OptionsPageContext& context) { return std::make_unique<COptAacPage>(context); },
        [](const OptionsPageContext& context) { return std::make_unique<COptM4aPage>(context); },
        [](const OptionsPageContext& context) { return std::make_unique<COptFlacPage>(context); },
        [](const OptionsPageContext& context) { return std::make_unique<COptOpusPage>(context); },
    };
}

} // namespace sonivert::ui
