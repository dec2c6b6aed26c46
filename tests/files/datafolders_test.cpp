#include "files/datafolders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace eqset {
namespace {

TEST(DataFolders, TheProgramFolderIsHomeOnlyWhileItCanBeWritten) {
  struct Case {
    bool writable;
    QString home;
    QString startingStore;
    QStringList portFolders;
  };
  const Case cases[] = {
      {true, "/opt/eqset", "", {"/opt/eqset", "/home/t/.local/share/EQSet"}},
      {false,
       "/home/t/.local/share/EQSet",
       "/opt/eqset/TarnDB.mdb",
       {"/opt/eqset", "/home/t/.local/share/EQSet"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.writable);
    QStringList asked;
    const DataFolders f =
        chooseDataFolders("/opt/eqset", "/home/t/.local/share/EQSet", [&](const QString& folder) {
          asked << folder;
          return c.writable;
        });
    EXPECT_EQ(asked, QStringList{"/opt/eqset"});
    EXPECT_EQ(f.home, c.home);
    EXPECT_EQ(f.storePath(), c.home + "/TarnDB.mdb");
    EXPECT_EQ(f.startingStorePath(), c.startingStore);
    EXPECT_EQ(f.portFolders(), c.portFolders);
  }
  EXPECT_EQ(DataFolders::portable("/b").portFolders(), QStringList{"/b"});
}

TEST(DataFolders, WritabilityIsTriedAndLeavesNothingBehind) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  EXPECT_TRUE(folderWritable(dir.path()));
  EXPECT_TRUE(
      QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
  EXPECT_FALSE(folderWritable(dir.filePath("missing")));
}

}  // namespace
}  // namespace eqset
