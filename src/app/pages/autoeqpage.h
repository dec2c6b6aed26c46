#pragma once

#include <QWidget>
#include <array>

#include "params/registermap.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace eqset {

class EntryBox;
class NumEdit;

// "自动均衡": the numeric level boxes, the target and signal choices, the
// microphone zero and the manual tuning steps.
class AutoEqPage : public QWidget {
  Q_OBJECT
 public:
  explicit AutoEqPage(QWidget* parent = nullptr);

  std::array<NumEdit*, kChannels> CWNumEdit1{};
  QComboBox* Combo3 = nullptr;
  QComboBox* Combo4 = nullptr;
  EntryBox* Text10 = nullptr;
  QPushButton* Command18 = nullptr;
  QPushButton* Command9 = nullptr;
  QPushButton* Command22 = nullptr;
  QPushButton* Command10 = nullptr;
};

}  // namespace eqset
