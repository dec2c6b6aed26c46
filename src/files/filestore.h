#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class QFile;
class QSaveFile;

namespace eqset {

// Reading and writing whole files. A write goes to a temporary file in the
// same folder that replaces the old one only once it is complete, so a write
// that fails half-way (disk full, adapter pulled from a USB stick) leaves the
// old file exactly as it was. A read gives the whole file or nothing: a save
// that keeps the bytes of an existing file must never build on part of them.
class FileStore {
 public:
  // No file of the tool comes near this; anything larger is not one of its
  // files (a video picked by mistake, a device), and is not read at all.
  static constexpr qint64 kMaxBytes = 64 * 1024;

  // How the bytes come out of the open file, at most `maxBytes` of them; false
  // on a read error. Tests put a failing one here.
  using Reader = std::function<bool(QFile& file, qint64 maxBytes, QByteArray& bytes)>;
  // How the bytes go into the temporary file; tests put a failing one here.
  using Writer = std::function<bool(QSaveFile& file, const QByteArray& bytes)>;

  FileStore();
  explicit FileStore(Writer writer);
  explicit FileStore(Reader reader);

  // The whole file; an empty array for a file that does not exist yet;
  // nothing, with the reason in `error`, when it exists but cannot be read
  // whole or is larger than kMaxBytes.
  std::optional<QByteArray> read(const QString& path, QString* error) const;
  bool write(const QString& path, const QByteArray& bytes, QString* error) const;

 private:
  Reader reader_;
  Writer writer_;
};

// "调试报告_20261208_183045.pdf"; when that name is taken, "_2", "_3", ... is
// put before the suffix.
QString datedFileName(const QString& prefix, const QDateTime& when, const QString& suffix,
                      const std::function<bool(const QString&)>& taken);

}  // namespace eqset
