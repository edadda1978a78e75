#pragma once

#include <QDialog>

#include <memory>
#include <vector>

class QDialogButtonBox;
class QStackedWidget;
class QTabBar;

namespace sonivert::ui {

class OptionsPage;

// The options sheet: a modal dialog titled "Options" with one tab per page,
// OK and Cancel (no Apply, no Help).
//
// Switching tabs first runs the active page's leave-check; when it fails the
// sheet stays on that page. OK does the same and then lets every page that
// has been shown apply its controls before the dialog is accepted. Cancel,
// Esc and the window's close request reject it without any check. A page is
// initialised the first time it is shown.
class COptSheet final : public QDialog {
    Q_OBJECT
public:
    explicit COptSheet(QWidget* parent = nullptr);
    ~COptSheet() override;

    // Adds a page as the next tab; the sheet owns it from now on.
    void addPage(std::unique_ptr<OptionsPage> page);
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    OptionsPage* page(int index) const;

    // The page shown when the sheet opens. An index that names no page is
    // ignored. Call before the sheet is shown.
    void setStartPage(int index);

    // Runs the sheet modally; true for OK.
    bool run();

    // The page on show now.
    int activePageIndex() const;
    // The page that was on show when the sheet closed (the active one while
    // it is still open).
    int closedPageIndex() const { return m_closedPageIndex >= 0 ? m_closedPageIndex : activePageIndex(); }

    QTabBar& tabBar() const { return *m_tabs; }
    QDialogButtonBox& buttons() const { return *m_buttons; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void tabChanged(int index);
    void okClicked();

    QTabBar* m_tabs = nullptr;
    QStackedWidget* m_stack = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    std::vector<OptionsPage*> m_pages; // children of m_stack
    int m_closedPageIndex = -1;
    bool m_revertingTab = false;
};

} // namespace sonivert::ui
