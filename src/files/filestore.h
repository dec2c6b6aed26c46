#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class QSaveFile;

namespace eqset {

// Reading and writing whole files. A write goes to a temporary file in the
// same folder that replaces the old one only once it is complete, so a write
// that fails half-way (disk full, adapter pulled from a USB stick) leaves the
// old file exactly as it was.
class FileStore {
 public:
  // How the bytes go into the temporary file; tests put a failing one here.
  using Writer = std::function<bool(QSaveFile& file, const QByteArray& bytes)>;

  FileStore();
  explicit FileStore(Writer writer) : writer_(std::move(writer)) {}

  // The whole file; an empty array for a file that does not exist yet;
  // nothing when it exists but cannot be read.
  std::optional<QByteArray> read(const QString& path, QString* error) const;
  bool write(const QString& path, const QByteArray& bytes, QString* error) const;

 private:
  Writer writer_;
};

}  // namespace eqset
