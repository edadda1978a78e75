#include "ui/optsheet.h"

#include "ui/dialogfont.h"
#include "ui/optionspage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

#include <utility>

namespace sonivert::ui {

COptSheet::COptSheet(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    // The sheet's own children (the tabs and the buttons) use the dialog
    // font; the pages set it on theirs as well.
    setFont(dialogFont());

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("pageTabs"));
    m_tabs->setDrawBase(false);
    m_tabs->setExpanding(false);
    m_tabs->setUsesScrollButtons(true);
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("pages"));
    m_stack->setFrameShape(QFrame::StyledPanel);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->setObjectName(QStringLiteral("sheetButtons"));

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_tabs);
    layout->addWidget(m_stack, 1);
    layout->addSpacing(8);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_tabs, &QTabBar::currentChanged, this, &COptSheet::tabChanged);
    // Ctrl+Tab and Ctrl+PgDown go to the next page, Ctrl+Shift+Tab and
    // Ctrl+PgUp to the previous one, round the ends, through the same leave
    // check as a click on a tab.
    const auto step = [this](int by) {
        const int count = m_tabs->count();
        if (count > 0)
            m_tabs->setCurrentIndex((m_tabs->currentIndex() + by + count) % count);
    };
    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
    };
    for (const auto& [sequence, by] : keys)
        connect(new QShortcut(sequence, this), &QShortcut::activated, this, [step, by = by] { step(by); });
    connect(m_buttons->button(QDialogButtonBox::Ok), &QAbstractButton::clicked, this, &COptSheet::okClicked);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

COptSheet::~COptSheet() = default;

void COptSheet::addPage(std::unique_ptr<OptionsPage> page)
{
    OptionsPage* raw = page.release();
    m_pages.push_back(raw);
    m_stack->addWidget(raw); // the stack owns it from here
    m_revertingTab = true;   // the first tab becomes current: no page is left
    m_tabs->addTab(raw->title());
    m_revertingTab = false;
}

OptionsPage* COptSheet::page(int index) const
{
    return index >= 0 && index < pageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

void COptSheet::setStartPage(int index)
{
    if (!page(index))
        return;
    m_revertingTab = true;
    m_tabs->setCurrentIndex(index);
    m_revertingTab = false;
    m_stack->setCurrentIndex(index);
}

bool COptSheet::run()
{
    return exec() == QDialog::Accepted;
}

int COptSheet::activePageIndex() const
{
    return m_stack->currentIndex();
}

void COptSheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (OptionsPage* current = page(activePageIndex()))
        current->initialiseOnce();
}

void COptSheet::tabChanged(int index)
{
    if (m_revertingTab)
        return;
    const int leaving = activePageIndex();
    if (index == leaving)
        return;
    // The tab bar has moved already; the page on show has not. A page that
    // refuses to be left gets its tab back.
    OptionsPage* current = page(leaving);
    if (current && current->isInitialised() && !current->leavePage()) {
        m_revertingTab = true;
        m_tabs->setCurrentIndex(leaving);
        m_revertingTab = false;
        return;
    }
    m_stack->setCurrentIndex(index);
    if (OptionsPage* next = page(index); next && isVisible())
        next->initialiseOnce();
}

void COptSheet::okClicked()
{
    OptionsPage* current = page(activePageIndex());
    if (current && current->isInitialised() && !current->leavePage())
        return;
    for (OptionsPage* shown : m_pages) {
        if (shown->isInitialised())
            shown->applyPage();
    }
    accept();
}

void COptSheet::done(int result)
{
    m_closedPageIndex = activePageIndex();
    QDialog::done(result);
}

} // namespace sonivert::ui
