#include "monitor/framedecoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/crc.h"
#include "link/frames.h"
#include "params/registermap.h"

namespace eqset::monitor {
namespace {

QByteArray withCrc(QByteArray frame) {
  appendCrc(frame);
  return frame;
}

QByteArray read(int start, int count) {
  return *readRequest(start, count);
}
QByteArray write(int address, int value) {
  return *writeSingleRequest(address, value);
}
QByteArray writeBlock(int start, const std::vector<int>& values) {
  return *writeMultipleRequest(start, values);
}

// The processor's answer to a read: the values in order.
QByteArray readReply(const std::vector<int>& values) {
  QByteArray f;
  f.append(char(1)).append(char(3)).append(static_cast<char>(2 * values.size()));
  for (int v : values)
    f.append(static_cast<char>(v >> 8)).append(static_cast<char>(v & 0xFF));
  return withCrc(f);
}
// The echo of a write: its first six bytes.
QByteArray echo(const QByteArray& request) {
  return withCrc(request.left(6));
}

std::string s(const QString& q) {
  return q.toStdString();
}

TEST(FrameDecoder, RequestsOfEveryKindTheProgramSends) {
  struct Case {
    QByteArray request;
    QString meaning;  // the whole text, or its beginning when `prefix`
    bool prefix;
    int first;
    int last;
  };
  const std::vector<int> flat31(31, 15);
  const Case cases[] = {
      {read(0, 16),
       "读 0..15 共16个: 均衡 通道1(左通道) 频段1(20Hz) .. 频段16(630Hz) (数字输入(模拟A)/统一)",
       false, 0, 15},
      {read(900, 4), "读 900..903 电平块", false, 900, 903},
      {read(904, 125), "读 904..1028 曲线块", false, 904, 1028},
      {read(93, 11),
       "读 93..103 共11个: 均衡 通道4(次低频) 频段1(20Hz) .. 频段11(200Hz) (数字输入(模拟A)/统一)",
       false, 93, 103},
      {read(31, 31),
       "读 31..61 共31个: 均衡 通道2(右通道) 频段1(20Hz) .. 频段31(20kHz) (数字输入(模拟A)/统一)",
       false, 31, 61},
      {write(33, 16),
       "写单个 33 均衡 通道2(右通道) 频段3(31.5Hz) (数字输入(模拟A)/统一) = 16 → +1 dB", false, 33,
       33},
      {write(403, 12), "写单个 403 均衡 通道4(次低频) 频段11(200Hz) (模拟输入B) = 12 → -3 dB",
       false, 403, 403},
      {write(785, 0), "写单个 785 均衡 通道6(右环) 频段31(20kHz) (辅助输入) = 0 → -15 dB", false,
       785, 785},
      {write(33, 40),
       "写单个 33 均衡 通道2(右通道) 频段3(31.5Hz) (数字输入(模拟A)/统一) = 40 → +25 dB "
       "(超出范围 0..30)",
       false, 33, 33},
      {write(548, 55), "写单个 548 主音量 (模拟输入B) = 55 → 0 dB", false, 548, 548},
      {write(248, 60), "写单个 248 主音量 (数字输入(模拟A)/统一) = 60 → +5 dB", false, 248, 248},
      {write(852, 30), "写单个 852 通道电平 通道3(中置) (辅助输入) = 30 → +8 dB", false, 852, 852},
      {write(250, 0), "写单个 250 通道电平 通道1(左通道) (数字输入(模拟A)/统一) = 0 → -22 dB",
       false, 250, 250},
      {write(258, 1), "写单个 258 全部静音 = 1 → 静音", false, 258, 258},
      {write(261, 1), "写单个 261 粉噪开关1 = 1 → 开", false, 261, 261},
      {write(259, 0), "写单个 259 粉噪开关2 = 0 → 开", false, 259, 259},
      {write(260, 3), "写单个 260 测试通道 = 3 → 通道4(次低频)", false, 260, 260},
      {write(262, 2), "写单个 262 输入选择 = 2 → 模拟输入B", false, 262, 262},
      {write(262, 4), "写单个 262 输入选择 = 4 → 辅助输入", false, 262, 262},
      {write(267, 1), "写单个 267 相位 通道5(左环) = 1 → 反相", false, 267, 267},
      {write(271, 0), "写单个 271 辅助5.1 = 0 → 禁止", false, 271, 271},
      {write(281, 0), "写单个 281 压限 通道2(右通道) = 0 → -10 dB", false, 281, 281},
      {write(288, 1), "写单个 288 处理模式 = 1 → 三组独立", false, 288, 288},
      {write(1085, 3), "写单个 1085 淡入淡出2 = 3 → 3 秒", false, 1085, 1085},
      {write(900, 1), "写单个 900 粉噪标定 = 1 → 执行", false, 900, 900},
      {write(901, 1), "写单个 901 扫频 = 1 → 执行", false, 901, 901},
      {write(902, 1), "写单个 902 停止 = 1 → 执行", false, 902, 902},
      {write(903, 17), "写单个 903 单频 = 17 → 频段18(1kHz)", false, 903, 903},
      {write(904, 1), "写单个 904 正常放音 = 1 → 执行", false, 904, 904},
      {write(905, 2), "写单个 905 调试声道 = 2 → 通道3(中置)", false, 905, 905},
      {write(47, 300),
       "写单个 47 测试信号命令 / 均衡 通道2(右通道) 频段17(800Hz) (数字输入(模拟A)/统一) = 300 → "
       "命令值300",
       false, 47, 47},
      {write(48, 16),
       "写单个 48 测试启停命令 / 均衡 通道2(右通道) 频段18(1kHz) (数字输入(模拟A)/统一) = 16 → "
       "命令值16 / 均衡 +1 dB",
       false, 48, 48},
      {write(200, 7), "写单个 200 未用寄存器 = 7", false, 200, 200},
      {writeBlock(331, flat31),
       "写多个 331..361 共31个: 均衡 通道2(右通道) 频段1(20Hz) .. 频段31(20kHz) (模拟输入B) = 331: "
       "15 "
       "→ 0 dB, 332: 15 → 0 dB",
       true, 331, 361},
      {writeBlock(31, flat31), "写多个 31..61 共31个: 均衡 通道2(右通道)", true, 31, 61},
      {writeBlock(250, {22, 22, 23, 22, 22, 21}),
       "写多个 250..255 共6个: 通道电平 通道1(左通道) .. 通道电平 通道6(右环) "
       "(数字输入(模拟A)/统一) = "
       "250: 22 → 0 dB, 251: 22 → 0 dB, 252: 23 → +1 dB, 253: 22 → 0 dB, 254: 22 → 0 dB, 255: 21 → "
       "-1 dB",
       false, 250, 255},
      {writeBlock(850, {22, 22, 22, 22, 22, 22}),
       "写多个 850..855 共6个: 通道电平 通道1(左通道) .. 通道电平 通道6(右环) (辅助输入)", true,
       850, 855},
      {writeBlock(263, {0, 1, 0, 0, 0, 0}),
       "写多个 263..268 共6个: 相位 通道1(左通道) .. 相位 通道6(右环) = 263: 0 → 正相, 264: 1 → "
       "反相",
       true, 263, 268},
      {writeBlock(272, {0, 0, 4, 4, 25, 25}),
       "写多个 272..277 共6个: 延时 通道1(左通道) .. 延时 通道6(右环) = 272: 0 → 0 ms, 273: 0 → 0 "
       "ms, "
       "274: 4 → 4 ms, 275: 4 → 4 ms, 276: 25 → 25 ms, 277: 25 → 25 ms",
       false, 272, 277},
      {writeBlock(290, {20, 12}),
       "写多个 290..291 共2个: 影院长 .. 影院宽 = 290: 20 → 20 m, 291: 12 → 12 m", false, 290, 291},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(s(hexText(c.request)));
    const Decoded d = decodeRequest(c.request);
    if (c.prefix) {
      EXPECT_TRUE(d.meaning.startsWith(c.meaning)) << s(d.meaning);
    } else {
      EXPECT_EQ(s(d.meaning), s(c.meaning));
    }
    EXPECT_EQ(d.verdict, Verdict::None);
    EXPECT_EQ(d.registers.first, c.first);
    EXPECT_EQ(d.registers.last, c.last);
  }
}

TEST(FrameDecoder, EveryRegisterOfTheMapHasAChineseNameInEveryBank) {
  for (const RegisterEntry& e : registerTable()) {
    for (int a = e.first; a <= e.last; ++a) {
      for (int bank : e.perInput ? std::vector<int>{0, 300, 600} : std::vector<int>{0}) {
        for (bool asRead : {false, true}) {
          const QString name = registerName(a + bank, asRead);
          SCOPED_TRACE(s(name));
          EXPECT_TRUE(name.startsWith(QString::number(a + bank) + ' '));
          EXPECT_FALSE(name.contains(QStringLiteral("未用")));
          // Past the address, the name is the technician's language.
          const QString words = name.mid(QString::number(a + bank).size() + 1);
          EXPECT_TRUE(std::any_of(words.begin(), words.end(),
                                  [](QChar ch) { return ch.unicode() >= 0x4E00; }));
          EXPECT_EQ(name.contains(QStringLiteral("辅助输入")), e.perInput && bank == 600);
          EXPECT_EQ(name.contains(QStringLiteral("模拟输入B")), e.perInput && bank == 300);
        }
      }
    }
  }
}

TEST(FrameDecoder, BanksByAddress) {
  struct Case {
    int address;
    const char* bank;
  };
  for (const Case c :
       {Case{0, "数字输入(模拟A)/统一"}, Case{185, "数字输入(模拟A)/统一"},
        Case{255, "数字输入(模拟A)/统一"}, Case{300, "模拟输入B"}, Case{548, "模拟输入B"},
        Case{600, "辅助输入"}, Case{855, "辅助输入"}, Case{258, ""}, Case{262, ""}, Case{290, ""},
        Case{900, ""}, Case{1084, ""}, Case{558, ""}, Case{200, ""}}) {
    EXPECT_EQ(s(bankName(c.address)), c.bank) << c.address;
  }
}

TEST(FrameDecoder, ReadNamesTheMeasurementBlocksWriteNamesTheCommands) {
  EXPECT_EQ(s(registerName(900, true)), "900 电平 字0");
  EXPECT_EQ(s(registerName(900, false)), "900 粉噪标定");
  EXPECT_EQ(s(registerName(904, true)), "904 曲线 频段1(20Hz) 字0");
  EXPECT_EQ(s(registerName(1027, true)), "1027 曲线 频段31(20kHz) 字3");
  EXPECT_EQ(s(registerName(1028, true)), "1028 扫频状态");
  EXPECT_EQ(s(registerName(904, false)), "904 正常放音");
  EXPECT_EQ(s(registerName(47, true)),
            "47 均衡 通道2(右通道) 频段17(800Hz) (数字输入(模拟A)/统一)");
  EXPECT_EQ(s(valueText(47, 16, true)), "16 → +1 dB");
}

// Each reply the processor or a noisy line can put there, with the verdict
// the monitor gives and what it says.
TEST(FrameDecoder, VerdictsOfEveryKind) {
  const QByteArray readBlock = read(0, 16);
  const QByteArray bandWrite = write(33, 16);
  const QByteArray levelsWrite = writeBlock(250, {22, 22, 22, 22, 22, 22});
  const std::vector<int> sixteen(16, 15);
  const QByteArray goodRead = readReply(sixteen);
  QByteArray flipped = echo(bandWrite);
  flipped[4] = static_cast<char>(flipped[4] ^ 0x01);  // a bit of the value hit on the line
  QByteArray badByteCount = goodRead.left(2) + QByteArray(1, 30) + goodRead.mid(3, 32);
  badByteCount = withCrc(badByteCount);
  // A write of 17 to band 33 went unanswered before these replies came.
  UnansweredWrites unanswered;
  unanswered.note(write(33, 17), false);
  const QString kBand33 = "33 均衡 通道2(右通道) 频段3(31.5Hz) (数字输入(模拟A)/统一)";
  struct Case {
    const char* what;
    QByteArray request;
    QByteArray reply;
    Verdict verdict;
    QString meaning;  // its beginning
  };
  const Case cases[] = {
      {"read answered", readBlock, goodRead, Verdict::Correct,
       "读应答 16个值: 0: 15 → 0 dB, 1: 15 → 0 dB"},
      {"band echo", bandWrite, echo(bandWrite), Verdict::Correct,
       "回显 33 均衡 通道2(右通道) 频段3(31.5Hz) (数字输入(模拟A)/统一) = 16 → +1 dB"},
      {"block echo", levelsWrite, echo(levelsWrite), Verdict::Correct, "回显 起始250 数量6"},
      {"level block", read(900, 4), readReply({0, 1, 2, 3}), Verdict::Correct,
       "读应答 4个值: 900: 0, 901: 1, 902: 2, 903: 3"},
      {"corrupted echo", bandWrite, flipped, Verdict::CrcError, "CRC "},
      {"corrupted read", readBlock, goodRead.left(20) + char(0x55) + goodRead.mid(21),
       Verdict::CrcError, "CRC "},
      {"short echo", bandWrite, echo(bandWrite).left(7), Verdict::LengthError,
       "收到7字节, 应为8字节"},
      {"long echo", bandWrite, echo(bandWrite) + char(0), Verdict::LengthError,
       "收到9字节, 应为8字节"},
      {"short read", readBlock, goodRead.left(36), Verdict::LengthError, "收到36字节, 应为37字节"},
      {"one byte", bandWrite, QByteArray(1, 1), Verdict::LengthError, "收到1字节"},
      {"byte count", readBlock, badByteCount, Verdict::LengthError, "字节数30, 应为32"},
      {"other slave", bandWrite, withCrc(QByteArray::fromHex("020600210010")),
       Verdict::SlaveOrFunction, "从站2 功能码6, 应为从站1 功能码6"},
      {"other function", bandWrite, withCrc(QByteArray::fromHex("011000210010")),
       Verdict::SlaveOrFunction, "从站1 功能码16, 应为从站1 功能码6"},
      {"exception", readBlock, withCrc(QByteArray::fromHex("018302")), Verdict::SlaveOrFunction,
       "异常应答 功能码3 异常码2 非法数据地址"},
      {"late echo", bandWrite, echo(write(33, 17)), Verdict::EchoMismatch,
       "回显 33 均衡 通道2(右通道) 频段3(31.5Hz) (数字输入(模拟A)/统一) = 17 → +2 dB, 请求 33 = "
       "16"},
      {"the processor's own value", write(33, 40), echo(write(33, 30)), Verdict::Correct,
       "回显 " + kBand33 + " = 30 → +15 dB, 请求 33 = 40"},
      {"a value no write left unanswered", bandWrite, echo(write(33, 18)), Verdict::Correct,
       "回显 " + kBand33 + " = 18 → +3 dB, 请求 33 = 16"},
      {"an unanswered value of another register", write(34, 16), echo(write(34, 17)),
       Verdict::Correct, "回显 34 "},
      {"other register", bandWrite, echo(write(34, 16)), Verdict::EchoMismatch, "回显 34 "},
      {"block other count", levelsWrite, echo(writeBlock(250, {22, 22, 22})), Verdict::EchoMismatch,
       "回显 起始250 数量3, 请求 起始250 数量6"},
      {"silence", bandWrite, QByteArray(), Verdict::NoReply, "读取时线上没有数据"},
      {"no request", QByteArray(), echo(bandWrite), Verdict::NoRequest, "没有对应的请求"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Decoded d = decodeReply(c.request, c.reply, unanswered);
    EXPECT_EQ(s(verdictText(d.verdict)), s(verdictText(c.verdict)));
    EXPECT_TRUE(d.meaning.startsWith(c.meaning)) << s(d.meaning);
    EXPECT_EQ(d.meaning, replyMeaning(c.request, c.reply, d.verdict));
    EXPECT_EQ(d.registers.first, decodeRequest(c.request).registers.first);
    // Correct exactly when the link takes the reply.
    const bool linkTakes = !c.request.isEmpty() &&
                           c.reply.size() == expectedReplyLength(c.request) &&
                           replyAnswers(c.request, c.reply, unanswered);
    EXPECT_EQ(d.verdict == Verdict::Correct, linkTakes);
  }
}

TEST(FrameDecoder, VerdictTexts) {
  EXPECT_EQ(s(verdictText(Verdict::Correct)), "正确");
  EXPECT_EQ(s(verdictText(Verdict::CrcError)), "CRC错误");
  EXPECT_EQ(s(verdictText(Verdict::LengthError)), "长度错误");
  EXPECT_EQ(s(verdictText(Verdict::SlaveOrFunction)), "从站/功能码不符");
  EXPECT_EQ(s(verdictText(Verdict::EchoMismatch)), "回显不符");
  EXPECT_EQ(s(verdictText(Verdict::NoReply)), "无应答");
  EXPECT_EQ(s(verdictText(Verdict::NoRequest)), "无对应请求");
  EXPECT_TRUE(verdictText(Verdict::None).isEmpty());
}

// Noise on every kind of reply: whatever the bytes, the monitor calls a reply
// correct exactly when the link takes it, and names a reason otherwise.
TEST(FrameDecoder, AgreesWithTheLinkOnMangledReplies) {
  std::mt19937 random(20240611);
  const std::vector<int> values31(31, 15);
  const QByteArray requests[] = {read(0, 16),   read(900, 4),   read(904, 125),
                                 write(33, 16), write(548, 55), writeBlock(0, values31)};
  // Writes the processor left unanswered: their late echoes come too.
  UnansweredWrites unanswered;
  unanswered.note(write(33, 17), false);
  unanswered.note(write(548, 54), false);
  int correct = 0;
  int rejected = 0;
  int lateEchoes = 0;
  for (const QByteArray& request : requests) {
    const int count = 256 * quint8(request[4]) + quint8(request[5]);
    const QByteArray good = request[1] == char(kReadHolding)
                                ? readReply(std::vector<int>(static_cast<std::size_t>(count), 7))
                                : echo(request);
    for (int i = 0; i < 4000; ++i) {
      QByteArray reply = good;
      bool late = false;
      switch (random() % 7) {
        case 0:
          break;
        case 1:  // a byte hit
          reply[static_cast<int>(random() % reply.size())] ^= static_cast<char>(1 + random() % 255);
          break;
        case 2:  // cut short
          reply.truncate(static_cast<int>(random() % reply.size()));
          break;
        case 3:  // trailing noise
          reply.append(static_cast<char>(random() % 256));
          break;
        case 4:  // a header or echo byte changed, the CRC made right again
          reply = reply.left(reply.size() - 2);
          reply[static_cast<int>(random() % std::min<qsizetype>(6, reply.size()))] ^=
              static_cast<char>(1 + random() % 255);
          reply = withCrc(reply);
          break;
        case 5:  // random bytes
          reply.resize(static_cast<int>(random() % 12));
          for (char& b : reply)
            b = static_cast<char>(random() % 256);
          break;
        default:  // the late echo of the unanswered write of the register
          if (request[1] == char(kWriteSingle)) {
            const int address = 256 * quint8(request[2]) + quint8(request[3]);
            reply = echo(write(address, address == 33 ? 17 : 54));
            late = true;
            ++lateEchoes;
          }
      }
      const Verdict v = judgeReply(request, reply, unanswered);
      const bool linkTakes =
          reply.size() == expectedReplyLength(request) && replyAnswers(request, reply, unanswered);
      ASSERT_EQ(v == Verdict::Correct, linkTakes)
          << s(hexText(request)) << " / " << s(hexText(reply));
      ASSERT_NE(v, Verdict::None);
      ASSERT_EQ(v == Verdict::NoReply, reply.isEmpty());
      if (late) {
        ASSERT_EQ(v, Verdict::EchoMismatch);
      }
      (v == Verdict::Correct ? correct : rejected)++;
    }
  }
  // Both sides of the check were exercised.
  EXPECT_GT(correct, 1000);
  EXPECT_GT(rejected, 10000);
  EXPECT_GT(lateEchoes, 500);
}

TEST(FrameDecoder, HexAndExpectedLengths) {
  EXPECT_EQ(s(hexText(QByteArray::fromHex("0106002100106dc6"))), "01 06 00 21 00 10 6D C6");
  EXPECT_EQ(expectedReplyLength(read(0, 16)), 37);
  EXPECT_EQ(expectedReplyLength(read(904, 125)), 255);
  EXPECT_EQ(expectedReplyLength(write(33, 16)), 8);
  EXPECT_EQ(expectedReplyLength(writeBlock(250, {1, 2})), 8);
  EXPECT_EQ(expectedReplyLength(QByteArray::fromHex("0103")), -1);
}

}  // namespace
}  // namespace eqset::monitor
