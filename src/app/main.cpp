#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/mainwindow.h"
#include "app/qtdialogs.h"
#include "app/translations.h"
#include "app/windowplacement.h"
#include "files/datafolders.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "link/win32serialport.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace {

// Ended by a signal (a logout's SIGTERM, Ctrl+C, a closed terminal), the
// program still closes the port, so its lock does not keep the port "已经占用"
// for the next user. The handler only wakes the event loop.
int signalPipe[2] = {-1, -1};

void onEndSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

void closePortOnEndSignals(QObject* parent, eqset::QtSerialPort& port) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, parent);
  QObject::connect(notifier, &QSocketNotifier::activated, parent, [&port] {
    port.close();
    QCoreApplication::quit();
  });
  struct sigaction action = {};
  action.sa_handler = onEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(sig, &action, nullptr);
}

}  // namespace
#endif

namespace {

// "--version" is answered before Qt starts: it needs no display and opens no
// window. Every other argument is left to Qt, which ignores what it does not
// know.
bool versionAsked(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--version") == 0) return true;
  return false;
}

#ifdef Q_OS_WIN
// A windowed program has no console of its own. Started from a command prompt,
// it answers in that prompt; with its output sent to a file or a pipe, there.
void answerInStartingConsole() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) return;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    [[maybe_unused]] FILE* reopened = std::freopen("CONOUT$", "w", stdout);
  }
}

using ProcessorPort = eqset::Win32SerialPort;
#else
using ProcessorPort = eqset::QtSerialPort;
#endif

}  // namespace

int main(int argc, char** argv) {
  if (versionAsked(argc, argv)) {
#ifdef Q_OS_WIN
    answerInStartingConsole();
#endif
    std::fputs("EQSet " EQSET_VERSION "\n", stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  QApplication app(argc, argv);
  eqset::installQtChinese(app);  // before any window: standard buttons in Chinese
  // The user's data folder is named after the application, with no
  // organization folder above it.
  QCoreApplication::setApplicationName(QStringLiteral("EQSet"));
  // The program folder is the folder of the executable, wherever it is run from.
  const eqset::DataFolders folders = eqset::chooseDataFolders(
      QCoreApplication::applicationDirPath(), eqset::userDataLocation(), eqset::folderWritable);
#ifdef Q_OS_WIN
  // Windows names its ports COM1..COM16 itself; ports/comN is a Linux matter.
  eqset::useChineseFont(folders.program);
  ProcessorPort port;
#else
  ProcessorPort port{eqset::PortMap(folders.portFolders())};
#endif
  eqset::RealClock clock;
  eqset::QtDialogs dialogs;
  eqset::MainWindow window(port, clock, dialogs, folders);
  dialogs.setParent(&window);
#ifdef Q_OS_UNIX
  closePortOnEndSignals(&window, port);
#endif
  // On a laptop the window opens no larger than the screen, wholly on it.
  eqset::placeOnScreen(window);
  window.show();
  // The technician sees the window while the ports are scanned and opened.
  QTimer::singleShot(0, &window, [&window] { window.startUp(); });
  return app.exec();
}
