#pragma once

#include <QRadioButton>
#include <array>
#include <cstddef>

namespace eqset {

// The index of the chosen button of a group; -1 when none is.
template <std::size_t N>
int chosenIndex(const std::array<QRadioButton*, N>& buttons) {
  for (std::size_t k = 0; k < N; ++k)
    if (buttons[k]->isChecked()) return static_cast<int>(k);
  return -1;
}

}  // namespace eqset
