#pragma once

#include <QWidget>
#include <array>

#include "params/registermap.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace eqset {

class BandEdit;
class CurveGraph;
class EntryBox;
class NumEdit;

// The controls of "自动均衡" the window shares, under their documented names.
struct AutoEqControls {
  // Graph and channel.
  CurveGraph* CWGraph1 = nullptr;
  std::array<BandEdit*, kBands> FreqNum{};
  QPushButton* Command14 = nullptr;
  QPushButton* Command15 = nullptr;
  QPushButton* Command16 = nullptr;
  QPushButton* Command17 = nullptr;
  QSpinBox* GroupNum = nullptr;
  QPushButton* Command26 = nullptr;
  QPushButton* Command27 = nullptr;
  QPushButton* CmdReport = nullptr;
  QPushButton* CmdSaveGraph = nullptr;
  QLabel* Label11 = nullptr;
  // Automatic sequence.
  QPushButton* CmdTest2 = nullptr;
  QLabel* Label12 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command24 = nullptr;
  QPushButton* CmdRoomEq = nullptr;
  QPushButton* CmdRestoreEq = nullptr;
  // Manual steps.
  QPushButton* Command8 = nullptr;
  QPushButton* Command18 = nullptr;
  QPushButton* Command9 = nullptr;
  QPushButton* Command22 = nullptr;
  QPushButton* Command10 = nullptr;
  QPushButton* Command20 = nullptr;
  QPushButton* Command21 = nullptr;
  QComboBox* Combo3 = nullptr;
  // Test signals and readings.
  QComboBox* Combo4 = nullptr;
  QPushButton* CmdTest1 = nullptr;
  QPushButton* Command3 = nullptr;
  QLineEdit* Text3 = nullptr;
  EntryBox* Text4 = nullptr;
  QPushButton* Command6 = nullptr;
  QPushButton* Command7 = nullptr;
  QLineEdit* Text7 = nullptr;
  QPushButton* Command19 = nullptr;
  QLineEdit* Text6 = nullptr;
  QLineEdit* Text8 = nullptr;
  // Levels and microphone.
  std::array<NumEdit*, kChannels> CWNumEdit1{};
  EntryBox* Text10 = nullptr;
};

// "自动均衡": the graph of the channel being tuned with its band edits, the
// channel selector, the automatic sequence, the manual steps, the test
// signals, the numeric level boxes and the microphone zero.
class AutoEqPage : public QWidget, public AutoEqControls {
  Q_OBJECT
 public:
  explicit AutoEqPage(QWidget* parent = nullptr);

  // Command11(0) and Command23(0); the channel pages carry 1..5.
  QPushButton* Command11 = nullptr;
  QPushButton* Command23 = nullptr;

 private:
  QWidget* buildGraph();
  QWidget* buildSequenceAndSteps();
  QWidget* buildSignals();
  QWidget* buildLevelsAndMicrophone();
};

}  // namespace eqset
