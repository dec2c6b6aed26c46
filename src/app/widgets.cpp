#include "app/widgets.h"

#include <QMouseEvent>

namespace eqset {

UserSlider::UserSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
  // actionTriggered comes only from the user; the position is already the
  // new one while the value is not yet propagated.
  connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderNoAction) emit userMoved(sliderPosition());
  });
}

void UserSlider::focusInEvent(QFocusEvent* event) {
  QSlider::focusInEvent(event);
  emit focusGained();
}

void UserSlider::focusOutEvent(QFocusEvent* event) {
  QSlider::focusOutEvent(event);
  emit focusLost();
}

NumEdit::NumEdit(QWidget* parent) : QDoubleSpinBox(parent) {
  setDecimals(0);
  setSingleStep(1);
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setKeyboardTracking(false);
}

void NumEdit::mousePressEvent(QMouseEvent* event) {
  QDoubleSpinBox::mousePressEvent(event);
  if (isEnabled()) emit pressed();
}

PointerSlide::PointerSlide(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setRange(0, 5 * kStepsPerUnit);
  setSingleStep(1);
  setPageStep(kStepsPerUnit);
  setTickPosition(QSlider::TicksBelow);
  setTickInterval(kStepsPerUnit);
  connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderNoAction) emit userChanged(pointerValue());
  });
}

}  // namespace eqset
