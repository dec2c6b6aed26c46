#include "app/settingsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>

namespace eqset {

namespace {

const QStringList& fieldNames() {
  static const QStringList names = {"U_Main_Com", "CmbCopy0", "CmbCopy1", "CmbCopy2",
                                    "CmbCopy3",   "CmbCopy4", "CmbCopy5", "EqMode",
                                    "TypeSig",    "MicZero",  "FastLink", "RoomPositions"};
  return names;
}

QStringList valuesOf(const SettingsRecord& r) {
  QStringList v = {r.U_Main_Com};
  for (const auto& c : r.CmbCopy)
    v << c;
  v << r.EqMode << r.TypeSig << r.MicZero << r.FastLink << r.RoomPositions;
  return v;
}

SettingsRecord recordFrom(const QStringList& v) {
  SettingsRecord r;
  r.U_Main_Com = v.value(0);
  for (int i = 0; i < 6; ++i)
    r.CmbCopy[static_cast<std::size_t>(i)] = v.value(1 + i);
  r.EqMode = v.value(7);
  r.TypeSig = v.value(8);
  r.MicZero = v.value(9);
  r.FastLink = v.value(10);
  r.RoomPositions = v.value(11);
  return r;
}

// The cause of a store failure in the technician's language, with SQLite's
// own words behind it for the support engineer.
QString describe(const QSqlError& error) {
  const QString code = error.nativeErrorCode();
  QString cause = QStringLiteral("设置存储无法写入");
  if (code == "5" || code == "6") cause = QStringLiteral("设置存储正被其他程序占用，请稍后再试");
  if (code == "8") cause = QStringLiteral("设置存储是只读的");
  if (code == "13") cause = QStringLiteral("磁盘已满");
  if (code == "14") cause = QStringLiteral("无法打开设置存储文件");
  if (code == "11" || code == "26") cause = QStringLiteral("该文件不是完好的设置数据库");
  const QString detail = error.text().trimmed();
  return detail.isEmpty() ? cause : cause + QStringLiteral("（") + detail + QStringLiteral("）");
}

}  // namespace

SettingsStore::SettingsStore(QString path, QString startingPath)
    : path_(std::move(path)),
      startingPath_(std::move(startingPath)),
      connection_("settings-" + QUuid::createUuid().toString()) {}

SettingsStore::~SettingsStore() {
  closeDatabase();
}

bool SettingsStore::openDatabase(const QString& path, bool readOnly, QString* error) {
  QSqlDatabase db = QSqlDatabase::contains(connection_)
                        ? QSqlDatabase::database(connection_, false)
                        : QSqlDatabase::addDatabase("QSQLITE", connection_);
  db.setDatabaseName(path);
  // Another program holding the store must not freeze the window for long.
  QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyWaitMs);
  if (readOnly) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
  db.setConnectOptions(options);
  if (!db.isValid() || !db.open()) {
    if (error) *error = describe(db.lastError());
    return false;
  }
  return true;
}

void SettingsStore::closeDatabase() {
  if (!QSqlDatabase::contains(connection_)) return;
  {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(connection_);
}

std::optional<SettingsRecord> SettingsStore::load() {
  // Opening a missing file would create an empty one; a missing store must
  // stay missing so that start-up asks for the port.
  const bool own = QFileInfo(path_).isFile();
  if (!own && (startingPath_.isEmpty() || !QFileInfo(startingPath_).isFile())) return std::nullopt;
  std::optional<SettingsRecord> result;
  if (openDatabase(own ? path_ : startingPath_, !own, nullptr)) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    // Whatever columns the table has: an older or hand-made store that lacks
    // some of them still gives the port it holds; the rest read as empty.
    if (q.exec("SELECT * FROM TabUser ORDER BY rowid LIMIT 1") && q.next()) {
      const QSqlRecord columns = q.record();
      QStringList v;
      for (const QString& name : fieldNames()) {
        const int at = columns.indexOf(name);
        v << (at >= 0 ? q.value(at).toString() : QString());
      }
      result = recordFrom(v);
    }
  }
  closeDatabase();
  return result;
}

bool SettingsStore::save(const SettingsRecord& record, QString* error) {
  // The user's data folder does not exist before the first save.
  QDir().mkpath(QFileInfo(path_).absolutePath());
  bool ok = openDatabase(path_, false, error);
  if (ok) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    const QStringList names = fieldNames();
    QStringList columns;
    for (const auto& n : names)
      columns << n + " TEXT";
    QStringList assignments;
    for (const auto& n : names)
      assignments << n + " = ?";
    const QStringList values = valuesOf(record);

    ok = db.transaction() &&
         q.exec("CREATE TABLE IF NOT EXISTS TabUser (" + columns.join(", ") + ")");
    // A store from an older program lacks some columns: add them, empty, and
    // keep every other column and row as it is.
    QStringList present;
    if (ok) ok = q.exec("PRAGMA table_info(TabUser)");
    while (ok && q.next())
      present << q.value(1).toString().toLower();
    for (const auto& n : names) {
      if (ok && !present.contains(n.toLower()))
        ok = q.exec("ALTER TABLE TabUser ADD COLUMN " + n + " TEXT");
    }
    if (ok) ok = q.exec("SELECT min(rowid) FROM TabUser") && q.next();
    if (ok) {
      const QVariant first = q.value(0);
      if (first.isNull()) {
        q.prepare("INSERT INTO TabUser (" + names.join(", ") + ") VALUES (" +
                  QStringList(QList<QString>(names.size(), "?")).join(", ") + ")");
      } else {
        q.prepare("UPDATE TabUser SET " + assignments.join(", ") + " WHERE rowid = ?");
      }
      for (const auto& v : values)
        q.addBindValue(v);
      if (!first.isNull()) q.addBindValue(first);
      ok = q.exec();
    }
    if (ok) ok = db.commit();
    if (!ok) {
      if (error) *error = describe(q.lastError().isValid() ? q.lastError() : db.lastError());
      db.rollback();
    }
  }
  closeDatabase();
  return ok;
}

}  // namespace eqset
