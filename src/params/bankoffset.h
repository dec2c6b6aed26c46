#pragma once

namespace eqset {

// The three inputs, with the code the processor knows them by (register 262).
enum class Input { DigitalA = 1, AnalogB = 2, Auxiliary = 4 };
// Processing mode (register 288).
enum class Mode { Unified = 0, ThreeGroups = 1 };

// The per-input register banks: digital input (and analog A) from 0, analog
// input B from 300, the auxiliary input from 600 up to the measurement
// registers at 900.
constexpr int kBankAnalogB = 300;
constexpr int kBankAuxiliary = 600;
constexpr int kBanksEnd = 900;

// Where the per-input registers of the selected input live: 0, 300 or 600.
// In unified mode every input uses the first set.
constexpr int bankOffset(Mode mode, Input input) {
  if (mode == Mode::Unified) return 0;
  switch (input) {
    case Input::AnalogB:
      return kBankAnalogB;
    case Input::Auxiliary:
      return kBankAuxiliary;
    case Input::DigitalA:
      break;
  }
  return 0;
}

// An address of the analog-B or auxiliary bank taken back to bank 0; any
// other address as it is.
constexpr int bankZeroAddress(int address) {
  if (address >= kBankAuxiliary && address < kBanksEnd) return address - kBankAuxiliary;
  if (address >= kBankAnalogB && address < kBankAuxiliary) return address - kBankAnalogB;
  return address;
}

}  // namespace eqset
