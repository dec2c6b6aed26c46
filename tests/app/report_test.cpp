#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <map>

#include "../report/poppler.h"
#include "measure/compensation.h"
#include "measure/curvegraph.h"
#include "measure/periodictimer.h"
#include "report/reportcontent.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

class ReportTest : public WindowTest {
 protected:
  void SetUp() override {
    startConnected();
    window->SSTab1->setCurrentIndex(7);
    QApplication::processEvents();
  }

  void chooseChannel(int channel) {
    QLineEdit* field = window->GroupNum->findChild<QLineEdit*>();
    field->selectAll();
    QTest::keyClicks(field, QString::number(channel));
    QTest::keyClick(field, Qt::Key_Return);
  }

  // "全自动均衡" on `channel` to its end; returns the curve the graph showed
  // when the first sweep was done (at the question).
  CurveRow autoRun(int channel) {
    chooseChannel(channel);
    CurveRow first{};
    dialogs.onAsk = [&](const auto&) { first = window->measure.plot.rows[PlotBuffer::kMeasured]; };
    dialogs.answers = {Dialogs::Answer::Ok};
    press(find<QPushButton>("CmdTest2"));
    for (int seconds = 0; nextSecond(); ++seconds) {
      if (seconds > 60) {
        ADD_FAILURE() << "the run does not end";
        break;
      }
    }
    EXPECT_EQ(window->Label12->text(), "本通道自调完成.");
    dialogs.onAsk = nullptr;
    return first;
  }

  // Has the processor sweep `channel`; `finish`: lets the sweep end.
  void sweepInTheModel(int channel, bool finish) {
    model.writeRegister(905, static_cast<std::uint16_t>(channel), clock.now());
    model.writeRegister(901, 1, clock.now());
    if (finish) clock.advance(model.options().sweepMs);
  }

  QDir userData() const { return QDir(QDir(folder.path()).filePath("用户数据")); }
  QStringList userFiles(const QString& pattern) const {
    return userData().entryList({pattern}, QDir::Files, QDir::Name);
  }

  // Presses a button that must write nothing on the line, only read each
  // channel's equalizer when `reads`, and must say where it wrote its file;
  // returns that file's path.
  QString pressForFile(QPushButton* button, const QString& pattern, bool reads = false) {
    port.clearEvents();
    dialogs.asked.clear();
    dialogs.answers = {Dialogs::Answer::Ok};
    const auto before = clock.now();
    press(button);
    const auto f = frames();
    EXPECT_EQ(f.size(), reads ? static_cast<std::size_t>(kChannels) : 0u);
    for (const Frame& frame : f)
      EXPECT_EQ(frame.function, 3);
    if (!reads) {
      EXPECT_EQ(clock.now(), before);
    }
    const QStringList files = userFiles(pattern);
    if (files.size() != 1) {
      ADD_FAILURE() << files.size() << " files " << pattern.toStdString();
      return {};
    }
    const QString path = userData().filePath(files[0]);
    EXPECT_EQ(dialogs.asked.size(), 1u);
    if (!dialogs.asked.empty()) {
      EXPECT_EQ(dialogs.asked[0].title, "提示");
      EXPECT_TRUE(dialogs.asked[0].text.contains(QDir::toNativeSeparators(path)))
          << dialogs.asked[0].text.toStdString();
    }
    return path;
  }
};

// The text of channel `k`'s section: from its heading to the next one.
QString section(const QString& text, int k) {
  const auto& names = reportChannelNames();
  const QString head = QStringLiteral("声道 %1：%2").arg(k + 1).arg(names[k]);
  const QString next = k + 1 < kChannels
                           ? QStringLiteral("声道 %1：%2").arg(k + 2).arg(names[k + 1])
                           : QStringLiteral("其他设置");
  const qsizetype from = text.indexOf(head);
  const qsizetype to = text.indexOf(next, from + 1);
  if (from < 0 || to < 0) return {};
  return text.mid(from, to - from);
}

