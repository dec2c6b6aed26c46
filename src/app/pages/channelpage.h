#pragma once

#include <QWidget>
#include <array>

#include "params/registermap.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace eqset {

class UserSlider;

// One channel's equalizer page: 31 band strips (value box, slider, label) in
// two rows, bands 0..15 above and 16..30 below, and the channel's tools.
class ChannelPage : public QWidget {
  Q_OBJECT
 public:
  explicit ChannelPage(int channel, QWidget* parent = nullptr);

  int channel() const { return channel_; }

  // Indexed by band; their names carry the band index 31c + b.
  std::array<UserSlider*, kBands> sliders{};  // Slider1(31c + b)
  std::array<QLineEdit*, kBands> boxes{};     // Text5(31c + b)
  std::array<QLabel*, kBands> bandLabels{};   // BandLabel(31c + b)
  QPushButton* CmdReadSingleCh = nullptr;
  QComboBox* CmbCopy = nullptr;
  QPushButton* CmdCopy = nullptr;
  QPushButton* CmdResetL = nullptr;
  // Pages 1..5 carry the typed pink-noise commands; the left page has none.
  QPushButton* Command11 = nullptr;  // "粉噪输出"
  QPushButton* Command23 = nullptr;  // "粉噪停止"

 private:
  int channel_;
};

}  // namespace eqset
