#include "ui/numberedit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QStyle>

#include <charconv>
#include <string>

namespace sonivert::ui {

std::optional<int32_t> parseInteger(const QString& text)
{
    const std::string bytes = text.trimmed().toStdString();
    if (bytes.empty())
        return std::nullopt;
    const char* first = bytes.data();
    const char* last = bytes.data() + bytes.size();
    // from_chars takes a minus but no plus sign.
    if (*first == '+' && bytes.size() > 1 && bytes[1] != '-')
        ++first;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

NumberEdit::NumberEdit(int minimum, int maximum, int step, QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_spin(new StepSpin(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_spin);

    m_spin->setRange(minimum, maximum);
    (void)m_spin->setStep(step);
    // The spin shows its arrows only: the edit beside it holds the text.
    m_spin->setFocusPolicy(Qt::NoFocus);
    m_spin->setKeyboardTracking(false);
    if (auto* spinEdit = m_spin->findChild<QLineEdit*>())
        spinEdit->hide();
    m_spin->setFixedWidth(m_spin->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_spin) + 4);
    setFocusProxy(m_edit);

    m_edit->installEventFilter(this);
    m_spin->installEventFilter(this);
    connect(m_spin, &QSpinBox::valueChanged, this, [this](int value) {
        if (!m_writing)
            m_edit->setText(QString::number(value));
    });
}

void NumberEdit::setNumber(int32_t value)
{
    setText(QString::number(value));
}

void NumberEdit::setText(const QString& text)
{
    m_edit->setText(text);
}

void NumberEdit::focusEdit()
{
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->selectAll();
}

void NumberEdit::syncSpinFromEdit()
{
    // A text that is not a number leaves the spin where it was.
    const std::optional<int32_t> value = number();
    if (!value)
        return;
    m_writing = true;
    m_spin->setValue(*value); // QSpinBox brings it into the range
    m_writing = false;
}

bool NumberEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_spin && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel)) {
        syncSpinFromEdit();
        // A number outside the range shows where the arrows start from.
        if (number() && *number() != m_spin->value())
            m_edit->setText(QString::number(m_spin->value()));
    } else if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            syncSpinFromEdit();
            m_spin->stepBy(key == Qt::Key_Up ? 1 : -1);
            // Stepping from a value clamped into the range may land on the
            // value the spin already had; the edit still shows the result.
            m_edit->setText(QString::number(m_spin->value()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sonivert::ui
