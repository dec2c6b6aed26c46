#include "report/commissioningreport.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include "files/fileoperations.h"
#include "report/reportpdf.h"

namespace eqset {

CommissioningReport::CommissioningReport(Dialogs& dialogs, const FileStore& files,
                                         QString programFolder, const MeasureState& state,
                                         QWidget* graph, Sources sources, QObject* parent)
    : QObject(parent),
      dialogs_(dialogs),
      files_(files),
      programFolder_(std::move(programFolder)),
      state_(state),
      graph_(graph),
      s_(std::move(sources)) {}

QString CommissioningReport::writeReport() {
  WindowSettings settings = s_.settings();
  settings.when = s_.now();
  const ReportContent content = buildReport(settings, state_);
  const QByteArray pdf = reportPdf(content, graph_->window()->font());
  return write(QStringLiteral("调试报告"), settings.when, QStringLiteral("pdf"), pdf,
               QStringLiteral("调试报告"));
}

QString CommissioningReport::saveGraph() {
  const QByteArray png = pngBytes(doubleResolutionPicture(graph_));
  return write(QStringLiteral("图形"), s_.now(), QStringLiteral("png"), png,
               QStringLiteral("图形"));
}

QString CommissioningReport::write(const QString& prefix, const QDateTime& when,
                                   const QString& suffix, const QByteArray& bytes,
                                   const QString& what) {
  const QDir folder(userDataFolder(programFolder_));
  QString error = QStringLiteral("无法生成文件内容");
  QString path;
  if (!bytes.isEmpty()) {
    const QString name = datedFileName(prefix, when, suffix, [&folder](const QString& n) {
      return QFileInfo::exists(folder.filePath(n));
    });
    path = folder.filePath(name);
    if (files_.write(path, bytes, &error)) {
      dialogs_.message(QStringLiteral("%1已保存到 %2").arg(what, QDir::toNativeSeparators(path)),
                       QStringLiteral("提示"), Dialogs::Icon::Information, Dialogs::Buttons::Ok);
      return path;
    }
  }
  dialogs_.message(QStringLiteral("%1没有保存：%2").arg(what, error), QStringLiteral("提示"),
                   Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
  return {};
}

}  // namespace eqset
