#pragma once

#include "engine/userprompts.h"

namespace sonivert::cli {

// Prompts on a terminal: messages go to standard error; questions are asked
// on standard input when it is a terminal and answered No otherwise, so a
// script never blocks. Quiet prompts keep information messages to
// themselves; warnings and errors are printed all the same.
class CliPrompts final : public UserPrompts {
public:
    explicit CliPrompts(bool quiet = false) : m_quiet(quiet) {}

    void showMessage(Icon icon, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    // A terminal opens nothing: the address is printed for the user instead.
    bool openUrl(const std::string& url) override;
    bool openDocument(const std::string& path) override;
    void revealFile(const std::string& path) override;
    void setBusy(bool) override {}

private:
    bool m_quiet = false;
};

} // namespace sonivert::cli
