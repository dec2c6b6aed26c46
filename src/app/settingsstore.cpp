#include "app/settingsstore.h"

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
  static const QStringList names = {"U_Main_Com", "CmbCopy0", "CmbCopy1", "CmbCopy2", "CmbCopy3",
                                    "CmbCopy4",   "CmbCopy5", "EqMode",   "TypeSig",  "MicZero"};
  return names;
}

QStringList valuesOf(const SettingsRecord& r) {
  QStringList v = {r.U_Main_Com};
  for (const auto& c : r.CmbCopy)
    v << c;
  v << r.EqMode << r.TypeSig << r.MicZero;
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
  return r;
}

}  // namespace

SettingsStore::SettingsStore(QString path)
    : path_(std::move(path)), connection_("settings-" + QUuid::createUuid().toString()) {}

SettingsStore::~SettingsStore() {
  closeDatabase();
}

bool SettingsStore::openDatabase(QString* error) {
  QSqlDatabase db = QSqlDatabase::contains(connection_)
                        ? QSqlDatabase::database(connection_, false)
                        : QSqlDatabase::addDatabase("QSQLITE", connection_);
  db.setDatabaseName(path_);
  if (!db.isValid() || !db.open()) {
    if (error) *error = db.lastError().text();
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
  if (!QFileInfo(path_).isFile()) return std::nullopt;
  std::optional<SettingsRecord> result;
  if (openDatabase(nullptr)) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (q.exec("SELECT " + fieldNames().join(", ") + " FROM TabUser ORDER BY rowid LIMIT 1") &&
        q.next()) {
      QStringList v;
      for (int i = 0; i < fieldNames().size(); ++i)
        v << q.value(i).toString();
      result = recordFrom(v);
    }
  }
  closeDatabase();
  return result;
}

bool SettingsStore::save(const SettingsRecord& record, QString* error) {
  bool ok = openDatabase(error);
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
         q.exec("CREATE TABLE IF NOT EXISTS TabUser (" + columns.join(", ") + ")") &&
         q.exec("SELECT min(rowid) FROM TabUser") && q.next();
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
      if (error) *error = q.lastError().isValid() ? q.lastError().text() : db.lastError().text();
      db.rollback();
    }
  }
  closeDatabase();
  return ok;
}

}  // namespace eqset
