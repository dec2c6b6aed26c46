#pragma once

#include <array>
#include <cstdint>

namespace eqset {

// The tool's copy of processor registers, indexed by address: filled by the
// block read and the parameter-file load, read by the value boxes and the
// parameter-file save. Not a cache of the whole processor.
class RegisterImage {
 public:
  static constexpr int kSize = 1501;

  std::int16_t at(int address) const { return cells_.at(static_cast<std::size_t>(address)); }
  void set(int address, std::int16_t value) {
    cells_.at(static_cast<std::size_t>(address)) = value;
    filled_.at(static_cast<std::size_t>(address)) = true;
  }
  // Whether the processor or a file ever put a value into the cell; one still
  // at its start value says nothing about the processor.
  bool filled(int address) const { return filled_.at(static_cast<std::size_t>(address)); }
  // Stores a value read from the line; one that does not fit a signed 16-bit
  // cell (0x8000 and up) leaves the cell as it was. Returns whether it stored.
  bool storeRead(int address, int value);

 private:
  std::array<std::int16_t, kSize> cells_{};
  std::array<bool, kSize> filled_{};
};

}  // namespace eqset
