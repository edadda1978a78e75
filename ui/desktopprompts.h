#pragma once

#include "engine/userprompts.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

namespace sonivert::ui {

// The prompts of the desktop program: message boxes titled "Sonivert",
// addresses and documents opened by the desktop's handlers, the file manager
// showing a file, and the busy cursor.
class DesktopPrompts final : public UserPrompts {
public:
    // Message boxes are centred over the dialog that is up (a modal one
    // first), else over window while it takes input; while it is disabled
    // (a loop is running) and no dialog is up they stand alone, so they can
    // still be answered.
    void setParentWindow(QWidget* window) { m_parent = window; }

    void showMessage(Icon icon, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    // The desktop's handler for the address; where the platform names a web
    // browser for ".htm" files, that browser when the handler fails.
    // Elsewhere the address goes to kDesktopOpener: false when it cannot be
    // started, and when it ends with a failure later, an exclamation
    // message says what could not be opened and why.
    bool openUrl(const std::string& url) override;
    // The same for a file, opened with its desktop handler.
    bool openDocument(const std::string& path) override;
    // Windows: explorer with /select. Elsewhere: the file manager's
    // FileManager1 ShowItems call on the session bus, or, when no file
    // manager answers, the folder opened as openDocument opens a file (a
    // failure is shown, since there is no result to give).
    void revealFile(const std::string& path) override;
    void setBusy(bool busy) override;

private:
    QWidget* dialogParent() const;
    bool openWithDesktop(const QString& target, const std::string& shown);

    QPointer<QWidget> m_parent;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    int m_busyDepth = 0;
};

// The command line that opens address with the browser registered for
// ".htm" files, given that browser's open command: the command is cut at the
// first "%1" enclosed in double quotes (the opening quote goes too), or else
// at the first bare "%1", then a blank and the address follow. A command
// without "%1" is kept whole.
std::string browserCommandLine(const std::string& openCommand, const std::string& address);

} // namespace sonivert::ui
