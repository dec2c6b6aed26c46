#pragma once

#include <QString>
#include <array>
#include <optional>

namespace eqset {

// The choices kept between runs: one record of table TabUser.
struct SettingsRecord {
  QString U_Main_Com;
  std::array<QString, 6> CmbCopy;
  QString EqMode;
  QString TypeSig;
  QString MicZero;
  QString FastLink;       // "1": the fast link ("快速通讯") is on; anything else: off
  QString RoomPositions;  // "全场均衡" measurement positions, "1".."8"

  bool operator==(const SettingsRecord&) const = default;
};

// The settings store: an SQLite file (named TarnDB.mdb for the folder's sake)
// with table TabUser, one TEXT column per field. The current record is the
// first row of the table.
class SettingsStore {
 public:
  static constexpr const char* kFileName = "TarnDB.mdb";
  // How long a store that another program holds is waited for.
  static constexpr int kBusyWaitMs = 500;

  // `startingPath`: a store read, never written, while `path` holds none.
  explicit SettingsStore(QString path, QString startingPath = {});
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  const QString& path() const { return path_; }

  // The current record, or nothing when the file is missing or unreadable,
  // or has no table or no record. Never creates the file. While the file is
  // missing, the starting store's record.
  std::optional<SettingsRecord> load();
  // Stores `record` as the current record, creating the file, the table and
  // the record (and the file's folder) when missing, and adding the columns an
  // older store lacks. On
  // failure returns false and says why, in the window's language.
  bool save(const SettingsRecord& record, QString* error);

 private:
  bool openDatabase(const QString& path, bool readOnly, QString* error);
  void closeDatabase();

  QString path_;
  QString startingPath_;
  QString connection_;
};

}  // namespace eqset
