// The line monitor ("通讯监视"), wired to the window.
#include "app/mainwindow.h"

namespace eqset {

void MainWindow::wireMonitor() {}

}  // namespace eqset
