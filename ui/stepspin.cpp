#include "ui/stepspin.h"

namespace sonivert::ui {

StepSpin::StepSpin(QWidget* parent) : QSpinBox(parent)
{
    setSingleStep(1);
}

bool StepSpin::setStep(int step)
{
    // A step of 0 would freeze the arrows and a negative one reverse them.
    const long long range = static_cast<long long>(maximum()) - minimum();
    if (step < 1 || step >= range)
        return false;
    setSingleStep(step);
    return true;
}

void StepSpin::stepBy(int steps)
{
    // Page keys and held arrows ask for several steps at once; each request
    // moves by exactly one step.
    QSpinBox::stepBy(steps > 0 ? 1 : (steps < 0 ? -1 : 0));
}

} // namespace sonivert::ui
