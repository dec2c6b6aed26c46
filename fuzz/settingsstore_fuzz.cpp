// The settings store as start-up meets it: a TarnDB.mdb of any content in the
// program folder. Loading it must neither crash nor change it, and must leave
// no database connection behind.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <cstdint>

#include "app/settingsstore.h"
#include "fuzzcheck.h"

using namespace eqset;

namespace {

QTemporaryDir* folder = nullptr;

QString storePath() {
  return folder->filePath(SettingsStore::kFileName);
}

QByteArray contentOf(const QString& path) {
  QFile file(path);
  FUZZ_CHECK(file.open(QIODevice::ReadOnly));
  return file.readAll();
}

// SQLite's side files (journal, write-ahead log) from an earlier input must
// not turn into a hot journal for this one.
void clearFolder() {
  QDir dir(folder->path());
  for (const QString& name : dir.entryList(QDir::Files))
    dir.remove(name);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  folder = new QTemporaryDir();  // lives as long as the process
  FUZZ_CHECK(folder->isValid());
  // Start-up without a store: nothing to load, and nothing made.
  FUZZ_CHECK(!SettingsStore(storePath()).load());
  FUZZ_CHECK(!QFile::exists(storePath()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  clearFolder();
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  {
    QFile file(storePath());
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
  }
  // SQLite reads a malformed page differently as the heap around it changes,
  // so the same bytes may load as a record once and as nothing the next time:
  // only what the program itself controls is checked here.
  SettingsStore(storePath()).load();
  FUZZ_CHECK(QSqlDatabase::connectionNames().isEmpty());
  FUZZ_CHECK(contentOf(storePath()) == bytes);
  return 0;
}
