#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QString>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
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

// The page's contents in a scroll area that fills the page: on a laptop screen
// smaller than the page, scroll bars appear; on a larger screen nothing
// scrolls and the contents look as they would without it. The page lays its
// controls out on the returned widget.
inline QWidget* scrolled(QWidget* page, const QString& scrollName) {
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  auto* scroll = named(new QScrollArea, scrollName);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  auto* contents = named(new QWidget, scrollName + "Contents");
  // The tab's own page colour shows through, as it did without the scroll area.
  contents->setAutoFillBackground(false);
  scroll->viewport()->setAutoFillBackground(false);
  scroll->setWidget(contents);
  pageLayout->addWidget(scroll);
  return contents;
}

// A button that keeps its usual width where there is room but, on a narrow
// screen, may give up the blank the style adds beyond its caption.
inline QPushButton* narrowable(QPushButton* button) {
  const QStyle* style = button->style();
  const int padding = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                           style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
  int caption = QFontMetrics(button->font()).horizontalAdvance(button->text());
  if (!button->icon().isNull()) caption += button->iconSize().width() + 4;
  button->setMinimumWidth(std::min(caption + padding, button->sizeHint().width()));
  return button;
}

// On a screen too short for `page`, its option strips, check boxes, buttons,
// boxes and lists may come down to the height of their text; where there is
// room they keep their usual heights.
inline void squeezable(QWidget* page) {
  for (QWidget* w : page->findChildren<QWidget*>()) {
    // The inner text field of a list is the list's.
    if (qobject_cast<QComboBox*>(w->parentWidget())) continue;
    const int text = QFontMetrics(w->font()).height();
    int least = 0;
    if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w))
      least = text + 2;  // the round mark or the box is smaller than the text
    else if (qobject_cast<QPushButton*>(w) || qobject_cast<QLineEdit*>(w) ||
             qobject_cast<QComboBox*>(w))
      least = text + 4;  // the text and the frame
    if (least > 0) w->setMinimumHeight(std::min(least, w->sizeHint().height()));
  }
}

}  // namespace eqset::pages
