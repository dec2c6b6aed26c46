#include "files/fileformats.h"

#include <cmath>

#include "params/registermap.h"

namespace eqset {

namespace paramfile {

namespace {

// The largest offset a bank and the shared block reach, one past the end.
int neededBytes(int bankOffset) {
  return std::max(bankEnd(bankOffset), kSharedEnd);
}

void putByte(QByteArray& bytes, int offset, int value) {
  if (bytes.size() <= offset) bytes.resize(offset + 1, '\0');  // a gap fills with zeros
  bytes[offset] = static_cast<char>(static_cast<std::uint8_t>(value));
}

int byteAt(const QByteArray& bytes, int offset) {
  return static_cast<std::uint8_t>(bytes[offset]);
}

}  // namespace

std::variant<QByteArray, Refusal> save(const QByteArray& existing, const RegisterImage& image,
                                       int bankOffset) {
  for (int cell = 0; cell < kSharedEnd; ++cell) {
    const int v = image.at(cell);
    if (v < 0 || v > 255) {
      return Refusal{
          QStringLiteral("寄存器%1的值%2超出一个字节(0..255)，文件没有改动。").arg(cell).arg(v)};
    }
  }
  QByteArray bytes = existing;
  if (bankOffset != 0) {
    for (int cell = 0; cell < kBankCells; ++cell)
      putByte(bytes, bankOffset + cell, image.at(cell));
    for (int cell = kSharedFirst; cell < kSharedEnd; ++cell)
      putByte(bytes, cell, image.at(cell));
  } else {
    for (int cell = 0; cell < kSharedEnd; ++cell)
      putByte(bytes, cell, image.at(cell));
  }
  return bytes;
}

std::optional<Refusal> load(const QByteArray& file, int bankOffset, RegisterImage& image) {
  if (file.size() < neededBytes(bankOffset)) {
    return Refusal{QStringLiteral("文件只有%1字节，不含当前输入的参数(需要%2字节)，没有读取。")
                       .arg(file.size())
                       .arg(neededBytes(bankOffset))};
  }
  for (int cell = 0; cell < kBankCells; ++cell)
    image.set(cell, static_cast<std::int16_t>(byteAt(file, bankOffset + cell)));
  for (int cell = kSharedFirst; cell < kSharedEnd; ++cell)
    image.set(cell, static_cast<std::int16_t>(byteAt(file, cell)));
  return std::nullopt;
}

std::variant<QByteArray, Refusal> copyBank(const QByteArray& file, int fromBank, int toBank) {
  if (file.size() < neededBytes(fromBank)) {
    return Refusal{QStringLiteral("文件只有%1字节，不含源数据(需要%2字节)，没有拷贝。")
                       .arg(file.size())
                       .arg(neededBytes(fromBank))};
  }
  QByteArray bytes = file;
  for (int cell = 0; cell < kBankCells; ++cell)
    putByte(bytes, toBank + cell, byteAt(file, fromBank + cell));
  return bytes;
}

}  // namespace paramfile

namespace curvefile {

namespace {
constexpr int kAreas = 6;
constexpr int kHighestHighByte = 96;
constexpr double kMaxValue = 32767;

int offsetOf(int channel, int slot) {
  return 62 * channel + 2 * (slot - 1);
}
}  // namespace

std::variant<QByteArray, paramfile::Refusal> save(const QByteArray& existing,
                                                  const CurveStore& curves) {
  QByteArray bytes = existing;
  if (bytes.size() < kFileBytes) bytes.resize(kFileBytes, '\0');
  const auto& captions = channelPageCaptions();
  for (int c = 0; c < kAreas; ++c) {
    for (int slot = 1; slot <= kBands; ++slot) {
      const float level = curves.areas[static_cast<std::size_t>(c)][static_cast<std::size_t>(slot)];
      const double v = std::nearbyint(static_cast<double>(level) * 100);  // halves to even
      if (!(v >= 0 && v <= kMaxValue)) {
        const auto& name = captions[static_cast<std::size_t>(c)];
        const auto& band = bandTable()[static_cast<std::size_t>(slot - 1)].label;
        return paramfile::Refusal{
            QStringLiteral("%1 %2 的曲线值%3dB超出0..327.67dB，文件没有改动。")
                .arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                     QString::fromUtf8(band.data(), static_cast<qsizetype>(band.size())))
                .arg(static_cast<double>(level))};
      }
      const auto value = static_cast<int>(v);
      bytes[offsetOf(c, slot)] = static_cast<char>(value / 256);
      bytes[offsetOf(c, slot) + 1] = static_cast<char>(value % 256);
    }
  }
  for (int k = kValuesBytes; k < kFileBytes; ++k)
    bytes[k] = '\0';
  return bytes;
}

std::optional<paramfile::Refusal> load(const QByteArray& file, CurveStore& curves) {
  if (file.size() < kValuesBytes) {
    return paramfile::Refusal{QStringLiteral("曲线文件只有%1字节(需要%2字节)，没有读取。")
                                  .arg(file.size())
                                  .arg(kValuesBytes)};
  }
  for (int c = 0; c < kAreas; ++c) {
    for (int slot = 1; slot <= kBands; ++slot) {
      int high = static_cast<std::uint8_t>(file[offsetOf(c, slot)]);
      const int low = static_cast<std::uint8_t>(file[offsetOf(c, slot) + 1]);
      if (high > kHighestHighByte) high = 0;  // no level of this tool reaches that far
      curves.areas[static_cast<std::size_t>(c)][static_cast<std::size_t>(slot)] =
          static_cast<float>(std::nearbyint((high * 256 + low) / 100.0));
    }
  }
  return std::nullopt;
}

}  // namespace curvefile

}  // namespace eqset
