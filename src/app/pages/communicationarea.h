#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace eqset {

// The communication area's controls, under their documented names; the
// window shares them.
struct CommunicationControls {
  QLabel* Label9 = nullptr;
  QComboBox* Combo2 = nullptr;
  QPushButton* Command25 = nullptr;
  QPushButton* Command1 = nullptr;
  QLabel* ComState = nullptr;
  QLabel* Label18 = nullptr;
  QLineEdit* Text13 = nullptr;
  QLabel* Label20 = nullptr;
  QLineEdit* Text14 = nullptr;
  QPushButton* Command5 = nullptr;
  QPushButton* CmdReadHardL = nullptr;
  QPushButton* CmdReadAllEq = nullptr;
  QPushButton* CmdWriteToMcu = nullptr;
  QPushButton* CmdMonitor = nullptr;
  QCheckBox* ChkFastLink = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};

// The strip under the pages: port list, link state, counters, progress bar and
// the buttons that read or write the whole processor. Visible on every page.
class CommunicationArea : public QWidget, public CommunicationControls {
  Q_OBJECT
 public:
  explicit CommunicationArea(QWidget* parent = nullptr);
};

}  // namespace eqset
