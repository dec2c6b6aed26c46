#include "files/filestore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace eqset {

FileStore::FileStore()
    : writer_([](QSaveFile& file, const QByteArray& bytes) {
        return file.write(bytes) == bytes.size();
      }) {}

std::optional<QByteArray> FileStore::read(const QString& path, QString* error) const {
  QFile file(path);
  if (!QFileInfo::exists(path)) return QByteArray();
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return std::nullopt;
  }
  return file.readAll();
}

bool FileStore::write(const QString& path, const QByteArray& bytes, QString* error) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  if (!writer_(file, bytes)) {
    if (error) {
      *error = file.error() != QFileDevice::NoError ? file.errorString()
                                                    : QStringLiteral("写入没有完成");
    }
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

}  // namespace eqset
