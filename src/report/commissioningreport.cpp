#include "report/commissioningreport.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include "files/fileoperations.h"
#include "report/reportpdf.h"
#include "report/roomreport.h"

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
  // The curves of a "全场均衡" run go beside the report, under its name.
  std::optional<Beside> curves;
  const RoomRun record = writtenRecord(state_.roomWrittenBy);
  if (record.positions > 0)
    curves = Beside{QStringLiteral("csv"), roomCsv(record), QStringLiteral("全场均衡测量数据")};
  return write(QStringLiteral("调试报告"), settings.when, QStringLiteral("pdf"), pdf,
               QStringLiteral("调试报告"), curves);
}

QString CommissioningReport::saveGraph() {
  const QByteArray png = pngBytes(doubleResolutionPicture(graph_));
  return write(QStringLiteral("图形"), s_.now(), QStringLiteral("png"), png,
               QStringLiteral("图形"));
}

QString CommissioningReport::write(const QString& prefix, const QDateTime& when,
                                   const QString& suffix, const QByteArray& bytes,
                                   const QString& what, const std::optional<Beside>& beside) {
  const QDir folder(userDataFolder(programFolder_));
  QString error = QStringLiteral("无法生成文件内容");
  QString path;
  if (!bytes.isEmpty()) {
    // The file beside gets the same name: both must be free.
    const auto besidePath = [&](const QString& p) {
      return p.chopped(suffix.size()) + beside->suffix;
    };
    const QString name = datedFileName(prefix, when, suffix, [&](const QString& n) {
      return QFileInfo::exists(folder.filePath(n)) ||
             (beside && QFileInfo::exists(folder.filePath(besidePath(n))));
    });
    path = folder.filePath(name);
    if (files_.write(path, bytes, &error)) {
      QString text = QStringLiteral("%1已保存到 %2").arg(what, QDir::toNativeSeparators(path));
      auto icon = Dialogs::Icon::Information;
      if (beside) {
        const QString other = besidePath(path);
        if (files_.write(other, beside->bytes, &error)) {
          text +=
              QStringLiteral("\n%1已保存到 %2").arg(beside->what, QDir::toNativeSeparators(other));
        } else {
          text += QStringLiteral("\n%1没有保存：%2").arg(beside->what, error);
          icon = Dialogs::Icon::Warning;
        }
      }
      dialogs_.message(text, QStringLiteral("提示"), icon, Dialogs::Buttons::Ok);
      return path;
    }
  }
  dialogs_.message(QStringLiteral("%1没有保存：%2").arg(what, error), QStringLiteral("提示"),
                   Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
  return {};
}

}  // namespace eqset
