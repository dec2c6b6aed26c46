// "读取dB" in the real window when the processor reports a running level past
// what 32 bits can scale: the readout shows a number and the window goes on.
#include <QPushButton>
#include <cmath>

#include "app/widgets.h"
#include "link/crc.h"
#include "link/frames.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

// The processor's answer to the read of 900..903.
QByteArray levelReply(int r900, int r901, int r902, int r903) {
  QByteArray f = QByteArray::fromHex("010308");
  for (int v : {r900, r901, r902, r903})
    f.append(static_cast<char>(v >> 8)).append(static_cast<char>(v & 0xFF));
  appendCrc(f);
  return f;
}

class LevelReadTest : public WindowTest {
 protected:
  void SetUp() override {
    startConnected();
    window->SSTab1->setCurrentWidget(window->autoEqPage);
    QApplication::processEvents();
  }
};

TEST_F(LevelReadTest, EveryRunningLevelTheProcessorCanReportReadsAsANumber) {
  struct Case {
    int r901, r902, r903;
    const char* readout;
    float plotted;
  };
  const Case cases[] = {
      {0x7000, 0, 0, "163.5dB4480.000 ", 163.524F},
      {0x7FFF, 0x7FFF, 0x7FFF, "164.7dB5139.921 ", 164.718F},  // the largest
  };
  // A single tone in band 10: each level is drawn at its band too.
  typeInto(window->Text7, "10");
  press(window->Command7);
  const QByteArray levelRead = *readRequest(900, 4);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.readout);
    port.setReplyFilter([&](const QByteArray& request, QByteArray reply) {
      return request == levelRead ? levelReply(0, c.r901, c.r902, c.r903) : reply;
    });
    const QString good = window->Text13->text();
    press(window->Command3);
    EXPECT_EQ(window->Text13->text().toInt(), good.toInt() + 1);
    EXPECT_EQ(window->Text3->text(), c.readout);
    const float plotted = window->measure.plot.rows[PlotBuffer::kMeasured][11];
    ASSERT_TRUE(std::isfinite(plotted));
    EXPECT_NEAR(plotted, c.plotted, 0.01);
  }
  // The window still answers the technician: a band drag is written and echoed.
  port.setReplyFilter(nullptr);
  emit window->Slider1[33]->userMoved(-2);
  EXPECT_EQ(window->Text5[33]->text(), "2");
}

}  // namespace
}  // namespace eqset::test
