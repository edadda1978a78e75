#pragma once

#include "engine/conversionjob.h"
#include "engine/progress.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace sonivert::cli {

// Ctrl+C sets this flag (SIGINT handler); the progress windows report it as
// Cancel at their next pump, exactly like the window's Cancel button.
void installInterruptHandler();
bool interruptRequested();

// The run's progress on a terminal: one line that is rewritten in place,
// only when standard error is a terminal.
class TerminalConversionProgress final : public ConversionProgress {
public:
    TerminalConversionProgress();
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

// Progress windows for the command line: the conversion line above, and no
// window for intake (the command line adds no files through the list).
class TerminalProgressHost final : public ProgressHost {
public:
    std::unique_ptr<ItemProgress> createItemProgress() override;
    std::unique_ptr<ConversionProgress> createConversionProgress() override;
    void setMainWindowEnabled(bool) override {}
};

// Prints "source<TAB>status" on standard output once a row's status is final,
// in the rows' order: a row that ends before an earlier one (files converted
// side by side) waits until every row before it has its line.
class TerminalRowSink final : public RowStatusSink {
public:
    explicit TerminalRowSink(const std::vector<BatchRow>& rows) : m_rows(rows), m_final(rows.size()) {}
    void makeRowVisible(int32_t) override {}
    void setRowStatus(int32_t rowIndex, const std::string& text) override;
    void widenStatusColumn(int32_t) override {}
    // After the run: the lines still waiting (rows after a cancelled one
    // that never started have none).
    void flush();

private:
    void print(size_t row, const std::string& text);

    const std::vector<BatchRow>& m_rows;
    std::vector<std::optional<std::string>> m_final;
    size_t m_printed = 0; // rows before this one have their lines
};

} // namespace sonivert::cli
