#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "params/processorwrite.h"
#include "params/registermap.h"

class QComboBox;
class QLineEdit;
class QSlider;

namespace eqset {

// The source channel that the copy list's entry `text` names on the page of
// channel `destination`: each page offers its two natural siblings. The
// subwoofer never receives a copy; a text that is no entry of the page names
// nothing.
std::optional<int> copySource(int destination, const QString& text);

// The two editing aids of a channel page: take another channel's 31 bands, or
// set all bands flat. Both move the sliders by program (which sends nothing)
// and then write the whole channel in one frame.
class EqCopyReset {
 public:
  struct Controls {
    std::array<QSlider*, kBandIndexes> sliders{};
    std::array<QLineEdit*, kBandIndexes> boxes{};
    std::array<QComboBox*, kChannels> copyLists{};
  };
  static constexpr int kAfterResetMs = 500;

  EqCopyReset(ModbusLink& link, Dialogs& dialogs, ProcessorWrite& writer, const Controls& controls,
              std::function<void()> fullRead);

  // "执行拷贝" on the page of channel `destination`.
  void copyInto(int destination);
  // "复位到0dB" on the page of channel `channel`.
  void reset(int channel);

 private:
  ModbusLink& link_;
  Dialogs& dialogs_;
  ProcessorWrite& writer_;
  Controls c_;
  std::function<void()> fullRead_;
};

}  // namespace eqset
