#pragma once

#include <array>
#include <functional>
#include <optional>

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

  // `fullRead`: "读取DSP数据" after an input switch. `bankChanged`: the bank
  // in force may have changed (a switch by the technician, or what the
  // processor turned out to play); its pages must be read again.
  InputMode(ModbusLink& link, const Controls& controls, std::function<void()> fullRead,
            std::function<void()> bankChanged);

  void selectInput();
  void selectMode(int index);
  void toggleAux();

  // What the processor plays: input (262) and mode (288) read and shown,
  // program-set, nothing written. True when both answered with codes the
  // processor knows; otherwise the window's selection stays and nothing is
  // known of what plays.
  bool followProcessor();
  // The bank the processor was last seen or told to play, if known.
  std::optional<int> playingBank() const;
  // False while the window stands for a bank the processor does not play
  // (a settings file loaded, not yet written): a write to the bank-0 addresses
  // would land in the bank that plays.
  bool windowPlays() const;
  // The input and mode the window shows now were sent and answered.
  void selectionWritten();

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

  // After a write of 262 or 288 the processor plays what it says it plays:
  // an unanswered write may or may not have switched it.
  void afterSelectionWrite();

  ModbusLink& link_;
  Controls c_;
  std::function<void()> fullRead_;
  std::function<void()> bankChanged_;
  std::optional<Input> playingInput_;
  std::optional<Mode> playingMode_;
};

}  // namespace eqset
