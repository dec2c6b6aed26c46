#include "controls/backcolor.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>

namespace eqset {

namespace {
// Text boxes paint their background with Base; every other widget is filled
// with its own background role (Button for option buttons and check boxes,
// Window for labels), which is what autoFillBackground paints.
QPalette::ColorRole roleOf(const QWidget* w) {
  return (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
             ? QPalette::Base
             : w->backgroundRole();
}
}  // namespace

void setBackColor(QWidget* widget, const QColor& color) {
  QPalette p = widget->palette();
  p.setColor(roleOf(widget), color);
  widget->setPalette(p);
  widget->setAutoFillBackground(true);
}

QColor backColor(const QWidget* widget) {
  return widget->palette().color(roleOf(widget));
}

void resetBackColor(QWidget* widget) {
  setBackColor(widget, QApplication::palette(widget).color(roleOf(widget)));
}

}  // namespace eqset
