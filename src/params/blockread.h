#pragma once

#include <QString>
#include <array>
#include <functional>

#include "link/modbuslink.h"
#include "params/registerimage.h"
#include "params/registermap.h"

namespace eqset {

// Reads the processor's equalizer registers into the image and the window:
// the first sixteen (the block behind "读取DSP数据"), or whole channels.
class BlockRead {
 public:
  static constexpr int kCount = 16;
  static constexpr int kChannelWaitMs = 200;
  // Shows image element i, a band's register value, in its box.
  using ShowValue = std::function<void(int index, const QString& text)>;
  // A register value the processor sent for band index i (31c + b): the
  // window puts it into the band's slider and box.
  using BandRead = std::function<void(int bandIndex, int value)>;

  BlockRead(ModbusLink& link, RegisterImage& image, ShowValue show, BandRead bandRead);

  // Registers 0..15 into the image; the bands read are shown at once.
  void ReadBlock();
  // Image elements 0..15 in their boxes, as gains in dB; an element that
  // neither the processor nor a file ever filled leaves its box as it is.
  void ShowBlock();
  // "读取DSP数据": reopen the port, read, show.
  void fullRead();

  // What one channel's read brought: whether the processor answered, and the
  // first band whose value no equalizer step stands for (outside 0..30).
  struct ChannelRead {
    bool answered = false;
    int outsideBand = -1;
    int outsideValue = 0;
    // The page now shows what the processor holds, band for band.
    bool good() const { return answered && outsideBand < 0; }
  };
  using AllRead = std::array<ChannelRead, kChannels>;

  // The 31 bands of one channel at bankOffset + 31 * channel, one request,
  // on a port the caller made fresh.
  ChannelRead ReadChannel(int channel, int bankOffset);
  // "读取单通道数据" on the page of `channel`.
  ChannelRead channelRead(int channel, int bankOffset);
  // "读取全部均衡": every channel, one request each.
  AllRead allChannelsRead(int bankOffset);

 private:
  ModbusLink& link_;
  RegisterImage& image_;
  ShowValue show_;
  BandRead bandRead_;
};

}  // namespace eqset
