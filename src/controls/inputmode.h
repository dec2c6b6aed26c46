#pragma once

#include <array>
#include <functional>

#include "link/modbuslink.h"
#include "params/bankoffset.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace eqset {

// The input buttons, the processing-mode buttons and the auxiliary-to-5.1
// switch. Their selection also decides the bank every per-input register of
// the other operations goes to.
class InputMode {
 public:
  struct Controls {
    std::array<QRadioButton*, 3> inputs{};  // digital/A, analog B, auxiliary
    std::array<QRadioButton*, 2> modes{};   // unified, three groups
    QPushButton* auxButton = nullptr;
    QLineEdit* auxText = nullptr;
    std::array<QWidget*, 3> groupCopy{};  // enabled only in three-group mode
  };
  static constexpr int kAfterInputMs = 500;
  static constexpr int kAfterReadMs = 100;
  static constexpr int kAfterModeMs = 70;
  static constexpr int kAfterAuxMs = 100;

  InputMode(ModbusLink& link, const Controls& controls, std::function<void()> fullRead);

  void selectInput();
  void selectMode(int index);
  void toggleAux();

  // Shows a selection the window takes from elsewhere (a settings file): the
  // buttons are chosen and coloured as the technician's own choice would show
  // them, and the group copy follows the mode, but nothing is written; the
  // technician sends it when ready.
  void showSelection(Input input, Mode mode);
  void showAux(bool allowed);

  Input input() const;
  Mode mode() const;
  int bankOffset() const { return eqset::bankOffset(mode(), input()); }

 private:
  void colourInputs();
  void showModeChoice();

  ModbusLink& link_;
  Controls c_;
  std::function<void()> fullRead_;
};

}  // namespace eqset
