#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "measure/curvegraph.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

const QString kMutedText = "全部静音已勾选，无法自动均衡。请先取消全部静音。";
const QString kQuietText = "测得的声压过低，请检查静音、功放和测试话筒后重试。";
const QColor kNoticeBackground(255, 255, 192);

// "全自动均衡" with nothing to hear.
class HeardTest : public WindowTest {
 protected:
  void SetUp() override {
    startConnected();
    window->SSTab1->setCurrentIndex(7);
    QApplication::processEvents();
  }

  void clickMute() {
    QCheckBox* mute = window->Check3;
    showPageOf(mute);
    QTest::mouseClick(mute, Qt::LeftButton, {}, QPoint(8, mute->height() / 2));
  }

  int writes(int function, int address = -1) const {
    int n = 0;
    for (const Frame& f : frames())
      n += f.function == function && (address < 0 || f.address == address);
    return n;
  }

  // Pixels of the graph, as the technician sees it, in the notice's colour.
  int noticePixels() {
    showPageOf(window->CWGraph1);
    const QImage shot = window->CWGraph1->grab().toImage();
    int n = 0;
    for (int y = 0; y < shot.height(); ++y) {
      for (int x = 0; x < shot.width(); ++x)
        n += shot.pixelColor(x, y) == kNoticeBackground;
    }
    return n;
  }
  QLabel* notice() { return window->CWGraph1->findChild<QLabel*>("LblOutOfRange"); }
};

TEST_F(HeardTest, NoRunWhileMutedAndNoCorrectionFromASweepThatHeardNothing) {
  clickMute();
  ASSERT_TRUE(window->Check3->isChecked());
  port.clearEvents();
  dialogs.answers = {Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  EXPECT_TRUE(frames().empty());
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text, kMutedText);
  EXPECT_FALSE(nextSecond());

  // Unticked in the window, but the processor muted by its own panel: the
  // sweep hears the room's noise alone.
  clickMute();
  model.writeRegister(258, 1, clock.now());
  ASSERT_NE(notice(), nullptr);
  EXPECT_FALSE(notice()->isVisible());  // nothing measured yet
  port.clearEvents();
  dialogs.asked.clear();
  dialogs.answers = {Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  for (int seconds = 0; nextSecond(); ++seconds)
    ASSERT_LT(seconds, 60);
  EXPECT_EQ(writes(6, 901), 1);         // swept once, never again
  EXPECT_EQ(writes(16), 0);             // no equalizer written
  ASSERT_EQ(dialogs.asked.size(), 1u);  // no open-loop question either
  EXPECT_EQ(dialogs.asked[0].text, kQuietText);
  EXPECT_EQ(window->Label12->text(), "声压过低，自调已停止");
  EXPECT_TRUE(window->Command24->isEnabled());
  EXPECT_FALSE(window->measure.firstCurveKept[0]);  // no room as it was found
  // The graph says where the curve went.
  EXPECT_TRUE(notice()->isVisible());
  EXPECT_EQ(notice()->text(), "曲线超出显示范围");
  EXPECT_GT(noticePixels(), 100);
}

}  // namespace
}  // namespace eqset::test
