#pragma once

#include <QWidget>
#include <array>

#include "params/registermap.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace eqset {

class UserSlider;
class PointerSlide;

// The controls of "音量调整" the window shares, under their documented names.
struct VolumeControls {
  std::array<QRadioButton*, 3> Option5{};
  std::array<QRadioButton*, 2> Option3{};
  QPushButton* CmdAuxOut6 = nullptr;
  QLineEdit* TxtAuxOut6 = nullptr;
  std::array<QComboBox*, 2> CmbGroupCopy{};
  QPushButton* CmdGroupCopy = nullptr;
  UserSlider* Slider2 = nullptr;
  QCheckBox* Check3 = nullptr;
  std::array<UserSlider*, kChannels> Slider3{};
  std::array<QPushButton*, kChannels> CmdInvert{};
  std::array<QLineEdit*, kChannels> TxtInvert{};
  std::array<PointerSlide*, 2> CWSlide1{};
  std::array<QLabel*, 2> Label21{};
  std::array<QRadioButton*, kChannels> Option1{};
  QLabel* Label7 = nullptr;
  QPushButton* CmdFZ = nullptr;
  QLineEdit* TxtFenZao = nullptr;
  std::array<QRadioButton*, 3> Option2{};
  std::array<QLineEdit*, 2> Text2{};
  std::array<QLineEdit*, kChannels> Text1{};
  QPushButton* Command2 = nullptr;
  // Files.
  QPushButton* CmdSave = nullptr;
  QPushButton* CmdReadPCToWindows = nullptr;
  QPushButton* CmdSaveAll = nullptr;
  QPushButton* CmdLoadAll = nullptr;
  std::array<QRadioButton*, 2> Option14{};
  std::array<QCheckBox*, 8> Check1{};
  QPushButton* Command34 = nullptr;
  QPushButton* Command36 = nullptr;
};

// "音量调整": inputs and processing mode, master volume and mute, channel
// levels and polarity, fades, the pink-noise channel, the limiter and the
// delay calculator.
class VolumePage : public QWidget, public VolumeControls {
  Q_OBJECT
 public:
  explicit VolumePage(QWidget* parent = nullptr);

  // The volume and level boxes; the window files them as Text5(248) and
  // Text5(250..255).
  QLineEdit* volumeBox = nullptr;
  std::array<QLineEdit*, kChannels> levelBoxes{};

 private:
  QWidget* buildInputsAndModes();
  QWidget* buildVolumeAndFades();
  QWidget* buildNoise();
  QWidget* buildLimiter();
  QWidget* buildDelays();
  QWidget* buildLevels();
  QWidget* buildParameterFile();
  QWidget* buildSettingsFile();
  QWidget* buildExtraction();
};

}  // namespace eqset
