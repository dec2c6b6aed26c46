#pragma once

#include <QWidget>
#include <optional>

#include "link/watchedport.h"
#include "monitor/framedecoder.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace eqset {

class Dialogs;
class FileStore;

namespace monitor {
class LineLog;
class LineFilter;
class LineView;
}  // namespace monitor

// "通讯监视": every frame on the line with its meaning and the verdict on each
// reply, for the technician and for a support engineer on the phone. A tool
// window beside the main one, never modal.
//
// Capturing runs whether the window is shown or not (the listener only stores
// the frame); "暂停" stops capturing until "继续", the rows already there stay
// and can be filtered and saved. The filter shows the frames about one
// register address (a block read or write counts for every register in it,
// its reply with it) and/or of one verdict. "保存" writes every row kept,
// whatever the filter shows, as CSV.
class LineMonitorWindow : public QWidget {
  Q_OBJECT
 public:
  LineMonitorWindow(Dialogs& dialogs, const FileStore& files, QWidget* parent = nullptr,
                    Qt::WindowFlags flags = Qt::Window);
  ~LineMonitorWindow() override;

  // For WatchedPort::setListener: stores each frame for this window.
  WatchedPort::Listener listener();

  // Shown, brought to the front and activated.
  void showAndRaise();
  // Where "保存" opens its dialog; made when missing.
  void setSaveFolder(const QString& folder) { saveFolder_ = folder; }

  monitor::LineLog& log() { return *log_; }
  // The rows the filter lets through, as the table shows them.
  QSortFilterProxyModel& shown();

  // The controls, named as their object names.
  QTableView* MonitorTable = nullptr;
  QPushButton* MonitorPause = nullptr;  // "暂停" / "继续"
  QPushButton* MonitorClear = nullptr;  // "清除"
  QLineEdit* MonitorAddress = nullptr;  // register address filter
  QComboBox* MonitorVerdict = nullptr;  // verdict filter
  QPushButton* MonitorSave = nullptr;   // "保存"
  QLabel* MonitorStatus = nullptr;

 private:
  void togglePause();
  void applyFilter();
  void save();
  void showStatus();
  void followNewRows();

  Dialogs& dialogs_;
  const FileStore& files_;
  monitor::LineLog* log_ = nullptr;
  monitor::LineFilter* filter_ = nullptr;
  monitor::LineView* view_ = nullptr;  // MonitorTable
  bool atBottom_ = true;
  QString saved_;
  QString saveFolder_;
};

}  // namespace eqset
