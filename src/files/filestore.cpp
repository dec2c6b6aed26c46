#include "files/filestore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace eqset {

namespace {

bool readBytes(QFile& file, qint64 maxBytes, QByteArray& bytes) {
  bytes = file.read(maxBytes);
  return file.error() == QFileDevice::NoError;
}

bool writeBytes(QSaveFile& file, const QByteArray& bytes) {
  return file.write(bytes) == bytes.size();
}

void setError(QString* error, const QString& text) {
  if (error) *error = text;
}

QString tooLarge() {
  return QStringLiteral("文件大于%1 KiB，不是本程序的文件").arg(FileStore::kMaxBytes / 1024);
}

}  // namespace

FileStore::FileStore() : reader_(readBytes), writer_(writeBytes) {}
FileStore::FileStore(Writer writer) : reader_(readBytes), writer_(std::move(writer)) {}
FileStore::FileStore(Reader reader) : reader_(std::move(reader)), writer_(writeBytes) {}

std::optional<QByteArray> FileStore::read(const QString& path, QString* error) const {
  const QFileInfo info(path);
  // A link that leads nowhere is no new file: writing through it would put
  // the file somewhere the technician did not choose.
  if (!info.exists() && !info.isSymLink()) return QByteArray();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    setError(error, file.errorString());
    return std::nullopt;
  }
  const qint64 size = file.size();
  if (size > kMaxBytes) {
    setError(error, tooLarge());
    return std::nullopt;
  }
  // One byte more than allowed tells a file that grows, or a device that
  // reports no size, from one that fits.
  QByteArray bytes;
  if (!reader_(file, kMaxBytes + 1, bytes)) {
    setError(error, file.error() != QFileDevice::NoError ? file.errorString()
                                                         : QStringLiteral("读取出错"));
    return std::nullopt;
  }
  if (bytes.size() > kMaxBytes) {
    setError(error, tooLarge());
    return std::nullopt;
  }
  if (!file.isSequential() && bytes.size() != size) {
    setError(error, QStringLiteral("只读到%1字节，文件有%2字节").arg(bytes.size()).arg(size));
    return std::nullopt;
  }
  return bytes;
}

bool FileStore::write(const QString& path, const QByteArray& bytes, QString* error) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    setError(error, file.errorString());
    return false;
  }
  if (!writer_(file, bytes)) {
    setError(error, file.error() != QFileDevice::NoError ? file.errorString()
                                                         : QStringLiteral("写入没有完成"));
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    setError(error, file.errorString());
    return false;
  }
  return true;
}

QString datedFileName(const QString& prefix, const QDateTime& when, const QString& suffix,
                      const std::function<bool(const QString&)>& taken) {
  const QString stem = prefix + QLatin1Char('_') + when.toString(QStringLiteral("yyyyMMdd_HHmmss"));
  QString name = stem + QLatin1Char('.') + suffix;
  for (int n = 2; taken(name); ++n)
    name = QStringLiteral("%1_%2.%3").arg(stem).arg(n).arg(suffix);
  return name;
}

}  // namespace eqset
