// The line monitor ("通讯监视"), wired to the window.
#include <QDir>
#include <QPushButton>

#include "app/mainwindow.h"
#include "monitor/linemonitorwindow.h"

namespace eqset {

void MainWindow::wireMonitor() {
  // The monitor captures from the start, shown or not, so that a fault seen
  // before anyone thought of opening it is already there. It is a child of
  // this window: it is destroyed after the link and the port are, and its
  // listener lets frames pass unseen once it is gone.
  monitorWindow_ = new LineMonitorWindow(dialogs_, files_, this, Qt::Window);
  monitorWindow_->setSaveFolder(QDir(folders_.home).filePath(QStringLiteral("用户数据")));
  watchedPort_->setListener(monitorWindow_->listener());
  connect(CmdMonitor, &QPushButton::clicked, this, [this] { monitorWindow_->showAndRaise(); });
}

}  // namespace eqset
