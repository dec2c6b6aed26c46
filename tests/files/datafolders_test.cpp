#include "files/datafolders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace eqset {
namespace {

// The window test covers the store and "用户数据" in the user's folder; here the
// port links' order and the probe.
TEST(DataFolders, LinksAreSearchedInTheProgramFolderFirstAndTheProbeLeavesNothing) {
  const auto readOnly = [](const QString&) { return false; };
  EXPECT_EQ(chooseDataFolders("/opt/eqset", "/home/t/EQSet", readOnly).portFolders(),
            (QStringList{"/opt/eqset", "/home/t/EQSet"}));
  EXPECT_EQ(DataFolders::portable("/b").portFolders(), QStringList{"/b"});
  EXPECT_TRUE(DataFolders::portable("/b").startingStorePath().isEmpty());

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  EXPECT_TRUE(folderWritable(dir.path()));
  EXPECT_TRUE(
      QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
  EXPECT_FALSE(folderWritable(dir.filePath("missing")));
}

}  // namespace
}  // namespace eqset
