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
};

} // namespace sonivert
