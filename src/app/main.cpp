#include <QApplication>
#include <QTimer>

#include "app/mainwindow.h"
#include "app/qtdialogs.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The program folder is the folder of the executable, wherever it is run from.
  const QString folder = QCoreApplication::applicationDirPath();
  eqset::QtSerialPort port{eqset::PortMap(folder)};
  eqset::RealClock clock;
  eqset::QtDialogs dialogs;
  eqset::MainWindow window(port, clock, dialogs, folder);
  dialogs.setParent(&window);
  window.resize(1280, 720);
  window.show();
  // The technician sees the window while the ports are scanned and opened.
  QTimer::singleShot(0, &window, [&window] { window.startUp(); });
  return app.exec();
}
