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

void InputMode::selectInput() {
  const Input selected = input();
  const int selectedIndex = selected == Input::DigitalA ? 0 : selected == Input::AnalogB ? 1 : 2;
  for (int k = 0; k < 3; ++k) {
    setBackColor(c_.inputs[static_cast<std::size_t>(k)],
                 k == selectedIndex ? colors::kSelected : colors::kUnselected);
  }
  link_.WriteRegister(reg::kInput, static_cast<int>(selected));
  link_.clock().sleep(kAfterInputMs);
  fullRead_();
  link_.pauseAfterReply(kAfterReadMs);
}

void InputMode::selectMode(int index) {
  link_.WriteRegister(reg::kMode, index);
  const bool unified = c_.modes[0]->isChecked();
  setBackColor(c_.modes[0], unified ? colors::kSelected : colors::kUnselected);
  setBackColor(c_.modes[1], unified ? colors::kUnselected : colors::kSelected);
  for (QWidget* w : c_.groupCopy)
    w->setEnabled(!unified);
  link_.pauseAfterReply(kAfterModeMs);
}

void InputMode::toggleAux() {
  int value = 1;
  if (c_.auxText->text() == statetext::kAuxAllowed) {
    c_.auxText->setText(statetext::kAuxForbidden);
    setBackColor(c_.auxText, colors::kToggled);
    value = 0;
  } else {
    c_.auxText->setText(statetext::kAuxAllowed);
    setBackColor(c_.auxText, colors::kDefaultState);
  }
  link_.WriteRegister(reg::kAuxTo51, value);
  link_.pauseAfterReply(kAfterAuxMs);
}

}  // namespace eqset
