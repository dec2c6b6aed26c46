#pragma once

#include <QDialog>
#include <array>

#include "measure/measuredata.h"
#include "params/registermap.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace eqset {

class CurveGraph;

// "全场均衡": which channels, how many measurement positions, start and stop,
// and what the run has measured so far: the graph of the channel in hand with
// each position's curve, the average and the target, and a table of every
// channel's figures.
class RoomEqDialog : public QDialog {
  Q_OBJECT
 public:
  explicit RoomEqDialog(QWidget* parent = nullptr);

  std::array<QCheckBox*, kChannels> ChkRoomCh{};
  QSpinBox* SpinRoomPos = nullptr;
  QPushButton* CmdRoomStart = nullptr;
  QPushButton* CmdRoomStop = nullptr;
  QPushButton* CmdRoomRestore = nullptr;
  QLabel* LblRoomState = nullptr;
  CurveGraph* RoomGraph = nullptr;
  QTableWidget* TblRoom = nullptr;

  // Shows the run's record: the graph of `channel`, the table of all, with
  // the target curve named by `targetText`.
  void showRun(const RoomRun& run, int channel, const QString& targetText);

 signals:
  // The technician closed the dialog: a run stops.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
};

}  // namespace eqset
