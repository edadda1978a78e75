#pragma once

#include "engine/progress.h"
#include "ui/windowdrag.h"

#include <QFrame>
#include <QPointer>

#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

namespace sonivert::ui {

// What both progress windows share: no caption, dragged by any point,
// centred over the window that opened them (kept above it, but not its
// child, so that disabling that window leaves this one usable), a Cancel
// button that only sets a flag, and Enter and Esc that do nothing. A close
// request (from the window system) counts as Cancel: the loop that owns the
// window ends it by destroying the object.
class CaptionlessProgress : public QFrame {
    Q_OBJECT
public:
    ~CaptionlessProgress() override;

    bool isCancelRequested() const { return m_cancelRequested; }
    QPushButton* cancelButton() const { return m_cancel; }
    // Lets the window system run: painting, dragging, the Cancel button.
    static void pumpEvents();

protected:
    explicit CaptionlessProgress(QSize size);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Shows the window centred over owner (or its screen).
    void showCentred(QWidget* owner);
    // A new height, the Cancel button kept at the bottom and the window
    // centred where it was.
    void setHeight(int height);

private:
    QPushButton* m_cancel = nullptr;
    QPointer<QWidget> m_owner;
    bool m_cancelRequested = false;
    WindowDrag m_drag;
};

// The small window of the add loop and the search phase: one text line, one
// bar, Cancel.
class ProgressWindow final : public CaptionlessProgress, public ItemProgress {
    Q_OBJECT
public:
    // Shown at once.
    explicit ProgressWindow(QWidget* owner);

    void setText(const std::string& text) override;
    void setRange(int32_t maximum) override;
    void step() override;
    void pump() override { pumpEvents(); }
    bool cancelRequested() const override { return isCancelRequested(); }

    QString text() const;
    QProgressBar* bar() const { return m_bar; }

private:
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
};

// The conversion dialog: the current file's text and bar, the run's text
// and bar, Cancel.
class ProgressDialog final : public CaptionlessProgress, public ConversionProgress {
    Q_OBJECT
public:
    // Shown at once.
    explicit ProgressDialog(QWidget* owner);

    void setFileText(const std::string& text) override;
    int32_t fileBarWidth() const override;
    void setFileBarRange(int32_t maximum) override;
    void setFileBarPosition(int32_t position) override;
    void setRunText(const std::string& text) override;
    void setRunBarRange(int32_t maximum) override;
    void stepRunBar() override;
    void pump() override { pumpEvents(); }
    bool cancelRequested() const override { return isCancelRequested(); }
    void setFileLines(int32_t count) override;
    void setLineText(int32_t line, const std::string& text) override;
    void setLineBar(int32_t line, int32_t maximum, int32_t position) override;

    QString fileText() const;
    // The text of line (0 is the file line); empty for a line that is not there.
    QString lineText(int32_t line) const;
    int32_t lineCount() const { return static_cast<int32_t>(m_lineTexts.size()) + 1; }
    QString runText() const;
    QProgressBar* fileBar() const { return m_fileBar; }
    QProgressBar* runBar() const { return m_runBar; }

private:
    QLabel* m_fileText = nullptr;
    QProgressBar* m_fileBar = nullptr;
    QLabel* m_runText = nullptr;
    QProgressBar* m_runBar = nullptr;
    // Lines 1.. of files converted side by side (line 0 is the file line).
    std::vector<QLabel*> m_lineTexts;
    std::vector<QProgressBar*> m_lineBars;
};

// Hands out the two windows above for the engine's loops and enables or
// disables the main window around them.
class WindowProgressHost final : public ProgressHost {
public:
    explicit WindowProgressHost(QWidget& mainWindow) : m_mainWindow(mainWindow) {}

    std::unique_ptr<ItemProgress> createItemProgress() override;
    std::unique_ptr<ConversionProgress> createConversionProgress() override;
    void setMainWindowEnabled(bool enabled) override;

private:
    QWidget& m_mainWindow;
};

} // namespace sonivert::ui
