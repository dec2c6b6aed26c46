#include "monitor/framedecoder.h"

#include <QStringList>
#include <optional>

#include "link/crc.h"
#include "link/frames.h"
#include "params/bankoffset.h"
#include "params/registermap.h"

namespace eqset::monitor {

namespace {

constexpr int kExceptionBit = 0x80;
constexpr int kExceptionReplyLength = 5;

int byteAt(const QByteArray& frame, int k) {
  return static_cast<int>(static_cast<std::uint8_t>(frame[k]));
}

int wordAt(const QByteArray& frame, int k) {
  return 256 * byteAt(frame, k) + byteAt(frame, k + 1);
}

QString text(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString channelText(int channel) {
  if (channel < 0 || channel >= kChannels) return QStringLiteral("通道%1").arg(channel + 1);
  return QStringLiteral("通道%1(%2)")
      .arg(channel + 1)
      .arg(text(channelPageCaptions()[static_cast<std::size_t>(channel)]));
}

QString bandText(int band) {
  if (band < 0 || band >= kBands) return QStringLiteral("频段%1").arg(band + 1);
  return QStringLiteral("频段%1(%2)")
      .arg(band + 1)
      .arg(text(bandTable()[static_cast<std::size_t>(band)].label));
}

QString signedDb(int db) {
  return (db > 0 ? QStringLiteral("+%1 dB") : QStringLiteral("%1 dB")).arg(db);
}

// How a frame touches a register: 900..1028 read are the measurement blocks,
// written they are commands; 47 and 48 written alone are the typed commands,
// in a block write they are the bands that lie there.
enum class Access { Read, Single, Block };

bool isTypedCommand(int address, Access access) {
  return access == Access::Single && (address == reg::kTestSignal || address == reg::kTestRun);
}

// Registers 900..1028 when read: the running level and the measured curve.
std::optional<QString> measurementName(int address) {
  const int level = address - reg::kLevelBlock;
  if (level >= 0 && level < reg::kLevelBlockCount) return QStringLiteral("电平 字%1").arg(level);
  if (address == reg::kSweepStatus) return QStringLiteral("扫频状态");
  const int curve = address - reg::kCurveBlock;
  if (curve >= 0 && curve < reg::kSweepStatus - reg::kCurveBlock) {
    return QStringLiteral("曲线 %1 字%2").arg(bandText(curve / 4)).arg(curve % 4);
  }
  return std::nullopt;
}

QString commandName(int address) {
  switch (address) {
    case reg::kCalibrate:
      return QStringLiteral("粉噪标定");
    case reg::kSweep:
      return QStringLiteral("扫频");
    case reg::kStop:
      return QStringLiteral("停止");
    case reg::kSingleTone:
      return QStringLiteral("单频");
    case reg::kNormalPlayback:
      return QStringLiteral("正常放音");
    case reg::kSweepChannel:
      return QStringLiteral("调试声道");
    default:
      return {};
  }
}

// The short name of a register of the table, at its bank-0 address.
QString tableName(const RegisterEntry& e, int a) {
  const int k = a - e.first;
  switch (e.first) {
    case reg::kTestSignal:
      return QStringLiteral("测试信号命令");
    case reg::kTestRun:
      return QStringLiteral("测试启停命令");
    case reg::kEqualizer:
      return QStringLiteral("均衡 %1 %2").arg(channelText(a / kBands)).arg(bandText(a % kBands));
    case reg::kMasterVolume:
      return QStringLiteral("主音量");
    case reg::kChannelLevel:
      return QStringLiteral("通道电平 ") + channelText(k);
    case reg::kMute:
      return QStringLiteral("全部静音");
    case reg::kPinkNoiseSecond:
      return QStringLiteral("粉噪开关2");
    case reg::kTestChannel:
      return QStringLiteral("测试通道");
    case reg::kPinkNoiseFirst:
      return QStringLiteral("粉噪开关1");
    case reg::kInput:
      return QStringLiteral("输入选择");
    case reg::kPolarity:
      return QStringLiteral("相位 ") + channelText(k);
    case reg::kAuxTo51:
      return QStringLiteral("辅助5.1");
    case reg::kDelay:
      return QStringLiteral("延时 ") + channelText(k);
    case reg::kLimiter:
      return QStringLiteral("压限 ") + channelText(k);
    case reg::kMode:
      return QStringLiteral("处理模式");
    case reg::kTheatreLength:
      return QStringLiteral("影院长");
    case reg::kTheatreWidth:
      return QStringLiteral("影院宽");
    case reg::kLevelBlock:
    case reg::kCurveBlock:
      return measurementName(a).value_or(QString());
    case reg::kFade0:
      return QStringLiteral("淡入淡出%1").arg(k + 1);
    default:
      return {};
  }
}

QString bareName(int address, Access access) {
  if (access == Access::Read) {
    if (auto m = measurementName(address)) return *m;
  } else if (QString c = commandName(address); !c.isEmpty()) {
    return c;
  }
  if (isTypedCommand(address, access)) {
    const auto entry = lookupRegister(address);
    return tableName(*entry, address) + QStringLiteral(" / 均衡 ") + channelText(address / kBands) +
           ' ' + bandText(address % kBands);
  }
  const auto entry = lookupRegister(address);
  if (!entry) return {};
  const int a = entry->perInput ? bankZeroAddress(address) : address;
  if (entry->first == reg::kTestSignal || entry->first == reg::kTestRun) {
    // Read, or in a block, 47 and 48 are the bands that lie there.
    return QStringLiteral("均衡 %1 %2").arg(channelText(a / kBands)).arg(bandText(a % kBands));
  }
  return tableName(*entry, a);
}

QString switchText(int bankAddress, int v) {
  const auto pick = [v](const char* one, const char* zero) {
    return QString::fromUtf8(v == 1 ? one : v == 0 ? zero : "?");
  };
  if (bankAddress == reg::kMute) return pick("静音", "放音");
  if (bankAddress == reg::kPinkNoiseFirst) return pick("开", "关");
  if (bankAddress == reg::kPinkNoiseSecond) return pick("关", "开");
  if (bankAddress == reg::kAuxTo51) return pick("允许", "禁止");
  if (bankAddress >= reg::kPolarity && bankAddress < reg::kPolarity + kChannels) {
    return pick("反相", "正相");
  }
  return pick("开", "关");
}

QString codeText(int address, int v) {
  switch (address) {
    case reg::kInput:
      return v == 1   ? QStringLiteral("数字输入(模拟A)")
             : v == 2 ? QStringLiteral("模拟输入B")
             : v == 4 ? QStringLiteral("辅助输入")
                      : QStringLiteral("?");
    case reg::kMode:
      return v == 0   ? QStringLiteral("统一处理")
             : v == 1 ? QStringLiteral("三组独立")
                      : QStringLiteral("?");
    case reg::kTestChannel:
    case reg::kSweepChannel:
      return channelText(v);
    case reg::kSingleTone:
      return bandText(v);
    default:
      break;
  }
  if (address >= reg::kLimiter && address <= reg::kLimiter + 2) {
    return v == 0   ? QStringLiteral("-10 dB")
           : v == 1 ? QStringLiteral("-5 dB")
           : v == 2 ? QStringLiteral("0 dB")
                    : QStringLiteral("?");
  }
  return QString::number(v);
}

QString converted(const RegisterEntry& e, int bankAddress, int v) {
  switch (e.encoding) {
    case Encoding::BandGain:
      return signedDb(conv::bandGainFromRegister(v));
    case Encoding::Volume:
      return signedDb(conv::volumeDbFromRegister(v));
    case Encoding::Level:
      return signedDb(conv::levelDbFromRegister(v));
    case Encoding::Switch:
      return switchText(bankAddress, v);
    case Encoding::Code:
      return codeText(bankAddress, v);
    case Encoding::Milliseconds:
      return QStringLiteral("%1 ms").arg(v);
    case Encoding::Metres:
      return QStringLiteral("%1 m").arg(v);
    case Encoding::Seconds:
      return QStringLiteral("%1 秒").arg(v);
    case Encoding::Trigger:
      return v == 1 ? QStringLiteral("执行") : QStringLiteral("?");
    case Encoding::TypedCommand:
    case Encoding::RawBlock:
      break;
  }
  return {};
}

// The bank of a per-input register (47 and 48 alone are bands of bank 0 as
// much as they are commands); empty for everything else.
QString bankOf(int address, Access access) {
  const bool command = access != Access::Read && !commandName(address).isEmpty();
  const bool measured = access == Access::Read && measurementName(address).has_value();
  const auto entry = lookupRegister(address);
  const bool perInput = isTypedCommand(address, access) ||
                        (entry && (entry->perInput || entry->first == reg::kTestSignal ||
                                   entry->first == reg::kTestRun));
  if (command || measured || !perInput) return {};
  if (address >= kBankAuxiliary) return QStringLiteral("辅助输入");
  if (address >= kBankAnalogB) return QStringLiteral("模拟输入B");
  return QStringLiteral("数字输入(模拟A)/统一");
}

QString nameOf(int address, Access access) {
  const QString name = bareName(address, access);
  if (name.isEmpty()) return QStringLiteral("%1 未用寄存器").arg(address);
  const QString bank = bankOf(address, access);
  return bank.isEmpty() ? QStringLiteral("%1 %2").arg(address).arg(name)
                        : QStringLiteral("%1 %2 (%3)").arg(address).arg(name, bank);
}

QString valueOf(int address, int value, Access access) {
  if (access == Access::Read && measurementName(address)) return QString::number(value);
  auto entry = lookupRegister(address);
  if (!entry) return QString::number(value);
  const int a = entry->perInput ? bankZeroAddress(address) : address;
  if (isTypedCommand(address, access)) {
    // The processor takes it as the command; the band that lies there shows
    // the gain it would be.
    const QString command = QStringLiteral("%1 → 命令值%1").arg(value);
    if (value > 2 * kBandGainOffset) return command;
    return command + QStringLiteral(" / 均衡 ") + signedDb(conv::bandGainFromRegister(value));
  }
  if (entry->first == reg::kTestSignal || entry->first == reg::kTestRun) {
    entry = RegisterEntry{0, kBandIndexes - 1, true, Encoding::BandGain, 0, 30, {}};
  }
  const QString unit = converted(*entry, a, value);
  QString out =
      unit.isEmpty() ? QString::number(value) : QStringLiteral("%1 → %2").arg(value).arg(unit);
  if (value < entry->min || value > entry->max) {
    out += QStringLiteral(" (超出范围 %1..%2)").arg(entry->min).arg(entry->max);
  }
  return out;
}

QString exceptionText(int code) {
  switch (code) {
    case 1:
      return QStringLiteral("非法功能");
    case 2:
      return QStringLiteral("非法数据地址");
    case 3:
      return QStringLiteral("非法数据值");
    case 4:
      return QStringLiteral("从站设备故障");
    case 6:
      return QStringLiteral("从站忙");
    default:
      return QStringLiteral("未知异常");
  }
}

// "0..30 共31个: 均衡 通道1(左通道) 频段1(20Hz) .. 频段31(20kHz) (数字输入(模拟A)/统一)"
QString rangeText(int start, int count, Access access) {
  if (count == 1) return nameOf(start, access);
  const bool read = access == Access::Read;
  const int end = start + count - 1;
  if (read && start == reg::kLevelBlock && count == reg::kLevelBlockCount) {
    return QStringLiteral("%1..%2 电平块").arg(start).arg(end);
  }
  if (read && start == reg::kCurveBlock && count == reg::kCurveBlockCount) {
    return QStringLiteral("%1..%2 曲线块").arg(start).arg(end);
  }
  const QString bank = bankOf(start, access);
  const QString suffix =
      bank.isEmpty() || bank != bankOf(end, access) ? QString() : QStringLiteral(" (%1)").arg(bank);
  const auto e0 = lookupRegister(start);
  const auto e1 = lookupRegister(end);
  const int a0 = bankZeroAddress(start);
  const int a1 = bankZeroAddress(end);
  QString what;
  if (!suffix.isEmpty() && e0 && e1 && e0->first == reg::kEqualizer &&
      e1->first == reg::kEqualizer && a0 / kBands == a1 / kBands) {
    what = QStringLiteral("均衡 %1 %2 .. %3")
               .arg(channelText(a0 / kBands))
               .arg(bandText(a0 % kBands))
               .arg(bandText(a1 % kBands));
  } else {
    const QString n0 = bareName(start, access);
    const QString n1 = bareName(end, access);
    what = QStringLiteral("%1 .. %2")
               .arg(n0.isEmpty() ? QStringLiteral("未用") : n0)
               .arg(n1.isEmpty() ? QStringLiteral("未用") : n1);
  }
  return QStringLiteral("%1..%2 共%3个: %4%5").arg(start).arg(end).arg(count).arg(what, suffix);
}

QString valuesText(int start, const QByteArray& frame, int firstByte, int count, Access access) {
  QStringList parts;
  for (int i = 0; i < count; ++i)
    parts << QStringLiteral("%1: %2").arg(start + i).arg(
        valueOf(start + i, wordAt(frame, firstByte + 2 * i), access));
  return parts.join(QStringLiteral(", "));
}

struct Request {
  int function = 0;
  int start = 0;
  int count = 0;  // registers; 1 for a single write
  int value = 0;  // single write
};

// The program's requests parsed; nothing for a frame too short for its function.
std::optional<Request> parseRequest(const QByteArray& f) {
  if (f.size() < 2) return std::nullopt;
  Request r;
  r.function = byteAt(f, 1);
  if (r.function != kReadHolding && r.function != kWriteSingle && r.function != kWriteMultiple) {
    return r;
  }
  if (f.size() < 8) return std::nullopt;
  r.start = wordAt(f, 2);
  r.count = r.function == kWriteSingle ? 1 : wordAt(f, 4);
  r.value = wordAt(f, 4);
  if (r.function == kWriteMultiple && f.size() < 9 + 2 * r.count) return std::nullopt;
  return r;
}

QString crcText(const QByteArray& f) {
  const std::uint16_t crc = CrcModbus(reinterpret_cast<const std::uint8_t*>(f.constData()),
                                      static_cast<std::size_t>(f.size() - 2));
  return QStringLiteral("CRC %1, 应为 %2")
      .arg(hexText(f.right(2)),
           hexText(QByteArray{static_cast<char>(crc & 0xFF), static_cast<char>(crc >> 8)}));
}

QString mismatchText(const Request& r, const QByteArray& reply) {
  const int slave = byteAt(reply, 0);
  const int function = byteAt(reply, 1);
  if (slave == kSlaveAddress && function == (r.function | kExceptionBit) &&
      reply.size() == kExceptionReplyLength) {
    const int code = byteAt(reply, 2);
    return QStringLiteral("异常应答 功能码%1 异常码%2 %3")
        .arg(r.function)
        .arg(code)
        .arg(exceptionText(code));
  }
  return QStringLiteral("从站%1 功能码%2, 应为从站%3 功能码%4")
      .arg(slave)
      .arg(function)
      .arg(kSlaveAddress)
      .arg(r.function);
}

QString echoText(const Request& r, const QByteArray& reply) {
  if (r.function == kWriteSingle) {
    return QStringLiteral("回显 %1 = %2")
        .arg(nameOf(wordAt(reply, 2), Access::Single),
             valueOf(wordAt(reply, 2), wordAt(reply, 4), Access::Single));
  }
  return QStringLiteral("回显 起始%1 数量%2").arg(wordAt(reply, 2)).arg(wordAt(reply, 4));
}

}  // namespace

QString verdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::None:
      return {};
    case Verdict::Correct:
      return QStringLiteral("正确");
    case Verdict::CrcError:
      return QStringLiteral("CRC错误");
    case Verdict::LengthError:
      return QStringLiteral("长度错误");
    case Verdict::SlaveOrFunction:
      return QStringLiteral("从站/功能码不符");
    case Verdict::EchoMismatch:
      return QStringLiteral("回显不符");
    case Verdict::NoReply:
      return QStringLiteral("无应答");
    case Verdict::NoRequest:
      return QStringLiteral("无对应请求");
    case Verdict::SetAside:
      return QStringLiteral("已搁置");
  }
  return {};
}

