#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

#include "params/registermap.h"

namespace eqset {

// State texts the window shows in its read-only boxes; the full write reads
// the processor's settings back from them.
namespace statetext {
inline const QString kPolarityNormal = QStringLiteral("正相");
inline const QString kPolarityInverted = QStringLiteral("反相");
inline const QString kAuxAllowed = QStringLiteral("允许");
inline const QString kAuxForbidden = QStringLiteral("禁止");

// The channels as the tuning texts, the dialogs and the report name them.
inline const std::array<QString, kChannels>& channelNames() {
  static const std::array<QString, kChannels> names = {
      QStringLiteral("左"),     QStringLiteral("右"),   QStringLiteral("中置"),
      QStringLiteral("次低频"), QStringLiteral("左环"), QStringLiteral("右环")};
  return names;
}

inline QString channelName(int channel) {
  return channelNames()[static_cast<std::size_t>(channel)];
}

// "左、右": the names of the channels, in the order given.
inline QString channelList(const std::vector<int>& channels) {
  QStringList names;
  for (int c : channels) {
    if (c >= 0 && c < kChannels) names << channelNames()[static_cast<std::size_t>(c)];
  }
  return names.join(QStringLiteral("、"));
}

// The input and mode that put a bank in force, as the buttons name them.
inline QString bankName(int bankOffset) {
  if (bankOffset == 300) return QStringLiteral("模拟输入(模拟B)，三组独立音频处理");
  if (bankOffset == 600) return QStringLiteral("辅助输入，三组独立音频处理");
  return QStringLiteral("数字输入(模拟A)");
}
}  // namespace statetext

}  // namespace eqset
