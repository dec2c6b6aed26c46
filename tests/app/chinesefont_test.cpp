// The Chinese face of the window on Windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>

#include "app/translations.h"

namespace eqset {
namespace {

TEST(ChineseFont, WindowsFacesInOrderOfPreference) {
  struct Row {
    QStringList families;
    QString chosen;
  };
  const Row rows[] = {
      {{"Arial", "SimSun", "Microsoft YaHei"}, "Microsoft YaHei"},
      {{"微软雅黑", "宋体"}, "Microsoft YaHei"},  // a Chinese Windows' names
      {{"Arial", "simsun"}, "SimSun"},
      {{"宋体"}, "SimSun"},
      {{"Microsoft YaHei UI", "NSimSun", "Arial"}, ""},  // near names are other faces
      {{}, ""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(windowsChineseFamily(row.families), row.chosen)
        << row.families.join(',').toStdString();
}

#ifdef Q_OS_WIN
// The tests' main sets the face as the program does. Under Wine, which has
// neither Windows face, that is the font beside the executable.
TEST(ChineseFont, TheWindowIsSetInAFaceThatHasChinese) {
  const QString expected = windowsChineseFamily(QFontDatabase::families());
  const QString family = QFontInfo(QApplication::font()).family();
  if (expected.isEmpty())
    EXPECT_EQ(family, QStringLiteral("WenQuanYi Micro Hei"));
  else
    EXPECT_EQ(family, expected);
  EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese));
}
#endif

}  // namespace
}  // namespace eqset
