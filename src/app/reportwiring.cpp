// The commissioning report ("生成调试报告") and the graph picture ("保存图形").
#include "app/mainwindow.h"

namespace eqset {

void MainWindow::wireReport() {}

}  // namespace eqset
