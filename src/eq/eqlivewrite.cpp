#include "eq/eqlivewrite.h"

#include <QLineEdit>
#include <QSlider>
#include <cmath>

#include "controls/backcolor.h"

namespace eqset {

EqLiveWrite::EqLiveWrite(ModbusLink& link, const std::array<QSlider*, kBandIndexes>& sliders,
                         const std::array<QLineEdit*, kBandIndexes>& boxes,
                         std::function<bool()> windowPlays)
    : link_(link), sliders_(sliders), boxes_(boxes), windowPlays_(std::move(windowPlays)) {}

void EqLiveWrite::onUserMove(int i, int position) {
  const int r = conv::bandRegisterFromPosition(position);
  if (windowPlays_ && !windowPlays_()) {
    boxes_[static_cast<std::size_t>(i)]->setText(QString::number(conv::bandGainFromRegister(r)));
    return;
  }
  const auto echo = link_.writeSingleEchoed(i, r, kPauseMs);
  if (echo)
    boxes_[static_cast<std::size_t>(i)]->setText(
        QString::number(conv::bandGainFromRegister(*echo)));
}

void EqLiveWrite::focusGained(int i) {
  QLineEdit* box = boxes_[static_cast<std::size_t>(i)];
  QFont font = box->font();
  savedPointSize_ = static_cast<int>(std::lround(font.pointSizeF()));
  font.setBold(true);
  font.setPointSize(kFocusPointSize);
  box->setFont(font);
  setBackColor(box, colors::kFocusBand);
}

void EqLiveWrite::focusLost(int i) {
  QLineEdit* box = boxes_[static_cast<std::size_t>(i)];
  QFont font = box->font();
  font.setBold(false);
  if (savedPointSize_ > 0) font.setPointSize(savedPointSize_);
  box->setFont(font);
  resetBackColor(box);
}

}  // namespace eqset
