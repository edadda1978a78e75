#pragma once

#include "engine/conversionjob.h"
#include "engine/progress.h"

#include <atomic>
#include <string>
#include <vector>

namespace sonivert::cli {

// Ctrl+C sets this flag (SIGINT handler); the progress windows report it as
// Cancel at their next pump, exactly like the window's Cancel button.
void installInterruptHandler();
bool interruptRequested();

// The run's progress on a terminal: one line that is rewritten in place,
// only when standard error is a terminal and drawing is wanted.
class TerminalConversionProgress final : public ConversionProgress {
public:
    explicit TerminalConversionProgress(bool draw = true);
    ~TerminalConversionProgress() override;

    void setFileText(const std::string& text) override;
    int32_t fileBarWidth() const override { return kBarWidth; }
    void setFileBarRange(int32_t maximum) override;
    void setFileBarPosition(int32_t position) override;
    void setRunText(const std::string& text) override;
    void setRunBarRange(int32_t maximum) override;
    void stepRunBar() override;
    void pump() override;
    bool cancelRequested() const override { return interruptRequested(); }
    void setFileLines(int32_t count) override;
    void setLineText(int32_t line, const std::string& text) override;
    void setLineBar(int32_t line, int32_t maximum, int32_t position) override;

    static constexpr int32_t kBarWidth = 30;

private:
    void draw();

    bool m_tty = false;
    std::string m_fileText;
    std::string m_runText;
    int32_t m_fileMax = kBarWidth;
    int32_t m_filePosition = 0;
    int32_t m_runMax = 0;
    int32_t m_runPosition = 0;
    std::vector<std::string> m_lineTexts; // files side by side: their texts, shown after the run's
    bool m_dirty = false;
    bool m_drawn = false;
};

// Progress windows for the command line: the conversion line above (none
// when quiet), and no window for intake (folders are scanned and their files
// read without a progress line; Ctrl+C still stops it).
class TerminalProgressHost final : public ProgressHost {
public:
    explicit TerminalProgressHost(bool quiet = false) : m_quiet(quiet) {}
    std::unique_ptr<ItemProgress> createItemProgress() override;
    std::unique_ptr<ConversionProgress> createConversionProgress() override;
    void setMainWindowEnabled(bool) override {}

private:
    bool m_quiet = false;
};

} // namespace sonivert::cli
