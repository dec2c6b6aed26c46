#pragma once

#include <QLineEdit>
#include <QString>
#include <string_view>

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

// A read-only box that shows a value the tool computed or the processor sent.
inline QLineEdit* valueBox(const QString& name, const QString& initial, int width = 44) {
  auto* box = named(new QLineEdit(initial), name);
  box->setReadOnly(true);
  box->setAlignment(Qt::AlignCenter);
  box->setFixedWidth(width);
  return box;
}

}  // namespace eqset::pages
