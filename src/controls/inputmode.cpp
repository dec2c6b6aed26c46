#include "controls/inputmode.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "controls/backcolor.h"
#include "params/registermap.h"
#include "params/statetexts.h"

namespace eqset {

InputMode::InputMode(ModbusLink& link, const Controls& controls, std::function<void()> fullRead)
    : link_(link), c_(controls), fullRead_(std::move(fullRead)) {}

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
  link_.WriteRegister(reg::kInput, static_cast<int>(selected));
  link_.clock().sleep(kAfterInputMs);
  fullRead_();
  link_.pauseAfterReply(kAfterReadMs);
}

void InputMode::selectMode(int index) {
  link_.WriteRegister(reg::kMode, index);
  showModeChoice();
  link_.pauseAfterReply(kAfterModeMs);
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
