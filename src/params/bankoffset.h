#pragma once

namespace eqset {

// The three inputs, with the code the processor knows them by (register 262).
enum class Input { DigitalA = 1, AnalogB = 2, Auxiliary = 4 };
// Processing mode (register 288).
enum class Mode { Unified = 0, ThreeGroups = 1 };

// Where the per-input registers of the selected input live: 0, 300 or 600.
// In unified mode every input uses the first set.
constexpr int bankOffset(Mode mode, Input input) {
  if (mode == Mode::Unified) return 0;
  switch (input) {
    case Input::AnalogB:
      return 300;
    case Input::Auxiliary:
      return 600;
    case Input::DigitalA:
      break;
  }
  return 0;
}

}  // namespace eqset
