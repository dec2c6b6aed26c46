#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace eqset {

// The size the window opens with where the screen has room: the smallest
// screen the window was first laid out for, the size of the guide's pictures.
inline constexpr QSize kUsualWindowSize{1366, 768};

// Where the first window opens, as the geometry of its inside (without the
// frame the desktop adds around it): its usual size where the screen's free
// area has room, else as large as the free area less the frame; centred, and
// wholly on the free area. Only a screen smaller than the window's least size
// leaves part of it off the area; then its top left corner, with the title
// bar, stays on it.
QRect firstWindowGeometry(QSize usual, QSize minimum, const QRect& available,
                          const QMargins& frame);

// Sizes and places `window` so on the free area of its screen, before it is
// shown and again once the desktop has framed it.
void placeOnScreen(QWidget& window, QSize usual = kUsualWindowSize);

}  // namespace eqset
