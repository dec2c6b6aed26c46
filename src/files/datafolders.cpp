#include "files/datafolders.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace eqset {

namespace {
const QString kStoreName = QStringLiteral("TarnDB.mdb");
}

QString DataFolders::storePath() const {
  return QDir(home).filePath(kStoreName);
}

QString DataFolders::startingStorePath() const {
  if (QDir(home) == QDir(program)) return {};
  return QDir(program).filePath(kStoreName);
}

QStringList DataFolders::portFolders() const {
  QStringList folders{program};
  if (!user.isEmpty() && QDir(user) != QDir(program)) folders << user;
  return folders;
}

DataFolders chooseDataFolders(const QString& programFolder, const QString& userFolder,
                              const FolderWritable& writable) {
  DataFolders folders{programFolder, userFolder, programFolder};
  if (!writable(programFolder)) folders.home = userFolder;
  return folders;
}

bool folderWritable(const QString& folder) {
  if (!QDir(folder).exists()) return false;
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".eqset-write-test-XXXXXX")));
  return probe.open();  // removed again when the probe goes
}

QString userDataLocation() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

}  // namespace eqset
