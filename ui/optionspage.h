#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace sonivert {
struct ConversionSettings;
class UserPrompts;
class WmaFormatList;
} // namespace sonivert

namespace sonivert::ui {

class FileDialogs;

// What a page of the options sheet may use from the main window. The
// references outlive the sheet and its pages.
struct OptionsPageContext {
    UserPrompts& prompts;
    FileDialogs& dialogs;
    // Loads the Windows Media run-time if that has not happened yet; true
    // when it is loaded. Empty when the window has no loader (then there is
    // no run-time).
    std::function<bool()> loadWindowsMediaRuntime;
    // The Windows Media audio codec formats, filled by a successful
    // loadWindowsMediaRuntime. Null when the window has none.
    const WmaFormatList* wmaFormats = nullptr;
};

// One page of the options sheet. A page keeps its own copy of the values it
// edits ("page values"), apart from its controls:
//
//  1. copyIn() takes the values from the settings before the sheet runs;
//  2. initialisePage() runs once, the first time the page is shown: it shows
//     the values in the controls, fills lists and sets enabled states;
//  3. leavePage() runs when the user switches to another page and when OK is
//     pressed while this page is active: it reads the controls into the
//     values and checks them; false keeps the sheet on this page (the page
//     has told the user why and put the focus on the field);
//  4. on OK, after the active page's leavePage() succeeded, applyPage() runs
//     for every page that has been shown, in table order;
//  5. copyOut() hands the values back into the settings after OK, for every
//     page, shown or not. A page that was never shown gives back what it
//     took in. Nothing is handed back after Cancel.
//
// The page gets the sheet's font (dialogFont()) for all its controls.
class OptionsPage : public QWidget {
    Q_OBJECT
public:
    OptionsPage(const QString& title, const OptionsPageContext& context);

    // The tab text.
    const QString& title() const { return m_title; }

    virtual void copyIn(const ConversionSettings& settings) = 0;
    virtual void copyOut(ConversionSettings& settings) const = 0;
    virtual bool leavePage() { return true; }
    virtual void applyPage() {}

    bool isInitialised() const { return m_initialised; }
    // Runs initialisePage() unless it has run already.
    void initialiseOnce();

protected:
    virtual void initialisePage() = 0;

    const OptionsPageContext& context() const { return m_context; }
    UserPrompts& prompts() const { return m_context.prompts; }
    FileDialogs& dialogs() const { return m_context.dialogs; }

private:
    QString m_title;
    OptionsPageContext m_context;
    bool m_initialised = false;
};

// Builds one page; the page table is a list of these.
using OptionsPageFactory = std::function<std::unique_ptr<OptionsPage>(const OptionsPageContext&)>;

// The pages of the options sheet in tab order; the index of a page in this
// list is what OptStartPageIndex stores. General comes first.
std::vector<OptionsPageFactory> standardOptionsPages();

} // namespace sonivert::ui
