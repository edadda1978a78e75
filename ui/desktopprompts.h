#pragma once

#include "engine/userprompts.h"

#include <QPointer>
#include <QWidget>

#include <optional>
#include <string>

namespace sonivert::ui {

// The prompts of the desktop program: message boxes titled "Sonivert",
// addresses and documents opened by the desktop's handlers, the file manager
// showing a file, and the busy cursor.
class DesktopPrompts final : public UserPrompts {
public:
    // Message boxes are centred over window while it takes input; while it
    // is disabled (a loop is running) they stand alone, so they can still be
    // answered.
    void setParentWindow(QWidget* window) { m_parent = window; }

    void showMessage(Icon icon, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    // The desktop's handler for the address; where the platform names a web
    // browser for ".htm" files, that browser when the handler fails.
    bool openUrl(const std::string& url) override;
    bool openDocument(const std::string& path) override;
    // Windows: explorer with /select. Elsewhere: the file manager's
    // FileManager1 ShowItems call on the session bus, or, when no file
    // manager answers, the folder opened by the desktop.
    void revealFile(const std::string& path) override;
    void setBusy(bool busy) override;

private:
    QWidget* dialogParent() const;

    QPointer<QWidget> m_parent;
    int m_busyDepth = 0;
};

// The command line that opens address with the browser registered for
// ".htm" files, given that browser's open command: the command is cut at the
// first "%1" enclosed in double quotes (the opening quote goes too), or else
// at the first bare "%1", then a blank and the address follow. A command
// without "%1" is kept whole.
std::string browserCommandLine(const std::string& openCommand, const std::string& address);

} // namespace sonivert::ui
