#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sonivert {

// The small captionless window shown while files are searched and added: one
// text line, one bar and a Cancel button. Cancel only sets a flag that the
// loop owning the window reads between items.
class ItemProgress {
public:
    virtual ~ItemProgress() = default;

    virtual void setText(const std::string& text) = 0;
    virtual void setRange(int32_t maximum) = 0; // 0..maximum; position 0
    virtual void step() = 0;                    // position + 1
    // Lets the window system run: painting, dragging, the Cancel button.
    virtual void pump() = 0;
    virtual bool cancelRequested() const = 0;
};

// The conversion progress dialog: a text line and a bar for the current file,
// a text line and a bar for the whole run, and Cancel.
class ConversionProgress {
public:
    virtual ~ConversionProgress() = default;

    virtual void setFileText(const std::string& text) = 0;
    // The file bar's width in pixels: its range is 0..width.
    virtual int32_t fileBarWidth() const = 0;
    virtual void setFileBarRange(int32_t maximum) = 0;
    virtual void setFileBarPosition(int32_t position) = 0;

    virtual void setRunText(const std::string& text) = 0;
    virtual void setRunBarRange(int32_t maximum) = 0;
    virtual void stepRunBar() = 0;

    virtual void pump() = 0;
    virtual bool cancelRequested() const = 0;

    // A run of several conversions side by side shows one line and bar per
    // running file: count lines (called once, before the first file), then
    // each line's text and bar by its index. A window with one line shows
    // line 0 on its file line.
    virtual void setFileLines(int32_t count) { (void)count; }
    virtual void setLineText(int32_t line, const std::string& text)
    {
        if (line == 0)
            setFileText(text);
    }
    virtual void setLineBar(int32_t line, int32_t maximum, int32_t position)
    {
        if (line == 0) {
            setFileBarRange(maximum);
            setFileBarPosition(position);
        }
    }
};

// What a long piece of work needs from the window that started it: its
// progress windows, created for one loop or run and destroyed (closed) by
// the engine at its end, and the main window disabled meanwhile so no second
// intake or run can start.
class ProgressHost {
public:
    virtual ~ProgressHost() = default;

    virtual std::unique_ptr<ItemProgress> createItemProgress() = 0;
    virtual std::unique_ptr<ConversionProgress> createConversionProgress() = 0;
    virtual void setMainWindowEnabled(bool enabled) = 0;
};

} // namespace sonivert
