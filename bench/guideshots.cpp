// The pictures of docs/使用说明.md, taken from the real window connected to a
// processor (eqset-sim) through the real serial port, the real clock and the
// real message boxes and file dialogs: scripts/guide-images.sh starts the
// simulator and runs this with a program folder of its own, so the
// technician's settings store and "用户数据" are never touched.
//
//   guideshots PROGRAM_FOLDER PORT_NUMBER IMAGE_FOLDER
//
// The window is 1366x768, the size it opens with where the screen has room;
// one picture shows it at 1280x720, as on a laptop. Every message
// box that comes up is named on stderr and answered as a technician would.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/mainwindow.h"
#include "app/pages/roomeqdialog.h"
#include "app/qtdialogs.h"
#include "app/settingsstore.h"
#include "app/translations.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "monitor/linemonitorwindow.h"

namespace {

const QSize kScreen(1366, 768);
// A 1366x768 laptop screen less title bar and taskbar, or 1920x1080 at 150 %.
const QSize kLaptop(1280, 720);

void say(const QString& text) {
  std::fprintf(stderr, "guideshots: %s\n", qPrintable(text));
}

// Runs the event loop until `done` holds or `ms` have passed.
bool waitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

void settle(int ms = 300) {
  waitFor([] { return false; }, ms);
}

// What to do with a modal dialog whose text (or title, for file dialogs)
// starts with `start`: save its picture as `image` (when given), then answer.
struct DialogRule {
  QString start;
  QString image;
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  QString fileName;  // a file dialog: the name typed before accepting; empty rejects
};

// Answers the window's modal dialogs while the script's steps wait inside
// them. A dialog is acted on once it has been up for two ticks, so that it is
// laid out and painted when its picture is taken.
class DialogAnswerer : public QObject {
 public:
  DialogAnswerer(QString imageFolder, QObject* parent)
      : QObject(parent), imageFolder_(std::move(imageFolder)) {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { tick(); });
    timer->start(150);
  }

  std::vector<DialogRule> rules;
  QStringList seen;  // every message box text, in order

 private:
  const DialogRule* ruleFor(const QString& text) const {
    for (const DialogRule& r : rules) {
      if (text.startsWith(r.start)) return &r;
    }
    return nullptr;
  }

  void save(QWidget* w, const QString& image) {
    if (image.isEmpty()) return;
    const QString path = QDir(imageFolder_).filePath(image);
    if (!w->grab().save(path)) say("could not save " + path);
  }

  void tick() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w != pending_) {
      pending_ = w;
      return;
    }
    pending_ = nullptr;
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      seen << box->text();
      say(QStringLiteral("message box \"%1\": %2").arg(box->windowTitle(), box->text()));
      const DialogRule* rule = ruleFor(box->text());
      if (rule) save(box, rule->image);
      QAbstractButton* button = box->button(rule ? rule->answer : QMessageBox::Ok);
      if (!button) button = box->escapeButton();
      if (button) button->click();
    } else if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
      say(QStringLiteral("file dialog \"%1\" in %2")
              .arg(dialog->windowTitle(), dialog->directory().path()));
      const DialogRule* rule = ruleFor(dialog->windowTitle());
      if (rule) save(dialog, rule->image);
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (rule && !rule->fileName.isEmpty() && name) {
        name->setText(rule->fileName);
        static_cast<QDialog*>(dialog)->accept();  // as the name box's Enter does
      } else {
        dialog->reject();
      }
    }
  }

  QString imageFolder_;
  QPointer<QWidget> pending_;
};

class Guide {
 public:
  Guide(eqset::MainWindow& window, QString imageFolder)
      : w_(window), images_(std::move(imageFolder)) {}

  bool run() {
    w_.startUp();
    if (!waitFor([this] { return w_.ComState->text() == QStringLiteral("已经连接"); }, 5000)) {
      say("no link: " + w_.ComState->text());
      return false;
    }
    // Nothing read yet: "数据写入DSP" asks first. The technician cancels.
    w_.CmdWriteToMcu->click();
    settle();

    w_.CmdReadHardL->click();
    w_.CmdReadAllEq->click();
    w_.Text2[0]->setText(QStringLiteral("24"));
    w_.Text2[1]->setText(QStringLiteral("16"));
    w_.Command2->click();  // 延时自动计算并设定
    showPage(0);
    shoot(&w_, "01-音量调整.png");
    // The same page on a laptop screen: 1280x720 less nothing, every
    // control in view.
    w_.resize(kLaptop);
    settle();
    shoot(&w_, "08-笔记本屏幕.png");
    w_.resize(kScreen);
    settle();

    // The left channel tuned automatically, with its report.
    showPage(7);
    w_.GroupNum->setValue(0);
    settle();
    w_.CmdTest2->click();  // 全自动均衡
    const QString done = QStringLiteral("本通道自调完成.");
    if (!waitFor([this, &done] { return w_.Label12->text() == done; }, 180000)) {
      say("the automatic equalization did not finish: " + w_.Label12->text());
      return false;
    }
    // The room's level lies near the top of the start range: one step up
    // shows the whole curve.
    w_.autoEqPage->Command17->click();  // 增加坐标量程
    settle(500);
    shoot(&w_, "03-自动均衡.png");
    showPage(1);
    shoot(&w_, "04-左通道.png");
    // "全场均衡" on the left channel over two positions, its dialog as it ends.
    showPage(7);
    w_.autoEqPage->CmdRoomEq->click();
    eqset::RoomEqDialog* room = w_.roomDialog;
    for (int c = 1; c < eqset::kChannels; ++c)
      room->ChkRoomCh[static_cast<std::size_t>(c)]->setChecked(false);
    room->SpinRoomPos->setValue(2);
    settle();
    room->CmdRoomStart->click();
    const QString roomDone = QStringLiteral("全场均衡完成。");
    if (!waitFor([room, &roomDone] { return room->LblRoomState->text() == roomDone; }, 180000)) {
      say("the whole-room run did not finish: " + room->LblRoomState->text());
      return false;
    }
    settle(500);
    shoot(room, "09-全场均衡.png");
    room->close();
    settle();
    w_.CmdReport->click();  // 生成调试报告: the path is in the message
    settle();

    // A settings file saved into "用户数据", then the load dialog that lists it.
    showPage(0);
    w_.CmdSaveAll->click();
    w_.CmdLoadAll->click();
    settle();

    w_.CmdMonitor->click();
    auto* monitor = w_.findChild<eqset::LineMonitorWindow*>();
    if (!monitor) {
      say("no line monitor window");
      return false;
    }
    monitor->resize(kScreen);
    settle(500);
    monitor->MonitorTable->scrollToBottom();
    settle();
    shoot(monitor, "06-通讯监视.png");
    return ok_;
  }

