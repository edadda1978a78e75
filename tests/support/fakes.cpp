#include "tests/support/fakes.h"

namespace sonivert::test {
namespace {

// Forwards to a record owned by the host, so the record outlives the window
// the engine destroys at the end of its loop.
class ItemProgressProxy final : public ItemProgress {
public:
    ItemProgressProxy(RecordingItemProgress& record, int& closedCount) : m_record(record), m_closedCount(closedCount) {}
    ~ItemProgressProxy() override { ++m_closedCount; }
    void setText(const std::string& text) override { m_record.setText(text); }
    void setRange(int32_t maximum) override { m_record.setRange(maximum); }
    void step() override { m_record.step(); }
    void pump() override { m_record.pump(); }
    bool cancelRequested() const override { return m_record.cancelRequested(); }

private:
    RecordingItemProgress& m_record;
    int& m_closedCount;
};

class ConversionProgressProxy final : public ConversionProgress {
public:
    explicit ConversionProgressProxy(RecordingConversionProgress& record) : m_record(record) {}
    void setFileText(const std::string& text) override { m_record.setFileText(text); }
    int32_t fileBarWidth() const override { return m_record.fileBarWidth(); }
    void setFileBarRange(int32_t maximum) override { m_record.setFileBarRange(maximum); }
    void setFileBarPosition(int32_t position) override { m_record.setFileBarPosition(position); }
    void setRunText(const std::string& text) override { m_record.setRunText(text); }
    void setRunBarRange(int32_t maximum) override { m_record.setRunBarRange(maximum); }
    void stepRunBar() override { m_record.stepRunBar(); }
    void pump() override { m_record.pump(); }
    bool cancelRequested() const override { return m_record.cancelRequested(); }
    void setFileLines(int32_t count) override { m_record.setFileLines(count); }
    void setLineText(int32_t line, const std::string& text) override { m_record.setLineText(line, text); }

private:
    RecordingConversionProgress& m_record;
};

} // namespace

std::unique_ptr<ItemProgress> RecordingProgressHost::createItemProgress()
{
    ++itemWindowsCreated;
    lastItem = RecordingItemProgress();
    lastItem.cancelAfterPumps = itemCancelAfterPumps;
    return std::make_unique<ItemProgressProxy>(lastItem, itemWindowsClosed);
}

std::unique_ptr<ConversionProgress> RecordingProgressHost::createConversionProgress()
{
    ++conversionWindowsCreated;
    lastConversion = RecordingConversionProgress();
    lastConversion.cancelAfterPumps = conversionCancelAfterPumps;
    lastConversion.barWidth = barWidth;
    return std::make_unique<ConversionProgressProxy>(lastConversion);
}

} // namespace sonivert::test
