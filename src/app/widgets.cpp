#include "app/widgets.h"

#include <QLineEdit>
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
  // A press on the number lands on the inner text field, not on the box.
  lineEdit()->installEventFilter(this);
}

void NumEdit::mousePressEvent(QMouseEvent* event) {
  QDoubleSpinBox::mousePressEvent(event);
  applyPress();
}

bool NumEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lineEdit() && event->type() == QEvent::MouseButtonPress) applyPress();
  return QDoubleSpinBox::eventFilter(watched, event);
}

void NumEdit::applyPress() {
  if (!isEnabled()) return;
  // What the box shows is what is applied: a number typed but not yet
  // confirmed becomes the value first (out-of-range text is kept in range).
  interpretText();
  emit pressed();
}

EntryBox::EntryBox(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
  connect(this, &QLineEdit::returnPressed, this, &EntryBox::entered);
}

void EntryBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  emit entered();
}

OptionButton::OptionButton(const QString& caption, QWidget* parent)
    : QRadioButton(caption, parent) {
  setAutoFillBackground(true);
}

bool OptionButton::hitButton(const QPoint& pos) const {
  return rect().contains(pos);
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
