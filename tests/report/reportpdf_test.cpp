#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "flatcurve.h"
#include "measure/curvegraph.h"
#include "poppler.h"
#include "qtprinters.h"
#include "report/reportpdf.h"

namespace eqset::test {
namespace {

// The measured plot's blue, also where anti-aliasing has lightened it.
bool blueish(const QColor& c) {
  return c.blue() > 150 && c.blue() - c.red() > 80 && c.blue() - c.green() > 80;
}

int countBlue(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      n += blueish(image.pixelColor(x, y));
  }
  return n;
}

class ReportPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!popplerInstalled()) GTEST_SKIP() << "poppler-utils is not installed";
    settings.when = QDateTime(QDate(2026, 12, 8), QTime(18, 30, 45));
    settings.port = "Com7";
    settings.target = "ISO2969";
  }

  QString writePdf(const MeasureState& state) {
    const QByteArray pdf = reportPdf(buildReport(settings, state), QApplication::font());
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    const QString path = QDir(dir.path()).filePath("report.pdf");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pdf);
    return path;
  }

  // Every page as an image, 72 pixels an inch.
  std::vector<QImage> pages(const QString& pdf) {
    const QString prefix = QDir(dir.path()).filePath("page");
    EXPECT_EQ(runTool("pdftoppm", {"-png", "-r", "72", pdf, prefix}).exitCode, 0);
    std::vector<QImage> out;
    for (const QString& name : QDir(dir.path()).entryList({"page*.png"}, QDir::Files, QDir::Name))
      out.push_back(QImage(QDir(dir.path()).filePath(name)));
    return out;
  }

  QTemporaryDir dir;
  WindowSettings settings;
};

TEST_F(ReportPdfTest, UnmeasuredChannelsSaySoAndDrawNoGraph) {
  const QString pdf = writePdf(MeasureState{});
  const QString text = pdfText(pdf);
  EXPECT_EQ(text.count("本声道未测量"), kChannels);
  for (const char* name : {"声道 1：左", "声道 2：右", "声道 3：中置", "声道 4：次低频",
                           "声道 5：左环", "声道 6：右环"}) {
    EXPECT_TRUE(text.contains(QString::fromUtf8(name))) << name;
  }
  EXPECT_FALSE(text.contains("首次测量曲线"));
  EXPECT_TRUE(text.contains("2026-12-08 18:30:45"));
  EXPECT_TRUE(text.contains("Com7"));
  EXPECT_TRUE(text.contains("话筒零点：未设定"));
  int blue = 0;
  for (const QImage& page : pages(pdf))
    blue += countBlue(page);
  EXPECT_EQ(blue, 0);
}

TEST_F(ReportPdfTest, AMeasuredChannelHasItsGraphFiguresAndGains) {
  MeasureState state;
  keepFirstCurve(state, 2, curve(72, 12, 6.2F));
  state.curves.areas[2] = curve(72, 12, 1.3F);
  state.passCount[2] = 2;
  settings.bandPositions[equalizerRegister(2, 12)] = 6;  // -6 dB at 315 Hz
  // The left channel comes from a "全场均衡" run over three positions.
  state.room.positions = 3;
  state.room.tuned[0] = true;
  for (int p = 1; p <= 3; ++p)
    state.room.sweeps.push_back({p, 0, RoomSweep::Kind::First, 0, curve(70, p, 3)});
  state.room.averageBefore[0] = curve(70);
  state.roomWrittenBy[0] = std::make_shared<const RoomRun>(state.room);
  const QString pdf = writePdf(state);
  const QString text = pdfText(pdf);
  EXPECT_EQ(text.count("本声道未测量"), kChannels - 2);
  EXPECT_EQ(text.count("测量位置：3个"), 1);
  const qsizetype from = text.indexOf("声道 3：中置");
  const qsizetype to = text.indexOf("声道 4：次低频");
  ASSERT_GE(from, 0);
  ASSERT_GT(to, from);
  const QString section = text.mid(from, to - from);
  EXPECT_FALSE(section.contains("本声道未测量"));
  const ReportContent r = buildReport(settings, state);
  EXPECT_TRUE(section.contains(deviationText(*r.channels[2].before)));
  EXPECT_TRUE(section.contains(deviationText(*r.channels[2].after)));
  for (const char* legend : {"首次测量曲线", "调试后曲线", "目标曲线"})
    EXPECT_TRUE(section.contains(QString::fromUtf8(legend))) << legend;
  EXPECT_TRUE(section.contains("-6"));
  EXPECT_TRUE(section.contains("315Hz"));
  // The level axis is labelled whole, at both ends, never cut to "…".
  const auto [low, high] = graphRange(r.channels[2]);
  for (const int level : {low, high}) {
    EXPECT_TRUE(section.contains(QRegularExpression(QStringLiteral("(^|\\s)%1dB\\s").arg(level))))
        << level;
  }
  EXPECT_FALSE(section.contains(QStringLiteral("…")));

  // The graph is drawn: the final curve's blue on the page that has it.
  int blue = 0;
  for (const QImage& page : pages(pdf))
    blue += countBlue(page);
  EXPECT_GT(blue, 20);
}

}  // namespace
}  // namespace eqset::test
