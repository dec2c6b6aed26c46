#pragma once

#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <string_view>
#include <utility>

// Small helpers the pages build their controls with: every control carries the
// name the technician's documentation gives it, arrays as "Name(i)".
namespace eqset::pages {

inline QString indexed(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

template <typename W>
W* named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

inline QString text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A plain widget that only holds others, in a layout of type L without
// margins of its own.
template <typename L>
std::pair<QWidget*, L*> holder() {
  auto* widget = new QWidget;
  auto* layout = new L(widget);
  layout->setContentsMargins(0, 0, 0, 0);
  return {widget, layout};
}

// A read-only box that shows a value the tool computed or the processor sent.
inline QLineEdit* valueBox(const QString& name, const QString& initial, int width = 44) {
  auto* box = named(new QLineEdit(initial), name);
  box->setReadOnly(true);
  box->setAlignment(Qt::AlignCenter);
  box->setFixedWidth(width);
  return box;
}

}  // namespace eqset::pages
