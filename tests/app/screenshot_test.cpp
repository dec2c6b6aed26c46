#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QTabWidget>

#include "windowfixture.h"

namespace eqset::test {
namespace {

// Renders the window as the technician sees it, one picture per page, into
// the build's screenshots folder, and checks that the pages really show
// something (text drawn in real glyphs gives many distinct colours).
TEST_F(WindowTest, PagesRenderAt1366x768) {
  startConnected();
  QDir().mkpath(EQSET_SCREENSHOT_DIR);
  const struct {
    int page;
    const char* file;
  } pages[] = {
      {0, "volume.png"}, {1, "left-channel.png"}, {4, "subwoofer.png"}, {7, "auto-eq.png"}};
  for (const auto& p : pages) {
    window->SSTab1->setCurrentIndex(p.page);
    QApplication::processEvents();
    const QImage image = window->grab().toImage();
    EXPECT_EQ(image.size(), QSize(1366, 768));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
      for (int x = 0; x < image.width(); x += 3)
        colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 20) << p.file;
    EXPECT_TRUE(image.save(QDir(EQSET_SCREENSHOT_DIR).filePath(p.file))) << p.file;
  }
  // Nothing is cut off: the window's layout fits the smallest supported screen.
  EXPECT_LE(window->minimumSizeHint().width(), 1366);
  EXPECT_LE(window->minimumSizeHint().height(), 768);
}

}  // namespace
}  // namespace eqset::test
