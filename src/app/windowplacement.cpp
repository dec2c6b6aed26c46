#include "app/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace eqset {

namespace {

// The frame of a usual desktop (Windows 10 and 11 at 100 %, GNOME), taken
// while the real one is not known yet: an X11 window manager adds it only
// once the window is shown.
constexpr QMargins kUsualFrame{8, 32, 8, 8};

int centred(int start, int room, int length) {
  return start + std::max(0, (room - length) / 2);
}

QMargins frameOf(QWidget& window) {
  const QWindow* handle = window.windowHandle();
  const QMargins known = handle ? handle->frameMargins() : QMargins();
  return known.isNull() ? kUsualFrame : known;
}

QRect availableFor(const QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(QPoint(0, 0), kUsualWindowSize);
}

}  // namespace

QRect firstWindowGeometry(QSize usual, QSize minimum, const QRect& available,
                          const QMargins& frame) {
  const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
  const QSize inside = usual.boundedTo(available.size() - frameSize).expandedTo(minimum);
  const QSize outside = inside + frameSize;
  const QPoint corner(centred(available.x(), available.width(), outside.width()),
                      centred(available.y(), available.height(), outside.height()));
  return {corner + QPoint(frame.left(), frame.top()), inside};
}

void placeOnScreen(QWidget& window, QSize usual) {
  window.setGeometry(
      firstWindowGeometry(usual, window.minimumSizeHint(), availableFor(window), frameOf(window)));
  // Once shown, the real frame is known: if it sticks out (a taller title bar
  // than the usual one), the window is placed again with it.
  QTimer::singleShot(300, &window, [&window, usual] {
    const QRect available = availableFor(window);
    if (available.contains(window.frameGeometry())) return;
    window.setGeometry(
        firstWindowGeometry(usual, window.minimumSizeHint(), available, frameOf(window)));
  });
}

}  // namespace eqset
