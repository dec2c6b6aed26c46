#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <memory>

#include "app/pages/autoeqpage.h"
#include "app/pages/communicationarea.h"
#include "app/pages/volumepage.h"
#include "app/settingsstore.h"
#include "app/tickgate.h"
#include "eq/eqview.h"
#include "files/datafolders.h"
#include "files/filestore.h"
#include "link/connection.h"
#include "link/indicators.h"
#include "link/modbuslink.h"
#include "link/watchedport.h"
#include "measure/measuredata.h"
#include "params/blockread.h"
#include "params/registerimage.h"
#include "params/registermap.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;

namespace eqset {

class Clock;
class Dialogs;
class ChannelPage;
class SerialPort;
class UserSlider;
class EqLiveWrite;
class LevelWrites;
class InputMode;
class ChannelSwitches;
class DelayCalculator;
class MicZero;
class ProcessorWrite;
class EqCopyReset;
class PeriodicTimer;
class TestSignals;
class Measurement;
class CompensationSteps;
class AutoSequence;
class CurveDisplay;
class ParameterFiles;
class GroupCopy;
class EqualizerExtraction;
class CurveFiles;
class HallSettingsFiles;
class LineMonitorWindow;
class CommissioningReport;
class RoomEqDialog;
class RoomSequence;
class TuningKeep;

// frmEQSet: the one window of the tool. Its controls hold the state the tool
// writes; operations live in their subsystem folders and are wired here.
class MainWindow : public QMainWindow,
                   public CommunicationControls,
                   public VolumeControls,
                   public AutoEqControls,
                   private ConnectionView,
                   private LinkIndicators {
  Q_OBJECT
 public:
  // Asked before "数据写入DSP" while a page may still hold start values.
  static const char* const kBlindWriteQuestion;

  // `folders`: where the store and "用户数据" live.
  MainWindow(SerialPort& port, Clock& clock, Dialogs& dialogs, DataFolders folders,
             QWidget* parent = nullptr);
  // Everything in `folder`, as a portable copy keeps it.
  MainWindow(SerialPort& port, Clock& clock, Dialogs& dialogs, const QString& folder,
             QWidget* parent = nullptr)
      : MainWindow(port, clock, dialogs, DataFolders::portable(folder), parent) {}
  ~MainWindow() override;

  // Start values, port scan, settings record and the connection. Runs once,
  // right after the window is shown.
  void startUp();

  ModbusLink& link() { return *link_; }
  RegisterImage& image() { return image_; }
  Connection& connection() { return *connection_; }
  const SettingsRecord& currentRecord() const { return record_; }
  int bankOffset() const;
  // Puts equalizer values the processor holds into the pages.
  EqPageView& eqView() { return *eqView_; }
  // Which pages show what the processor holds.
  EqKnown eqKnown;

  // The pages, each building its own controls.
  CommunicationArea* communication = nullptr;
  VolumePage* volumePage = nullptr;
  std::array<ChannelPage*, kChannels> channelPages{};
  AutoEqPage* autoEqPage = nullptr;

  // Controls, named as the technician's documentation names them. Those of
  // the communication area, "音量调整" and "自动均衡" come with the bases; the
  // window's arrays gather what the channel pages and those pages built.
  QTabWidget* SSTab1 = nullptr;
  std::array<UserSlider*, kBandIndexes> Slider1{};
  std::array<QLineEdit*, 256> Text5{};  // 0..185 bands, 248 volume, 250..255 levels
  std::array<QLabel*, kBandIndexes> BandLabel{};
  std::array<QPushButton*, kChannels> CmdReadSingleCh{};
  std::array<QComboBox*, kChannels> CmbCopy{};
  std::array<QPushButton*, kChannels> CmdCopy{};
  std::array<QPushButton*, kChannels> CmdResetL{};
  std::array<QPushButton*, kChannels> Command11{};  // element 0 on "自动均衡", 1..5 on pages 1..5
  std::array<QPushButton*, kChannels> Command23{};
  QTimer* Data1Timer = nullptr;
  PeriodicTimer* Timer2 = nullptr;     // the periodic level reading
  PeriodicTimer* Timer5 = nullptr;     // first sweep
  PeriodicTimer* Timer6 = nullptr;     // second sweep
  PeriodicTimer* Timer7 = nullptr;     // final sweep
  PeriodicTimer* TimerRoom = nullptr;  // the whole-room run's sweeps
  // "全场均衡", built hidden with the window.
  RoomEqDialog* roomDialog = nullptr;

  // The measurement's state: curves, plot, lock, gains, passes, level range.
  MeasureState measure;
  // The last curve group number taken from the channel selector.
  int lastCurveGroup = 256;

 private:
  // ConnectionView
  void setPortListEnabled(bool enabled) override;
  int portEntryCount() const override;
  QString portEntry(int index) const override;
  void addPortEntry(const QString& text) override;
  void setPortEntryToolTip(int index, const QString& text) override;
  void setLinkState(const QString& text) override;
  QString shownLinkState() const override;
  // LinkIndicators
  void setProgress(int percent) override;
  QString goodCount() const override;
  void setGoodCount(const QString& text) override;
  QString failedCount() const override;
  void setFailedCount(const QString& text) override;

  void gatherControls();
  void wireOperations();
  void wireConsole();
  void wireMeasurement();
  void wireFiles();
  void wireMonitor();
  void wireReport();
  void wireSettingsFile();
  void wireRoom();

  // The processor holds `registers` on `channel` in the bank at `offset`, as
  // the tool wrote them: the channel's page follows while that bank is in force.
  void channelHeld(int channel, int offset, const std::array<int, kBands>& registers);

  // "读取全部均衡": the six pages of the bank in force read from the processor.
  void readBankEqualizers();
  // The pages among `channels` (bits 1 << c) that the processor answered for
  // in range count as read from `bank`; the others as unread, and a value no
  // equalizer step stands for is named.
  void takeChannelReads(int bank, const BlockRead::AllRead& reads, unsigned channels);
  // The port has just been opened: the window follows what the processor plays.
  void onLinkUp();
  // After a settings file's full write: mute, limiter, pink-noise channel and
  // fades, which the full write leaves alone. True when all were answered.
  bool writeWhatTheFullWriteLeaves();

  SettingsRecord recordFromControls() const;
  void showRecord(const SettingsRecord& record);
  void onData1Tick();
  void onReconnect();
  void onLinkDown();

  Clock& clock_;
  TickGate ticks_;
  GatedDialogs dialogs_;
  DataFolders folders_;
  // The port as the link sees it, with the line monitor listening.
  std::unique_ptr<WatchedPort> watchedPort_;
  std::unique_ptr<ModbusLink> link_;
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<EqPageView> eqView_;
  std::unique_ptr<EqLiveWrite> eqLive_;
  std::unique_ptr<LevelWrites> levels_;
  std::unique_ptr<InputMode> inputMode_;
  std::unique_ptr<BlockRead> blockRead_;
  std::unique_ptr<ChannelSwitches> switches_;
  std::unique_ptr<DelayCalculator> delays_;
  std::unique_ptr<MicZero> micZero_;
  std::unique_ptr<ProcessorWrite> writer_;
  std::unique_ptr<EqCopyReset> copyReset_;
  std::unique_ptr<TestSignals> testSignals_;
  std::unique_ptr<Measurement> measurement_;
  std::unique_ptr<CompensationSteps> compensation_;
  std::unique_ptr<AutoSequence> sequence_;
  std::unique_ptr<CurveDisplay> display_;
  FileStore files_;
  std::unique_ptr<ParameterFiles> parameterFiles_;
  std::unique_ptr<GroupCopy> groupCopy_;
  std::unique_ptr<EqualizerExtraction> extraction_;
  std::unique_ptr<CurveFiles> curveFiles_;
  std::unique_ptr<HallSettingsFiles> settingsFiles_;
  std::unique_ptr<TuningKeep> keep_;
  std::unique_ptr<RoomSequence> room_;
  // Owned by the window as Qt children.
  LineMonitorWindow* monitorWindow_ = nullptr;
  CommissioningReport* report_ = nullptr;
  RegisterImage image_;
  SettingsRecord record_;
  // A settings file was loaded and "数据写入DSP" has yet to send all of it.
  bool hallFileToWrite_ = false;
};

}  // namespace eqset
