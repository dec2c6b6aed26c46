#pragma once

#include <QWidget>
#include <array>

#include "params/registermap.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace eqset {

class UserSlider;
class PointerSlide;

// "音量调整": inputs and processing mode, master volume, channel levels and
// fades.
class VolumePage : public QWidget {
  Q_OBJECT
 public:
  explicit VolumePage(QWidget* parent = nullptr);

  std::array<QRadioButton*, 3> Option5{};
  std::array<QRadioButton*, 2> Option3{};
  QPushButton* CmdAuxOut6 = nullptr;
  QLineEdit* TxtAuxOut6 = nullptr;
  std::array<QComboBox*, 2> CmbGroupCopy{};
  QPushButton* CmdGroupCopy = nullptr;
  UserSlider* Slider2 = nullptr;
  QLineEdit* volumeBox = nullptr;  // Text5(248)
  std::array<UserSlider*, kChannels> Slider3{};
  std::array<QLineEdit*, kChannels> levelBoxes{};  // Text5(250..255)
  std::array<PointerSlide*, 2> CWSlide1{};
  std::array<QLabel*, 2> Label21{};

 private:
  QWidget* buildInputsAndModes();
  QWidget* buildVolumeAndFades();
  QWidget* buildLevels();
};

}  // namespace eqset
