// The Chinese face of the window on Windows. That the window is set in it is
// seen by the laptop-screen tests under Wine, which fail in Wine's own faces.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace eqset
