#include "measure/bandedit.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <cmath>

namespace eqset {

BandEdit::BandEdit(QWidget* parent) : QDoubleSpinBox(parent) {
  setRange(-9999, 9999);
  setDecimals(6);
  setSingleStep(1);
  setKeyboardTracking(false);
  setButtonSymbols(QAbstractSpinBox::NoButtons);
  setAlignment(Qt::AlignCenter);
  connect(this, &QDoubleSpinBox::valueChanged, this, &BandEdit::edited);
}

void BandEdit::showValue(double value, Format format) {
  const QSignalBlocker quiet(this);
  format_ = format;
  setValue(value);
  // The same value in another format must still be redrawn.
  lineEdit()->setText(textFromValue(this->value()));
}

void BandEdit::setFormat(Format format) {
  format_ = format;
  const QSignalBlocker quiet(this);
  lineEdit()->setText(textFromValue(value()));
}

QString BandEdit::textFromValue(double value) const {
  switch (format_) {
    case Format::Linear:
      return QString::number(value, 'f', 3);
    case Format::TwoDigit: {
      const long long whole = std::llround(value);
      QString digits = QString::number(std::llabs(whole)).rightJustified(2, '0');
      return whole < 0 ? "-" + digits : digits;
    }
    case Format::General:
      break;
  }
  QString text = QString::number(value, 'f', 1);
  if (text.endsWith(".0")) text.chop(2);
  if (text == "-0") text = "0";
  return text;
}

void BandEdit::focusInEvent(QFocusEvent* event) {
  QDoubleSpinBox::focusInEvent(event);
  emit focusGained();
}

void BandEdit::focusOutEvent(QFocusEvent* event) {
  QDoubleSpinBox::focusOutEvent(event);
  emit focusLost();
}

}  // namespace eqset
