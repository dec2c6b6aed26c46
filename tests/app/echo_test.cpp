// Echoes of single writes in the real window: the value the processor
// answers with is what the boxes show, except the late echo of a write it
// left unanswered, which is refused; the line monitor says the same as the
// counters.
#include <QAbstractItemModel>
#include <QTableView>

#include "app/widgets.h"
#include "link/frames.h"
#include "monitor/linelog.h"
#include "monitor/linemonitorwindow.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

class EchoTest : public WindowTest {
 protected:
  void SetUp() override { startConnected(); }

  // The verdict of the newest row of the line monitor, once the loop turned.
  QString lastVerdict() {
    QApplication::processEvents();
    auto* monitor = window->findChild<LineMonitorWindow*>("LineMonitorWindow");
    if (monitor == nullptr) return "no monitor";
    const QAbstractItemModel* rows = monitor->MonitorTable->model();
    return rows->index(rows->rowCount() - 1, monitor::LineLog::kVerdict).data().toString();
  }
};

TEST_F(EchoTest, ALateEchoIsRefusedWhileTheProcessorsOwnValueIsShown) {
  struct Step {
    const char* what;
    UserSlider* slider;
    int position;
    int address;
    int echoed;  // the register value the processor echoes; -1: silence
    QLineEdit* box;
    const char* shown;
    const char* good;
    const char* failed;
    const char* verdict;
  };
  QLineEdit* band = window->Text5[33];
  QLineEdit* volume = window->Text5[248];
  const Step steps[] = {
      {"+4 dB, no answer in time", window->Slider1[33], -4, 33, -1, band, "0", "0", "1", "无应答"},
      {"+5 dB, the late echo of +4 dB", window->Slider1[33], -5, 33, 19, band, "0", "0", "2",
       "回显不符"},
      {"+6 dB, the processor keeps +3 dB", window->Slider1[33], -6, 33, 18, band, "3", "1", "2",
       "正确"},
      {"volume +5 dB, the processor keeps 0 dB", window->Slider2, 5, 248, 55, volume, "0", "2", "2",
       "正确"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    port.setResponder([&step](const QByteArray&) {
      return step.echoed < 0 ? QByteArray() : *writeSingleRequest(step.address, step.echoed);
    });
    emit step.slider->userMoved(step.position);
    ASSERT_FALSE(port.writes().empty());
    const QByteArray sent = port.writes().back().bytes;
    EXPECT_EQ(256 * quint8(sent[2]) + quint8(sent[3]), step.address);
    EXPECT_EQ(step.box->text(), step.shown);
    EXPECT_EQ(window->Text13->text(), step.good);
    EXPECT_EQ(window->Text14->text(), step.failed);
    EXPECT_EQ(lastVerdict(), step.verdict);
  }
}

}  // namespace
}  // namespace eqset::test
