#pragma once

#include <QSpinBox>

namespace sonivert::ui {

// A spin box whose arrows (and arrow keys) move the value by a set step,
// one step per request whatever the request's size. The step starts at 1.
class StepSpin : public QSpinBox {
    Q_OBJECT
public:
    explicit StepSpin(QWidget* parent = nullptr);

    // Refused (false, step unchanged) unless 1 <= step < maximum - minimum.
    bool setStep(int step);
    int step() const { return singleStep(); }

    void stepBy(int steps) override;
};

} // namespace sonivert::ui
