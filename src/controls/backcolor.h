#pragma once

#include <QColor>

class QWidget;

namespace eqset {

// Colours the technician reads state from.
namespace colors {
inline const QColor kSelected{0, 192, 0};
inline const QColor kUnselected{192, 192, 192};
inline const QColor kToggled{192, 192, 0};
inline const QColor kDefaultState{224, 224, 224};
inline const QColor kFocusBand{0, 255, 0};
inline const QColor kVolumeNormal{128, 128, 255};
inline const QColor kVolumeMuted{255, 0, 0};
}  // namespace colors

// The back colour of a box or button, kept in the widget's palette so it
// survives style changes and can be read back.
void setBackColor(QWidget* widget, const QColor& color);
QColor backColor(const QWidget* widget);
// Back to the system colour of that kind of widget (white for a text box).
void resetBackColor(QWidget* widget);

}  // namespace eqset
