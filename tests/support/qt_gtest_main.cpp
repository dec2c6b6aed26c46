#include <gtest/gtest.h>

#include <QApplication>

#ifdef EQSET_CHINESE_FONT
#include "app/translations.h"
#endif

// Window and serial tests need a running application object; the platform is
// offscreen unless the environment says otherwise.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
#ifdef EQSET_CHINESE_FONT
  eqset::useChineseFont(QCoreApplication::applicationDirPath());
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