TEST_F(ReportTest, TwoTunedChannelsShowTheirFiguresAndTheOthersSayTheyWereNotMeasured) {
  if (!popplerInstalled()) GTEST_SKIP() << "poppler-utils is not installed";
  const std::array<int, 2> tuned = {1, kSubwoofer};
  std::map<int, CurveRow> firstShown;
  for (const int c : tuned)
    firstShown[c] = autoRun(c);
  // The sequence kept each channel's first sweep, nothing for the others.
  for (int k = 0; k < kChannels; ++k) {
    const auto c = static_cast<std::size_t>(k);
    const bool wasTuned = firstShown.count(k) > 0;
    EXPECT_EQ(window->measure.firstCurveKept[c], wasTuned) << k;
    if (wasTuned) {
      EXPECT_EQ(window->measure.firstCurves[c], firstShown[k]) << k;
    }
  }

  typeInto(window->Text2[0], "18.5");
  typeInto(window->Text2[1], "11");
  const QString pdf = pressForFile(window->CmdReport, "调试报告_*.pdf", true);
  ASSERT_FALSE(pdf.isEmpty());
  const QString text = pdfText(pdf);
  EXPECT_TRUE(text.contains("影院长：18.5 米")) << text.toStdString();
  EXPECT_TRUE(text.contains("影院宽：11 米"));
  for (int k = 0; k < kChannels; ++k) {
    SCOPED_TRACE(k);
    const QString part = section(text, k);
    ASSERT_FALSE(part.isEmpty()) << "no section for " << reportChannelNames()[k].toStdString();
    if (firstShown.count(k) == 0) {
      EXPECT_TRUE(part.contains("本声道未测量"));
      continue;
    }
    EXPECT_FALSE(part.contains("本声道未测量"));
    const bool sub = k == kSubwoofer;
    const Deviation before = deviationFromTarget(firstShown[k], TargetType::Iso2969, sub);
    const Deviation after = deviationFromTarget(
        window->measure.curves.areas[static_cast<std::size_t>(k)], TargetType::Iso2969, sub);
    EXPECT_LT(after.rms, before.rms);
    EXPECT_TRUE(part.contains(deviationText(before))) << deviationText(before).toStdString();
    EXPECT_TRUE(part.contains(deviationText(after))) << deviationText(after).toStdString();
  }
  EXPECT_TRUE(text.contains("Com2"));
  EXPECT_TRUE(text.contains("数字输入(模拟A)"));
  EXPECT_TRUE(text.contains("统一处理(数字/模拟A)"));

  // Page 1 renders; every font is embedded, one of them draws Chinese.
  const QString prefix = QDir(folder.path()).filePath("page");
  const ToolRun render =
      runTool("pdftoppm", {"-png", "-r", "50", "-f", "1", "-l", "1", pdf, prefix});
  EXPECT_EQ(render.exitCode, 0) << render.err.toStdString();
  EXPECT_TRUE(render.err.isEmpty()) << render.err.toStdString();
  const QStringList rendered = QDir(folder.path()).entryList({"page*.png"}, QDir::Files);
  ASSERT_EQ(rendered.size(), 1);
  const QImage page(QDir(folder.path()).filePath(rendered[0]));
  EXPECT_NEAR(page.width(), 210 / 25.4 * 50, 2);  // A4 at 50 pixels an inch
  EXPECT_NEAR(page.height(), 297 / 25.4 * 50, 2);
  const auto fonts = pdfFonts(pdf);
  ASSERT_FALSE(fonts.empty());
  bool chinese = false;
  for (const PdfFont& f : fonts) {
    EXPECT_TRUE(f.embedded) << f.name.toStdString();
    chinese = chinese || (f.embedded && drawsChinese(f.name));
  }
  EXPECT_TRUE(chinese);
}

TEST_F(ReportTest, TheGraphPictureIsTheGraphAtTwiceItsSize) {
  chooseChannel(2);
  sweepInTheModel(2, true);
  press(find<QPushButton>("Command8"));
  const QString png = pressForFile(window->CmdSaveGraph, "图形_*.png");
  ASSERT_FALSE(png.isEmpty());
  const QImage picture(png);
  ASSERT_FALSE(picture.isNull());
  CurveGraph* graph = window->CWGraph1;
  EXPECT_EQ(picture.size(), graph->size() * 2);
  // The curve read is drawn where the window draws it, at twice the scale.
  const float level = window->measure.plot.rows[PlotBuffer::kMeasured][bandSlot(8)];
  const QPoint at = graph->pointAt(bandSlot(8), level) * 2;
  bool blue = false;
  for (int dy = -4; dy <= 4 && !blue; ++dy) {
    const QColor c = picture.pixelColor(at + QPoint(0, dy));
    blue = c.blue() > 180 && c.red() < 120 && c.green() < 120;
  }
  EXPECT_TRUE(blue) << "no curve at band 8";
}

TEST_F(ReportTest, ACurveReadByHandAfterAFinishedSweepIsTheFirstCurve) {
  chooseChannel(4);
  // Read while the sweep still runs: not a measurement of the room yet.
  sweepInTheModel(4, false);
  press(find<QPushButton>("Command8"));
  EXPECT_EQ(window->measure.sweepStatus, 0);
  EXPECT_FALSE(window->measure.firstCurveKept[4]);
  clock.advance(model.options().sweepMs);
  press(find<QPushButton>("Command8"));
  ASSERT_TRUE(window->measure.firstCurveKept[4]);
  const CurveRow first = window->measure.curves.areas[4];
  EXPECT_EQ(window->measure.firstCurves[4], first);
  // A later sweep, of the room changed by +6 dB at 160 Hz, is the channel's
  // curve now, not its first.
  model.writeRegister(static_cast<std::uint16_t>(equalizerRegister(4, 9)), 21, clock.now());
  sweepInTheModel(4, true);
  press(find<QPushButton>("Command8"));
  EXPECT_GT(window->measure.curves.areas[4][bandSlot(9)], first[bandSlot(9)] + 4);
  EXPECT_EQ(window->measure.firstCurves[4], first);
  for (int k = 0; k < kChannels; ++k) {
    if (k != 4) {
      EXPECT_FALSE(window->measure.firstCurveKept[k]) << k;
    }
  }
}

TEST_F(ReportTest, AReportThatCannotBeWrittenSaysSoAndLeavesNoFile) {
  // Something that is no folder stands where "用户数据" belongs.
  QFile blocker(QDir(folder.path()).filePath("用户数据"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  port.clearEvents();
  dialogs.answers = {Dialogs::Answer::Ok};
  press(window->CmdReport);
  EXPECT_EQ(frames().size(), static_cast<std::size_t>(kChannels));  // the gains read back
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].title, "提示");
  EXPECT_TRUE(dialogs.asked[0].text.startsWith("调试报告没有保存"))
      << dialogs.asked[0].text.toStdString();
  EXPECT_EQ(dialogs.asked[0].icon, Dialogs::Icon::Warning);
  const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
  for (const QString& name : left)
    EXPECT_FALSE(name.endsWith(".pdf")) << name.toStdString();
}

}  // namespace
}  // namespace eqset::test
