#include "controls/inputmode.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "controls/backcolor.h"
#include "params/registermap.h"
#include "params/statetexts.h"

namespace eqset {

InputMode::InputMode(ModbusLink& link, const Controls& controls, std::function<void()> fullRead,
                     std::function<void()> bankChanged)
    : link_(link),
      c_(controls),
      fullRead_(std::move(fullRead)),
      bankChanged_(std::move(bankChanged)) {}

Input InputMode::input() const {
  if (c_.inputs[0]->isChecked()) return Input::DigitalA;
  if (c_.inputs[1]->isChecked()) return Input::AnalogB;
  if (c_.inputs[2]->isChecked()) return Input::Auxiliary;
  return Input::DigitalA;
}

Mode InputMode::mode() const {
  return c_.modes[0]->isChecked() ? Mode::Unified : Mode::ThreeGroups;
}

namespace {

int indexOf(Input input) {
  return input == Input::DigitalA ? 0 : input == Input::AnalogB ? 1 : 2;
}

constexpr int kSelectionWaitMs = 200;
constexpr int kAfterSelectionReadMs = 100;

std::optional<Input> inputFromCode(int code) {
  for (Input i : {Input::DigitalA, Input::AnalogB, Input::Auxiliary}) {
    if (code == static_cast<int>(i)) return i;
  }
  return std::nullopt;
}

std::optional<Mode> modeFromCode(int code) {
  for (Mode m : {Mode::Unified, Mode::ThreeGroups}) {
    if (code == static_cast<int>(m)) return m;
  }
  return std::nullopt;
}

}  // namespace

void InputMode::colourInputs() {
  const int selectedIndex = indexOf(input());
  for (int k = 0; k < 3; ++k) {
    setBackColor(c_.inputs[static_cast<std::size_t>(k)],
                 k == selectedIndex ? colors::kSelected : colors::kUnselected);
  }
}

void InputMode::showModeChoice() {
  const bool unified = c_.modes[0]->isChecked();
  setBackColor(c_.modes[0], unified ? colors::kSelected : colors::kUnselected);
  setBackColor(c_.modes[1], unified ? colors::kUnselected : colors::kSelected);
  for (QWidget* w : c_.groupCopy)
    w->setEnabled(!unified);
}

void InputMode::selectInput() {
  const Input selected = input();
  colourInputs();
  const bool answered = link_.WriteRegister(reg::kInput, static_cast<int>(selected));
  link_.clock().sleep(kAfterInputMs);
  fullRead_();
  link_.pauseAfterReply(kAfterReadMs);
  if (answered) {
    playingInput_ = selected;
  } else {
    afterSelectionWrite();
  }
  if (bankChanged_) bankChanged_();
}

void InputMode::selectMode(int index) {
  const bool answered = link_.WriteRegister(reg::kMode, index);
  showModeChoice();
  link_.pauseAfterReply(kAfterModeMs);
  if (answered) {
    playingMode_ = mode();
  } else {
    afterSelectionWrite();
  }
  if (bankChanged_) bankChanged_();
}

void InputMode::afterSelectionWrite() {
  if (followProcessor()) return;
  playingInput_.reset();
  playingMode_.reset();
}

std::optional<int> InputMode::playingBank() const {
  if (!playingInput_ || !playingMode_) return std::nullopt;
  return eqset::bankOffset(*playingMode_, *playingInput_);
}

bool InputMode::windowPlays() const {
  const auto playing = playingBank();
  return !playing || *playing == bankOffset();
}

void InputMode::selectionWritten() {
  playingInput_ = input();
  playingMode_ = mode();
}

bool InputMode::followProcessor() {
  // One request from 262 to 288: the input, the shared settings between,
  // and the mode.
  constexpr int count = reg::kMode - reg::kInput + 1;
  const bool good =
      link_.readRegisters(reg::kInput, count, kSelectionWaitMs) == ModbusLink::ReadOutcome::Good;
  link_.pauseAfterReply(kAfterSelectionReadMs);
  if (!good) return false;
  const auto input = inputFromCode(link_.replyRegister(0));
  const auto mode = modeFromCode(link_.replyRegister(count - 1));
  if (!input || !mode) return false;
  showSelection(*input, *mode);
  playingInput_ = input;
  playingMode_ = mode;
  return true;
}

void InputMode::toggleAux() {
  const bool allowed = c_.auxText->text() != statetext::kAuxAllowed;
  showAux(allowed);
  link_.WriteRegister(reg::kAuxTo51, allowed ? 1 : 0);
  link_.pauseAfterReply(kAfterAuxMs);
}

void InputMode::showSelection(Input input, Mode mode) {
  c_.inputs[static_cast<std::size_t>(indexOf(input))]->setChecked(true);
  c_.modes[mode == Mode::Unified ? 0 : 1]->setChecked(true);
  colourInputs();
  showModeChoice();
}

void InputMode::showAux(bool allowed) {
  c_.auxText->setText(allowed ? statetext::kAuxAllowed : statetext::kAuxForbidden);
  setBackColor(c_.auxText, allowed ? colors::kDefaultState : colors::kToggled);
}

}  // namespace eqset
