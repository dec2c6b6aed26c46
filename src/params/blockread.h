#pragma once

#include <QString>
#include <functional>

#include "link/modbuslink.h"
#include "params/registerimage.h"

namespace eqset {

// Reads registers 0..15 into the image and shows them, unconverted, in the
// first sixteen value boxes.
class BlockRead {
 public:
  static constexpr int kCount = 16;
  // Shows image element i in its box.
  using ShowValue = std::function<void(int index, const QString& text)>;

  BlockRead(ModbusLink& link, RegisterImage& image, ShowValue show);

  void ReadBlock();
  void ShowBlock();
  // "读取DSP数据": reopen the port, read, show.
  void fullRead();

 private:
  ModbusLink& link_;
  RegisterImage& image_;
  ShowValue show_;
};

}  // namespace eqset
