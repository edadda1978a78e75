#include "ui/progresswindows.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace sonivert::ui {
namespace {

constexpr int kMargin = 10;
constexpr QSize kCancelSize(76, 26);

QProgressBar* makeBar(QWidget* parent, const QRect& geometry)
{
    auto* bar = new QProgressBar(parent);
    bar->setGeometry(geometry);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    return bar;
}

// A bar with an empty range would show Qt's busy animation instead.
void setBarRange(QProgressBar* bar, int32_t maximum)
{
    bar->setRange(0, maximum > 0 ? maximum : 1);
}

QLabel* makeText(QWidget* parent, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

CaptionlessProgress::CaptionlessProgress(QSize size)
    : QFrame(nullptr, Qt::Dialog | Qt::FramelessWindowHint)
{
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    setFixedSize(size);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    m_cancel->setGeometry(QRect(QPoint((size.width() - kCancelSize.width()) / 2,
                                       size.height() - kMargin - kCancelSize.height()),
                                kCancelSize));
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelRequested = true; });
}

void CaptionlessProgress::setHeight(int height)
{
    const QPoint centre = geometry().center();
    setFixedSize(width(), height);
    m_cancel->move((width() - kCancelSize.width()) / 2, height - kMargin - kCancelSize.height());
    if (isVisible())
        move(centre.x() - width() / 2, centre.y() - height / 2);
}

void CaptionlessProgress::showCentred(QWidget* owner)
{
    winId(); // creates the native window, so it can be tied to its owner
    QWidget* ownerWindow = owner ? owner->window() : nullptr;
    if (ownerWindow && ownerWindow->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(ownerWindow->windowHandle());

    m_owner = ownerWindow;

    QRect area;
    if (ownerWindow && ownerWindow->isVisible() && !ownerWindow->isMinimized())
        area = ownerWindow->frameGeometry();
    else if (const QScreen* screen = ownerWindow ? ownerWindow->screen() : QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    show();
    raise();
    activateWindow();
    m_cancel->setFocus();
}

void CaptionlessProgress::pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CaptionlessProgress::mousePressEvent(QMouseEvent* event)
{
    if (!m_drag.press(*this, *event))
        QFrame::mousePressEvent(event);
}

void CaptionlessProgress::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_drag.move(*this, *event))
        QFrame::mouseMoveEvent(event);
}

void CaptionlessProgress::mouseReleaseEvent(QMouseEvent* event)
{
    m_drag.release(*event);
    QFrame::mouseReleaseEvent(event);
}

void CaptionlessProgress::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept(); // neither ends nor cancels the work
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}

void CaptionlessProgress::closeEvent(QCloseEvent* event)
{
    // The loop that owns this window still uses it and ends it by destroying
    // the object, which sends no close request. A request from outside (a
    // window-manager shortcut) asks that loop to stop instead.
    m_cancelRequested = true;
    event->ignore();
}

CaptionlessProgress::~CaptionlessProgress()
{
    // Hand the activation back to the window that opened this one, as the
    // window system does when an owned window goes.
    if (isActiveWindow() && m_owner && m_owner->isVisible())
        m_owner->activateWindow();
}

ProgressWindow::ProgressWindow(QWidget* owner) : CaptionlessProgress(QSize(480, 100))
{
    const int inner = width() - 2 * kMargin;
    m_text = makeText(this, QRect(kMargin, kMargin, inner, 16));
    m_bar = makeBar(this, QRect(kMargin, kMargin + 22, inner, 20));
    showCentred(owner);
}

void ProgressWindow::setText(const std::string& text)
{
    m_text->setText(QString::fromStdString(text));
}

void ProgressWindow::setRange(int32_t maximum)
{
    setBarRange(m_bar, maximum);
    m_bar->setValue(0);
}

void ProgressWindow::step()
{
    if (m_bar->value() < m_bar->maximum())
        m_bar->setValue(m_bar->value() + 1);
}

QString ProgressWindow::text() const
{
    return m_text->text();
}