QString bankName(int address) {
  return bankOf(address, Access::Single);
}

QString registerName(int address, bool read) {
  return nameOf(address, read ? Access::Read : Access::Single);
}

QString valueText(int address, int value, bool read) {
  return valueOf(address, value, read ? Access::Read : Access::Single);
}

QString hexText(const QByteArray& bytes) {
  return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

int expectedReplyLength(const QByteArray& request) {
  const auto r = parseRequest(request);
  if (!r) return -1;
  switch (r->function) {
    case kReadHolding:
      return readReplyLength(r->count);
    case kWriteSingle:
    case kWriteMultiple:
      return kWriteReplyLength;
    default:
      return -1;
  }
}

Verdict judgeReply(const QByteArray& request, const QByteArray& reply,
                   const UnansweredWrites& unanswered) {
  if (reply.isEmpty()) return Verdict::NoReply;
  const auto r = parseRequest(request);
  if (!r) return Verdict::NoRequest;
  const bool whole = reply.size() >= 4 && crcMatches(reply);
  const bool sameHeader = reply.size() >= 2 && reply[0] == request[0] && reply[1] == request[1];
  // A whole frame of another slave or function (an exception reply) is named
  // for what it is, whatever its length.
  if (whole && !sameHeader) return Verdict::SlaveOrFunction;
  const int expected = expectedReplyLength(request);
  if (expected >= 0 && reply.size() != expected) return Verdict::LengthError;
  if (!whole) return reply.size() < 4 ? Verdict::LengthError : Verdict::CrcError;
  switch (r->function) {
    case kReadHolding:
      return byteAt(reply, 2) == 2 * r->count ? Verdict::Correct : Verdict::LengthError;
    case kWriteSingle:
      // Another register, or the value of a write still unanswered (its late
      // echo); any other value is the processor's own answer.
      if (wordAt(reply, 2) != r->start) return Verdict::EchoMismatch;
      return wordAt(reply, 4) != r->value && unanswered.holds(r->start, wordAt(reply, 4))
                 ? Verdict::EchoMismatch
                 : Verdict::Correct;
    case kWriteMultiple:
      return reply.mid(2, 4) == request.mid(2, 4) ? Verdict::Correct : Verdict::EchoMismatch;
    default:
      return Verdict::Correct;
  }
}

AddressRange requestRegisters(const QByteArray& request) {
  const auto r = parseRequest(request);
  if (!r || (r->function != kReadHolding && r->function != kWriteSingle &&
             r->function != kWriteMultiple)) {
    return {};
  }
  return {r->start, r->start + r->count - 1};
}

Decoded decodeRequest(const QByteArray& request) {
  Decoded d;
  const auto r = parseRequest(request);
  if (!r) {
    d.meaning = QStringLiteral("不完整的请求");
    return d;
  }
  if (!crcMatches(request)) d.meaning = QStringLiteral("(CRC错误) ");
  switch (r->function) {
    case kReadHolding:
      d.meaning += QStringLiteral("读 ") + rangeText(r->start, r->count, Access::Read);
      break;
    case kWriteSingle:
      d.meaning += QStringLiteral("写单个 %1 = %2")
                       .arg(registerName(r->start), valueText(r->start, r->value));
      break;
    case kWriteMultiple:
      d.meaning += QStringLiteral("写多个 %1 = %2")
                       .arg(rangeText(r->start, r->count, Access::Block),
                            valuesText(r->start, request, 7, r->count, Access::Block));
      break;
    default:
      d.meaning += QStringLiteral("功能码%1").arg(r->function);
      return d;
  }
  d.registers = requestRegisters(request);
  return d;
}

Decoded decodeReply(const QByteArray& request, const QByteArray& reply,
                    const UnansweredWrites& unanswered) {
  Decoded d;
  d.verdict = judgeReply(request, reply, unanswered);
  d.meaning = replyMeaning(request, reply, d.verdict);
  d.registers = requestRegisters(request);
  return d;
}

QString replyMeaning(const QByteArray& request, const QByteArray& reply, Verdict verdict) {
  const auto r = parseRequest(request);
  QString meaning;
  // A verdict that needs the request comes only with one that parses.
  if (!r && verdict != Verdict::NoReply) verdict = Verdict::NoRequest;
  switch (verdict) {
    case Verdict::NoReply:
      meaning = QStringLiteral("读取时线上没有数据");
      break;
    case Verdict::NoRequest:
      meaning = QStringLiteral("没有对应的请求");
      break;
    case Verdict::SlaveOrFunction:
      meaning = mismatchText(*r, reply);
      break;
    case Verdict::LengthError:
      if (expectedReplyLength(request) < 0) {
        meaning = QStringLiteral("收到%1字节").arg(reply.size());
      } else if (reply.size() != expectedReplyLength(request)) {
        meaning = QStringLiteral("收到%1字节, 应为%2字节")
                      .arg(reply.size())
                      .arg(expectedReplyLength(request));
      } else {
        meaning = QStringLiteral("字节数%1, 应为%2").arg(byteAt(reply, 2)).arg(2 * r->count);
      }
      break;
    case Verdict::CrcError:
      meaning = crcText(reply);
      break;
    case Verdict::EchoMismatch:
      meaning = echoText(*r, reply) +
                (r->function == kWriteSingle
                     ? QStringLiteral(", 请求 %1 = %2").arg(r->start).arg(r->value)
                     : QStringLiteral(", 请求 起始%1 数量%2").arg(r->start).arg(r->count));
      break;
    case Verdict::Correct:
      if (r->function == kReadHolding) {
        meaning = QStringLiteral("读应答 %1个值: ").arg(r->count) +
                  valuesText(r->start, reply, 3, r->count, Access::Read);
      } else if (r->function == kWriteSingle || r->function == kWriteMultiple) {
        meaning = echoText(*r, reply);
        // The processor took another value than the one written: say which was asked.
        if (r->function == kWriteSingle && wordAt(reply, 4) != r->value)
          meaning += QStringLiteral(", 请求 %1 = %2").arg(r->start).arg(r->value);
      } else {
        meaning = QStringLiteral("功能码%1 应答").arg(r->function);
      }
      break;
    case Verdict::SetAside: {
      // Why it is not the answer; the value of an unanswered write that makes
      // an echo a late one is the link's to know, so an echo of the register
      // is named as not matching.
      Verdict why = judgeReply(request, reply, UnansweredWrites());
      if (why == Verdict::Correct) why = Verdict::EchoMismatch;
      meaning = QStringLiteral("不是本请求的应答, 已搁置: ") + replyMeaning(request, reply, why);
      break;
    }
    case Verdict::None:
      break;
  }
  return meaning;
}

}  // namespace eqset::monitor