 private:
  void showPage(int index) {
    w_.SSTab1->setCurrentIndex(index);
    settle();
  }

  void shoot(QWidget* widget, const char* name) {
    const QString path = QDir(images_).filePath(QString::fromUtf8(name));
    if (!widget->grab().save(path)) {
      say("could not save " + path);
      ok_ = false;
    }
  }

  eqset::MainWindow& w_;
  QString images_;
  bool ok_ = true;
};

// The settings store of the guide's own program folder: the simulator's port,
// the choices a new installation starts with.
bool writeStore(const QString& folder, int port) {
  eqset::SettingsRecord record;
  record.U_Main_Com = QStringLiteral("Com%1").arg(port);
  record.CmbCopy = {QStringLiteral("右"), QStringLiteral("左"),   QStringLiteral("左"),
                    QStringLiteral("无"), QStringLiteral("右环"), QStringLiteral("左环")};
  record.EqMode = QStringLiteral("ISO2969");
  record.TypeSig = QStringLiteral("粉噪源测试");
  record.MicZero = QStringLiteral("0");
  record.FastLink = QStringLiteral("0");
  eqset::SettingsStore store(QDir(folder).filePath(eqset::SettingsStore::kFileName));
  QString error;
  if (!store.save(record, &error)) {
    say("settings store: " + error);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 4) {
    std::fputs("usage: guideshots PROGRAM_FOLDER PORT_NUMBER IMAGE_FOLDER\n", stderr);
    return 2;
  }
  const QString folder = QDir(args[1]).absolutePath();
  const int port = args[2].toInt();
  const QString images = QDir(args[3]).absolutePath();
  QDir().mkpath(images);
  if (!writeStore(folder, port)) return 1;

  eqset::installQtChinese(app);
  eqset::QtSerialPort serial{eqset::PortMap(folder)};
  eqset::RealClock clock;
  eqset::QtDialogs dialogs;
  eqset::MainWindow window(serial, clock, dialogs, folder);
  dialogs.setParent(&window);
  window.resize(kScreen);
  window.show();

  DialogAnswerer answers(images, nullptr);
  answers.rules = {
      {QString::fromUtf8(eqset::MainWindow::kBlindWriteQuestion),
       "02-写入提问.png",
       QMessageBox::Cancel,
       {}},
      {QStringLiteral("这是开环状态"), {}, QMessageBox::Ok, {}},
      {QStringLiteral("保存全部设置"), {}, QMessageBox::Ok, QStringLiteral("一号厅.eqs")},
      {QStringLiteral("读取全部设置"), "05-读取全部设置.png", QMessageBox::Cancel, {}},
  };
  int result = 1;
  QTimer::singleShot(0, &window, [&] {
    Guide guide(window, images);
    result = guide.run() ? 0 : 1;
    // The dialogs' pictures are taken only if the dialogs really came up.
    for (const char* name :
         {"01-音量调整.png", "02-写入提问.png", "03-自动均衡.png", "04-左通道.png",
          "05-读取全部设置.png", "06-通讯监视.png", "08-笔记本屏幕.png", "09-全场均衡.png"}) {
      if (!QFileInfo::exists(QDir(images).filePath(QString::fromUtf8(name)))) {
        say(QStringLiteral("missing picture ") + QString::fromUtf8(name));
        result = 1;
      }
    }
    // The report's path, for the script to draw its first page.
    for (const QString& text : answers.seen) {
      const QString prefix = QStringLiteral("调试报告已保存到 ");
      if (text.startsWith(prefix)) std::printf("report %s\n", qPrintable(text.mid(prefix.size())));
    }
    std::fflush(stdout);
    // Closed here, the port's lock goes with it.
    serial.close();
    QCoreApplication::exit(result);
  });
  app.exec();
  return result;
}
