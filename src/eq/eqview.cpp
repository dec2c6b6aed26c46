#include "eq/eqview.h"

#include <QLineEdit>
#include <QSlider>

namespace eqset {

EqPageView::EqPageView(const std::array<QSlider*, kBandIndexes>& sliders,
                       const std::array<QLineEdit*, kBandIndexes>& boxes)
    : sliders_(sliders), boxes_(boxes) {}

void EqPageView::showRegister(int bandIndex, int r) {
  if (bandIndex < 0 || bandIndex >= kBandIndexes) return;
  const auto i = static_cast<std::size_t>(bandIndex);
  // UserSlider reports user moves only, so setting the position sends nothing.
  sliders_[i]->setValue(conv::bandPositionFromRegister(r));
  boxes_[i]->setText(QString::number(conv::bandGainFromRegister(r)));
}

void EqPageView::showChannel(int channel, const std::array<int, kBands>& registers) {
  for (int b = 0; b < kBands; ++b)
    showRegister(equalizerRegister(channel, b), registers[static_cast<std::size_t>(b)]);
}

std::array<int, kBands> EqPageView::channelRegisters(int channel) const {
  std::array<int, kBands> out{};
  for (int b = 0; b < kBands; ++b) {
    out[static_cast<std::size_t>(b)] = conv::bandRegisterFromPosition(
        sliders_[static_cast<std::size_t>(equalizerRegister(channel, b))]->value());
  }
  return out;
}

}  // namespace eqset
