#include <QAbstractButton>
#include <QFontMetrics>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <set>
#include <vector>

#include "app/windowplacement.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

// The window laid out as large as a laptop screen leaves it: 1280x720 (a
// 1366x768 screen less title bar and taskbar, or 1920x1080 at 150 %),
// 1280x680 with a title bar above it, a 1366x768 screen less its frame, and
// 1366x768 itself.
struct Screen {
  QSize size;
  std::set<int> pagesThatMayScroll;  // up and down only; nothing scrolls sideways
};

void PrintTo(const Screen& s, std::ostream* out) {
  *out << s.size.width() << "x" << s.size.height();
}

class LaptopScreenTest : public WindowTest, public ::testing::WithParamInterface<Screen> {
 protected:
  void SetUp() override {
    startConnected();
    window->resize(GetParam().size);
    QApplication::processEvents();
    ASSERT_EQ(window->size(), GetParam().size);
  }

  static QScrollArea* scrollAreaOf(QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
      if (auto* area = qobject_cast<QScrollArea*>(p)) return area;
    }
    return nullptr;
  }

  // The technician sees all of `w` and a click on its middle lands on it.
  ::testing::AssertionResult inView(QWidget* w) const {
    const QRect inWindow(w->mapTo(window.get(), QPoint(0, 0)), w->size());
    if (!window->rect().contains(inWindow))
      return ::testing::AssertionFailure() << "outside the window";
    if (QScrollArea* area = scrollAreaOf(w)) {
      const QRect shown(area->viewport()->mapTo(window.get(), QPoint(0, 0)),
                        area->viewport()->size());
      if (!shown.contains(inWindow)) return ::testing::AssertionFailure() << "scrolled away";
    }
    QWidget* under = window->childAt(inWindow.center());
    if (under != w && !w->isAncestorOf(under))
      return ::testing::AssertionFailure() << "covered by " << under->objectName().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      if (b->width() < QFontMetrics(b->font()).horizontalAdvance(b->text()))
        return ::testing::AssertionFailure() << "caption cut off";
    }
    return ::testing::AssertionSuccess();
  }

  // Where the technician scrolls looking for a control: an arrow click (a
  // wheel notch) at a time through the bar's range. A bar not shown cannot
  // be used.
  static std::vector<int> stops(const QScrollBar* bar) {
    if (!bar->isVisible()) return {bar->value()};
    std::vector<int> out;
    for (int v = bar->minimum(); v < bar->maximum(); v += bar->singleStep())
      out.push_back(v);
    out.push_back(bar->maximum());
    return out;
  }

  // Scrolls `w`'s page until all of `w` is in view, as the technician would.
  ::testing::AssertionResult scrolledIntoView(QWidget* w) {
    showPageOf(w);
    QScrollArea* area = scrollAreaOf(w);
    if (!area) return ::testing::AssertionFailure() << "not on a scrolling page";
    QScrollBar* across = area->horizontalScrollBar();
    QScrollBar* down = area->verticalScrollBar();
    for (int x : stops(across)) {
      for (int y : stops(down)) {
        across->setValue(x);
        down->setValue(y);
        QApplication::processEvents();
        if (inView(w)) return ::testing::AssertionSuccess();
      }
    }
    return inView(w);
  }
};

TEST_P(LaptopScreenTest, BottomBarStandsInViewOnEveryPage) {
  const QStringList bar = {"Combo2",      "Command25",    "Command1",     "ComState",
                           "Text13",      "Text14",       "Command5",     "ChkFastLink",
                           "CmdMonitor",  "CmdReadHardL", "CmdReadAllEq", "CmdWriteToMcu",
                           "ProgressBar1"};
  for (int page = 0; page < window->SSTab1->count(); ++page) {
    window->SSTab1->setCurrentIndex(page);
    QApplication::processEvents();
    for (const QString& name : bar)
      EXPECT_TRUE(inView(find<QWidget>(name))) << name.toStdString() << " on page " << page;
  }
}

