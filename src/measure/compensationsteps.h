#pragma once

#include <QString>
#include <array>
#include <functional>

#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "measure/measuredata.h"

namespace eqset {

class BandEdit;

// The three steps that turn a measured curve into equalizer settings: the
// relative compensation against the target, the absolute gains, and their
// write. The band edits carry the values from one step to the next.
class CompensationSteps {
 public:
  struct Sources {
    std::function<int()> channel;  // GroupNum
    std::function<int()> bankOffset;
    std::function<QString()> targetText;  // Combo3
    std::function<void()> redraw;
    std::function<void()> fullRead;  // "读取DSP数据"
    // The 31 register values just written to `channel`: its page follows.
    std::function<void(int channel, const std::array<int, kBands>& values)> written;
  };
  static constexpr int kWriteWaitMs = 200;
  static constexpr int kAfterWriteMs = 500;

  CompensationSteps(ModbusLink& link, Dialogs& dialogs, MeasureState& state,
                    const std::array<BandEdit*, kBands>& bands, Sources sources);

  void relative();  // "计算相对补偿"
  void absolute();  // "计算绝对补偿"
  void write();     // "第五步写DSP"
  // The write alone, without the wait and the read-back that follow it.
  enum class WriteResult { Refused, Written, NoReply };
  WriteResult writeChannel();
  // "+" and "-": the reference offset, then the relative compensation again.
  void referenceUp();
  void referenceDown();

 private:
  ModbusLink& link_;
  Dialogs& dialogs_;
  MeasureState& state_;
  std::array<BandEdit*, kBands> bands_;
  Sources s_;
};

}  // namespace eqset