ProgressDialog::ProgressDialog(QWidget* owner) : CaptionlessProgress(QSize(480, 150))
{
    const int inner = width() - 2 * kMargin;
    m_fileText = makeText(this, QRect(kMargin, kMargin, inner, 16));
    m_fileBar = makeBar(this, QRect(kMargin, kMargin + 20, inner, 20));
    m_runText = makeText(this, QRect(kMargin, kMargin + 50, inner, 16));
    m_runBar = makeBar(this, QRect(kMargin, kMargin + 70, inner, 20));
    showCentred(owner);
}

void ProgressDialog::setFileText(const std::string& text)
{
    m_fileText->setText(QString::fromStdString(text));
}

int32_t ProgressDialog::fileBarWidth() const
{
    return m_fileBar->width();
}

void ProgressDialog::setFileBarRange(int32_t maximum)
{
    setBarRange(m_fileBar, maximum);
}

void ProgressDialog::setFileBarPosition(int32_t position)
{
    m_fileBar->setValue(position);
}

void ProgressDialog::setRunText(const std::string& text)
{
    m_runText->setText(QString::fromStdString(text));
}

void ProgressDialog::setRunBarRange(int32_t maximum)
{
    setBarRange(m_runBar, maximum);
    m_runBar->setValue(0);
}

void ProgressDialog::stepRunBar()
{
    if (m_runBar->value() < m_runBar->maximum())
        m_runBar->setValue(m_runBar->value() + 1);
}

void ProgressDialog::setFileLines(int32_t count)
{
    // One text and bar per file, 50 pixels apart; the run's line below them.
    constexpr int kLineStep = 50;
    const int inner = width() - 2 * kMargin;
    for (int32_t line = static_cast<int32_t>(m_lineTexts.size()) + 1; line < count; ++line) {
        const int top = kMargin + line * kLineStep;
        m_lineTexts.push_back(makeText(this, QRect(kMargin, top, inner, 16)));
        m_lineBars.push_back(makeBar(this, QRect(kMargin, top + 20, inner, 20)));
        m_lineTexts.back()->show();
        m_lineBars.back()->show();
    }
    const int runTop = kMargin + std::max(count, 1) * kLineStep;
    m_runText->move(kMargin, runTop);
    m_runBar->move(kMargin, runTop + 20);
    setHeight(runTop + 20 + 20 + 10 + 26 + kMargin);
}

void ProgressDialog::setLineText(int32_t line, const std::string& text)
{
    if (line == 0)
        setFileText(text);
    else if (line > 0 && static_cast<size_t>(line) <= m_lineTexts.size())
        m_lineTexts[static_cast<size_t>(line - 1)]->setText(QString::fromStdString(text));
}

void ProgressDialog::setLineBar(int32_t line, int32_t maximum, int32_t position)
{
    QProgressBar* bar = line == 0 ? m_fileBar
                                  : (line > 0 && static_cast<size_t>(line) <= m_lineBars.size()
                                         ? m_lineBars[static_cast<size_t>(line - 1)]
                                         : nullptr);
    if (!bar)
        return;
    setBarRange(bar, maximum);
    bar->setValue(position);
}

QString ProgressDialog::lineText(int32_t line) const
{
    if (line == 0)
        return fileText();
    return line > 0 && static_cast<size_t>(line) <= m_lineTexts.size() ? m_lineTexts[static_cast<size_t>(line - 1)]->text()
                                                                        : QString();
}

QString ProgressDialog::fileText() const
{
    return m_fileText->text();
}

QString ProgressDialog::runText() const
{
    return m_runText->text();
}

std::unique_ptr<ItemProgress> WindowProgressHost::createItemProgress()
{
    return std::make_unique<ProgressWindow>(&m_mainWindow);
}

std::unique_ptr<ConversionProgress> WindowProgressHost::createConversionProgress()
{
    return std::make_unique<ProgressDialog>(&m_mainWindow);
}

void WindowProgressHost::setMainWindowEnabled(bool enabled)
{
    m_mainWindow.setEnabled(enabled);
}

} // namespace sonivert::ui