TEST_P(LaptopScreenTest, FarControlsOfEveryPageScrollIntoView) {
  QStringList names = {"Slider3(5)", "CmdInvert(5)", "TxtInvert(5)", "CmdSaveAll", "CmdLoadAll",
                       "Command36",  "Check1(7)",    "CmdReport",    "Command10",  "CWNumEdit1(5)",
                       "Text10",     "GroupNum",     "Label11",      "FreqNum(15)"};
  for (int c = 0; c < kChannels; ++c) {
    const int last = equalizerRegister(c, kBands - 1);
    names << QString("Slider1(%1)").arg(last) << QString("Text5(%1)").arg(last)
          << QString("BandLabel(%1)").arg(last) << QString("CmdCopy(%1)").arg(c);
    if (c > 0) names << QString("Command23(%1)").arg(c);
  }
  for (const QString& name : names) {
    QWidget* w = find<QWidget>(name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(scrolledIntoView(w)) << name.toStdString();
  }
}

TEST_P(LaptopScreenTest, OnlyTheseScrollAndNothingSideways) {
  for (int page = 0; page < window->SSTab1->count(); ++page) {
    window->SSTab1->setCurrentIndex(page);
    QApplication::processEvents();
    auto* area = window->SSTab1->widget(page)->findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr) << page;
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << "page " << page;
    EXPECT_EQ(area->verticalScrollBar()->isVisible(),
              GetParam().pagesThatMayScroll.count(page) == 1)
        << "page " << page;
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, LaptopScreenTest,
                         ::testing::Values(Screen{{1280, 720}, {}}, Screen{{1280, 680}, {0}},
                                           Screen{{1350, 728}, {}}, Screen{{1366, 768}, {}}),
                         [](const auto& info) {
                           return QString("At%1x%2")
                               .arg(info.param.size.width())
                               .arg(info.param.size.height())
                               .toStdString();
                         });

TEST_F(WindowTest, LeastSizeLeavesRoomForATitleBarOn1280x720) {
  startConnected();
  EXPECT_LE(window->minimumSizeHint().width(), 1280);
  EXPECT_LE(window->minimumSizeHint().height(), 680);
  // The run really is at the scaling it was started with.
  const double scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                           ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                           : 1.0;
  EXPECT_DOUBLE_EQ(window->grab().devicePixelRatio(), scale);
}

// The first window on the free area of a screen (less the taskbar), with a
// frame of 8 pixels and a 32-pixel title bar.
TEST(FirstWindowGeometry, UsualSizeWhereThereIsRoomElseTheScreenAndAlwaysOnIt) {
  const QMargins frame(8, 32, 8, 8);
  const QSize least(1227, 166);
  const struct {
    const char* screen;
    QRect available;
    QRect inside;
  } cases[] = {
      {"1920x1080", {0, 0, 1920, 1040}, {277, 148, 1366, 768}},
      {"1366x768", {0, 0, 1366, 728}, {8, 32, 1350, 688}},
      {"1920x1080 at 150 %", {0, 0, 1280, 680}, {8, 32, 1264, 640}},
      {"right of another, taskbar above", {1920, 40, 1600, 860}, {2037, 98, 1366, 768}},
      {"too small for the window", {0, 0, 1024, 560}, {8, 32, 1227, 520}},
  };
  for (const auto& c : cases) {
    const QRect inside = firstWindowGeometry(kUsualWindowSize, least, c.available, frame);
    EXPECT_EQ(inside, c.inside) << c.screen;
    const QRect outside = inside.marginsAdded(frame);
    if (c.available.width() >= least.width() + 16)
      EXPECT_TRUE(c.available.contains(outside)) << c.screen;
    else
      EXPECT_TRUE(c.available.contains(outside.topLeft())) << c.screen;
  }
}

}  // namespace
}  // namespace eqset::test
