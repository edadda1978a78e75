#pragma once

// Scripted stand-ins for the window side of the engine's interfaces: they
// record what the engine shows and answer or cancel on cue.

#include "engine/conversionjob.h"
#include "engine/progress.h"
#include "engine/userprompts.h"

#include <map>
#include <string>
#include <vector>

namespace sonivert::test {

class RecordingPrompts final : public UserPrompts {
public:
    struct Message {
        Icon icon;
        std::string text;
    };

    void showMessage(Icon icon, const std::string& text) override { messages.push_back({icon, text}); }
    bool askYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answerYes;
    }
    bool openUrl(const std::string& url) override
    {
        openedUrls.push_back(url);
        return openUrlResult;
    }
    bool openDocument(const std::string& path) override
    {
        openedDocuments.push_back(path);
        return openDocumentResult;
    }
    void revealFile(const std::string& path) override { revealedFiles.push_back(path); }
    void setBusy(bool busy) override { busyCalls.push_back(busy); }

    bool answerYes = false;
    bool openUrlResult = true;
    bool openDocumentResult = true;
    std::vector<Message> messages;
    std::vector<std::string> questions;
    std::vector<std::string> openedUrls;
    std::vector<std::string> openedDocuments;
    std::vector<std::string> revealedFiles;
    std::vector<bool> busyCalls;
};

// Records every change; cancelAfterPumps > 0 sets the cancel flag during
// that pump, as a click on Cancel dispatched by the pump would.
class RecordingItemProgress final : public ItemProgress {
public:
    void setText(const std::string& text) override { texts.push_back(text); }
    void setRange(int32_t maximum) override
    {
        range = maximum;
        position = 0;
    }
    void step() override { ++position; }
    void pump() override
    {
        ++pumps;
        if (cancelAfterPumps > 0 && pumps >= cancelAfterPumps)
            cancelled = true;
    }
    bool cancelRequested() const override { return cancelled; }

    int cancelAfterPumps = 0;
    bool cancelled = false;
    int pumps = 0;
    int32_t range = 0;
    int32_t position = 0;
    std::vector<std::string> texts;
};

class RecordingConversionProgress final : public ConversionProgress {
public:
    void setFileText(const std::string& text) override { fileTexts.push_back(text); }
    int32_t fileBarWidth() const override { return barWidth; }
    void setFileBarRange(int32_t maximum) override
    {
        fileBarMaximum = maximum;
        fileBarPositions.push_back(0);
    }
    void setFileBarPosition(int32_t position) override { fileBarPositions.push_back(position); }
    void setRunText(const std::string& text) override { runTexts.push_back(text); }
    void setRunBarRange(int32_t maximum) override
    {
        runBarMaximum = maximum;
        runBarPosition = 0;
    }
    void stepRunBar() override { ++runBarPosition; }
    void pump() override
    {
        ++pumps;
        if (cancelAfterPumps > 0 && pumps >= cancelAfterPumps)
            cancelled = true;
    }
    bool cancelRequested() const override { return cancelled; }
    void setFileLines(int32_t count) override { fileLines = count; }
    void setLineText(int32_t line, const std::string& text) override { lineTexts.emplace_back(line, text); }

    int32_t barWidth = 300;
    int32_t fileLines = 1;
    std::vector<std::pair<int32_t, std::string>> lineTexts;
    int cancelAfterPumps = 0;
    bool cancelled = false;
    int pumps = 0;
    int32_t fileBarMaximum = 0;
    std::vector<int32_t> fileBarPositions;
    std::vector<std::string> fileTexts;
    std::vector<std::string> runTexts;
    int32_t runBarMaximum = 0;
    int32_t runBarPosition = 0;
};

// Hands out the recording windows above and remembers the main window's state.
class RecordingProgressHost final : public ProgressHost {
public:
    std::unique_ptr<ItemProgress> createItemProgress() override;
    std::unique_ptr<ConversionProgress> createConversionProgress() override;
    void setMainWindowEnabled(bool enabled) override { enabledCalls.push_back(enabled); }

    // Configure the next windows before they are created; after the loop
    // the last window's record is kept here (the engine destroys the window).
    int itemCancelAfterPumps = 0;
    int conversionCancelAfterPumps = 0;
    int32_t barWidth = 300;
    RecordingItemProgress lastItem;
    RecordingConversionProgress lastConversion;
    int itemWindowsCreated = 0;
    int itemWindowsClosed = 0; // item windows the engine has destroyed
    int conversionWindowsCreated = 0;
    std::vector<bool> enabledCalls;
};

// Keeps the last status text of each row a batch ends.
class StatusRecordingRows final : public RowStatusSink {
public:
    void makeRowVisible(int32_t) override {}
    void setRowStatus(int32_t row, const std::string& text) override { status[row] = text; }
    void widenStatusColumn(int32_t) override {}
    std::map<int32_t, std::string> status;
};

} // namespace sonivert::test
