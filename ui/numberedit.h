#pragma once

#include "ui/stepspin.h"

#include <QLineEdit>
#include <QWidget>

#include <cstdint>
#include <optional>

namespace sonivert::ui {

// The text of a number edit read as an integer: optional blanks, an optional
// sign and decimal digits that fit in 32 bits. Nothing for any other text
// (empty, letters, a fraction, too large).
std::optional<int32_t> parseInteger(const QString& text);

// An edit with a StepSpin beside it as its up-down buddy. The edit takes any
// text, so a value outside the spin's range or one that is not a number can
// stand in it until the owner checks it (the pages and the tag dialog refuse
// such values with a message when they are confirmed). The arrows, and the
// Up and Down keys in the edit, start from the number in the edit, brought
// into the range, and write the stepped number back into it.
class NumberEdit : public QWidget {
    Q_OBJECT
public:
    // step must be valid for StepSpin::setStep on the range, else it stays 1.
    NumberEdit(int minimum, int maximum, int step, QWidget* parent = nullptr);

    QLineEdit* edit() const { return m_edit; }
    StepSpin* spin() const { return m_spin; }

    void setNumber(int32_t value);
    // parseInteger of the edit's text.
    std::optional<int32_t> number() const { return parseInteger(m_edit->text()); }
    QString text() const { return m_edit->text(); }
    void setText(const QString& text);

    // Puts the focus into the edit and selects its text.
    void focusEdit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void syncSpinFromEdit();

    QLineEdit* m_edit;
    StepSpin* m_spin;
    bool m_writing = false;
};

} // namespace sonivert::ui
