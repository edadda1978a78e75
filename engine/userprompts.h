#pragma once

#include <string>

namespace sonivert {

// How the engine talks to the person in front of it. The window shows modal
// message boxes titled with the application name; the command line prints;
// tests record and answer from a script. Every call is made on the thread
// that runs the engine.
class UserPrompts {
public:
    enum class Icon { Information, Exclamation };

    virtual ~UserPrompts() = default;

    virtual void showMessage(Icon icon, const std::string& text) = 0;
    // Returns true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;

    // Opens a web or "mailto:" address with the desktop's handler for it.
    // Returns false when nothing could open it; front ends without a desktop
    // keep this default.
    virtual bool openUrl(const std::string& url)
    {
        (void)url;
        return false;
    }

    // Opens a local file (UTF-8 path) with the desktop's handler for its
    // type, the way a double click in the file manager would. Returns false
    // when nothing could open it; front ends without a desktop keep this
    // default.
    virtual bool openDocument(const std::string& path)
    {
        (void)path;
        return false;
    }
};

} // namespace sonivert
