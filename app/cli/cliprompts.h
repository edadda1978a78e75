#pragma once

#include "engine/userprompts.h"

namespace sonivert::cli {

// Prompts on a terminal: messages go to standard error; questions are asked
// on standard input when it is a terminal and answered No otherwise, so a
// script never blocks.
class CliPrompts final : public UserPrompts {
public:
    void showMessage(Icon icon, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
};

} // namespace sonivert::cli
