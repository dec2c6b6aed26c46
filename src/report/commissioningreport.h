#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "files/filestore.h"
#include "link/dialogs.h"
#include "measure/measuredata.h"
#include "report/reportcontent.h"

class QWidget;

namespace eqset {

// "生成调试报告" and "保存图形": the record of how the room was left, as a PDF
// (with the curves of a "全场均衡" run beside it as CSV under the same name),
// and the graph as a picture, all written into "用户数据" beside the program
// under the date and time, atomically. Neither touches the line: everything
// comes from what the window already shows and the measurement keeps.
class CommissioningReport : public QObject {
  Q_OBJECT
 public:
  struct Sources {
    std::function<WindowSettings()> settings;  // `when` is filled in here
    std::function<QDateTime()> now;
  };

  // `graph` is CWGraph1; its window's font family sets the report's text.
  CommissioningReport(Dialogs& dialogs, const FileStore& files, QString programFolder,
                      const MeasureState& state, QWidget* graph, Sources sources,
                      QObject* parent = nullptr);

  // Writes the report (and the run's CSV) and says where; returns the
  // report's path, or an empty string when nothing was written (and says why).
  QString writeReport();
  // Writes the graph at twice the window's resolution as PNG and says where;
  // returns its path, or an empty string when nothing was written.
  QString saveGraph();

 private:
  // A second file written beside the first, under its name with `suffix`.
  struct Beside {
    QString suffix;
    QByteArray bytes;
    QString what;
  };
  QString write(const QString& prefix, const QDateTime& when, const QString& suffix,
                const QByteArray& bytes, const QString& what,
                const std::optional<Beside>& beside = std::nullopt);

  Dialogs& dialogs_;
  const FileStore& files_;
  QString programFolder_;
  const MeasureState& state_;
  QWidget* graph_;
  Sources s_;
};

}  // namespace eqset
