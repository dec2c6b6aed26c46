#pragma once

#include <QByteArray>
#include <QString>
#include <array>

#include "link/unansweredwrites.h"

namespace eqset::monitor {

// What the monitor says about a reply, in the order the checks are made:
// nothing read; no request to answer; a whole frame (right CRC) from another
// slave or with another function, exception replies included; not the length
// the request asks for; a wrong CRC; for a read, a byte count that is not
// twice the registers asked for (a length too); for a write, an echo of
// another register, start or count, or the late echo of an earlier write of
// the register that is still unanswered. A request row carries the verdict of
// its reply; None until one is read.
enum class Verdict {
  None,
  Correct,
  CrcError,
  LengthError,
  SlaveOrFunction,
  EchoMismatch,
  NoReply,
  NoRequest,
  // A whole frame the fast link took off the line while it waited, because it
  // does not answer the request; the reply came or failed after it.
  SetAside,
};

// Every verdict a reply can get, in the order of the filter list.
inline constexpr std::array<Verdict, 8> kReplyVerdicts = {
    Verdict::Correct,      Verdict::CrcError, Verdict::LengthError, Verdict::SlaveOrFunction,
    Verdict::EchoMismatch, Verdict::NoReply,  Verdict::NoRequest,   Verdict::SetAside,
};

// "正确", "CRC错误", "长度错误", "从站/功能码不符", "回显不符", "无应答",
// "无对应请求", "已搁置"; empty for None.
QString verdictText(Verdict verdict);

// The registers a frame is about, first..last; empty when it names none.
struct AddressRange {
  int first = -1;
  int last = -1;
  bool empty() const { return first < 0; }
  bool contains(int address) const { return !empty() && address >= first && address <= last; }
};

struct Decoded {
  QString meaning;
  Verdict verdict = Verdict::None;
  AddressRange registers;
};

// The input bank a per-input register lies in, by its address: "数字输入(模拟A)/统一"
// (0..257), "模拟输入B" (300..) or "辅助输入" (600..); empty for the shared
// registers, the commands, the measurement blocks and addresses the tool does
// not use.
QString bankName(int address);

// A register as the technician knows it: address, short name and bank, e.g.
// "548 主音量 (模拟输入B)". `read` names 900..1028 as the measurement blocks
// (a write there is a command).
QString registerName(int address, bool read = false);

// A register value raw and in the register's unit: "16 → +1 dB",
// "2 → 模拟输入B", "40 → +25 dB (超出范围 0..30)".
QString valueText(int address, int value, bool read = false);

// Bytes as the line carried them: "01 06 00 21 00 10 ...".
QString hexText(const QByteArray& bytes);

// The length a correct reply to `request` has; -1 when the request is not
// one of the functions the tool sends.
int expectedReplyLength(const QByteArray& request);

// The verdict on `reply` as the answer to `request` (empty: no request was
// seen), with `unanswered` the single-register writes left unanswered before
// it. Correct exactly when the link takes the reply as good: the length it
// reads and replyAnswers(). A write's echo of another value of its register is
// the processor's answer, unless that value is an unanswered write's: then it
// is that write's late echo, 回显不符.
Verdict judgeReply(const QByteArray& request, const QByteArray& reply,
                   const UnansweredWrites& unanswered);

// The registers a request reads or writes; empty for a frame that is none of
// the tool's requests.
AddressRange requestRegisters(const QByteArray& request);

Decoded decodeRequest(const QByteArray& request);
Decoded decodeReply(const QByteArray& request, const QByteArray& reply,
                    const UnansweredWrites& unanswered);
// What a reply means, given the verdict judgeReply() gave it.
QString replyMeaning(const QByteArray& request, const QByteArray& reply, Verdict verdict);

}  // namespace eqset::monitor
