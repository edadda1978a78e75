#include "app/cli/terminalprogress.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace sonivert::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
}

std::string bar(int32_t position, int32_t maximum, int width)
{
    const int filled = maximum > 0 ? static_cast<int>(static_cast<int64_t>(position) * width / maximum) : 0;
    return "[" + std::string(static_cast<size_t>(std::clamp(filled, 0, width)), '#') +
           std::string(static_cast<size_t>(width - std::clamp(filled, 0, width)), '.') + "]";
}

class NoItemProgress final : public ItemProgress {
public:
    void setText(const std::string&) override {}
    void setRange(int32_t) override {}
    void step() override {}
    void pump() override {}
    bool cancelRequested() const override { return interruptRequested(); }
};

} // namespace

void installInterruptHandler()
{
    std::signal(SIGINT, onInterrupt);
}

bool interruptRequested()
{
    return g_interrupted != 0;
}

TerminalConversionProgress::TerminalConversionProgress(bool draw) : m_tty(draw && isatty(STDERR_FILENO) != 0) {}

TerminalConversionProgress::~TerminalConversionProgress()
{
    if (m_tty && m_drawn)
        std::cerr << "\r\033[K" << std::flush;
}

void TerminalConversionProgress::setFileText(const std::string& text)
{
    m_fileText = text;
    m_dirty = true;
}

void TerminalConversionProgress::setFileBarRange(int32_t maximum)
{
    m_fileMax = maximum;
    m_filePosition = 0;
    m_dirty = true;
}

void TerminalConversionProgress::setFileBarPosition(int32_t position)
{
    m_filePosition = position;
    m_dirty = true;
}

void TerminalConversionProgress::setRunText(const std::string& text)
{
    m_runText = text;
    m_dirty = true;
}

void TerminalConversionProgress::setRunBarRange(int32_t maximum)
{
    m_runMax = maximum;
    m_runPosition = 0;
    m_dirty = true;
}

void TerminalConversionProgress::stepRunBar()
{
    ++m_runPosition;
    m_dirty = true;
}

void TerminalConversionProgress::setFileLines(int32_t count)
{
    m_lineTexts.assign(static_cast<size_t>(std::max(count, 0)), std::string());
    m_dirty = true;
}

void TerminalConversionProgress::setLineText(int32_t line, const std::string& text)
{
    if (line >= 0 && static_cast<size_t>(line) < m_lineTexts.size()) {
        m_lineTexts[static_cast<size_t>(line)] = text;
        m_dirty = true;
    } else if (line == 0) {
        setFileText(text);
    }
}

void TerminalConversionProgress::setLineBar(int32_t line, int32_t maximum, int32_t position)
{
    // Files side by side show their percentages in their texts.
    if (m_lineTexts.empty() && line == 0) {
        setFileBarRange(maximum);
        setFileBarPosition(position);
    }
}

void TerminalConversionProgress::pump()
{
    if (m_dirty)
        draw();
}

void TerminalConversionProgress::draw()
{
    m_dirty = false;
    if (!m_tty)
        return;
    std::cerr << "\r\033[K" << m_runText << ' ' << bar(m_runPosition, m_runMax, 10) << ' ';
    if (m_lineTexts.empty()) {
        std::cerr << m_fileText << ' ' << bar(m_filePosition, m_fileMax, kBarWidth);
    } else {
        for (const std::string& text : m_lineTexts) {
            if (!text.empty())
                std::cerr << " | " << text;
        }
    }
    std::cerr << std::flush;
    m_drawn = true;
}

std::unique_ptr<ItemProgress> TerminalProgressHost::createItemProgress()
{
    return std::make_unique<NoItemProgress>();
}

std::unique_ptr<ConversionProgress> TerminalProgressHost::createConversionProgress()
{
    return std::make_unique<TerminalConversionProgress>(!m_quiet);
}

} // namespace sonivert::cli
