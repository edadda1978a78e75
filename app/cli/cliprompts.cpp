#include "app/cli/cliprompts.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace sonivert::cli {

void CliPrompts::showMessage(Icon icon, const std::string& text)
{
    if (m_quiet && icon == Icon::Information)
        return;
    const char* prefix = icon == Icon::Error         ? "sonivert-cli: error: "
                         : icon == Icon::Exclamation ? "sonivert-cli: warning: "
                                                     : "sonivert-cli: ";
    std::cerr << prefix << text << '\n';
}

bool CliPrompts::askYesNo(const std::string& text)
{
    std::cerr << text;
    if (!isatty(STDIN_FILENO)) {
        std::cerr << " [no]\n";
        return false;
    }
    std::cerr << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

bool CliPrompts::openUrl(const std::string& url)
{
    std::cerr << "sonivert-cli: see " << url << '\n';
    return false;
}

bool CliPrompts::openDocument(const std::string& path)
{
    std::cerr << "sonivert-cli: see " << path << '\n';
    return false;
}

void CliPrompts::revealFile(const std::string& path)
{
    std::cerr << "sonivert-cli: output in " << path << '\n';
}

} // namespace sonivert::cli
