#pragma once

#include <string>

namespace sonivert {

// How the engine talks to the person in front of it. The window shows modal
// message boxes titled with the application name; the command line prints;
// tests record and answer from a script. Every call is made on the thread
// that runs the engine.
class UserPrompts {
public:
    enum class Icon { Information, Exclamation, Error };

    virtual ~UserPrompts() = default;

    virtual void showMessage(Icon icon, const std::string& text) = 0;
    // Returns true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
    // Opens a web or "mailto:" address with the desktop's handler for it.
    // False when nothing could open it.
    virtual bool openUrl(const std::string& url) = 0;
    // Opens a local file (UTF-8 path) with the desktop's handler for its
    // type, the way a double click in the file manager would. False when
    // nothing could open it.
    virtual bool openDocument(const std::string& path) = 0;
    // Shows the file manager with path selected.
    virtual void revealFile(const std::string& path) = 0;
    // The busy cursor for work that shows no progress window.
    virtual void setBusy(bool busy) = 0;
};

} // namespace sonivert
