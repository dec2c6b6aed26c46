#include "files/tuningkeep.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <set>

#include "params/bankoffset.h"
#include "params/statetexts.h"

namespace eqset {

namespace {

const QString kFormat = QStringLiteral("EQSet equalizers before tuning");
constexpr int kVersion = 2;

bool isBank(int offset) {
  return offset == 0 || offset == kBankAnalogB || offset == kBankAuxiliary;
}

// A whole number in [low, high] held by `v`, if it is one.
std::optional<int> integerIn(const QJsonValue& v, int low, int high) {
  if (!v.isDouble()) return std::nullopt;
  const double d = v.toDouble();
  // The range first: a huge number is no int to round.
  if (!(d >= low && d <= high) || d != std::floor(d)) return std::nullopt;
  return static_cast<int>(d);
}

std::vector<int> channelsOf(const std::vector<TuningKeep::Kept>& kept) {
  std::vector<int> out;
  for (const auto& k : kept)
    out.push_back(k.channel);
  return out;
}

}  // namespace

const char* const TuningKeep::kNothingKept = "没有保存的调试前均衡，无需恢复。";
const char* const TuningKeep::kFileName = "调试前均衡.json";

TuningKeep::TuningKeep(ModbusLink& link, Dialogs& dialogs, const FileStore& files, QString folder,
                       Sources sources)
    : link_(link),
      dialogs_(dialogs),
      files_(files),
      folder_(std::move(folder)),
      s_(std::move(sources)) {
  load();
}

QString TuningKeep::livePath() const {
  return QDir(folder_).filePath(QString::fromUtf8(kFileName));
}

void TuningKeep::load() {
  QString error;
  const auto bytes = files_.read(livePath(), &error);
  if (!bytes || bytes->isEmpty()) return;
  if (auto keeps = fromFile(*bytes)) {
    keeps_ = std::move(*keeps);
    return;
  }
  // Not a keep this program can read: it is set aside under a dated name,
  // never overwritten by the next keep.
  const QString aside = datedFileName(
      QStringLiteral("调试前均衡_无法读取"), QDateTime::currentDateTime(), QStringLiteral("json"),
      [this](const QString& name) { return QFileInfo::exists(QDir(folder_).filePath(name)); });
  QFile::rename(livePath(), QDir(folder_).filePath(aside));
}

void TuningKeep::beginRun(const QString& runName) {
  runName_ = runName;
  runStarted_ = s_.now();
  runKeeps_.clear();
  runPath_.clear();
}

void TuningKeep::keep(int channel, const std::array<int, kBands>& registers) {
  if (channel < 0 || channel >= kChannels) return;
  const int bank = s_.bankOffset();
  const Key key{bank, channel};
  if (keeps_.count(key)) return;
  const Kept k{bank, channel, registers, runName_, s_.now()};
  keeps_[key] = k;
  runKeeps_[key] = k;
  if (runPath_.isEmpty()) {
    runPath_ = QDir(folder_).filePath(datedFileName(
        QStringLiteral("调试前均衡"), runStarted_, QStringLiteral("json"),
        [this](const QString& name) { return QFileInfo::exists(QDir(folder_).filePath(name)); }));
  }
  if (save(livePath(), keeps_)) save(runPath_, runKeeps_);
}

QByteArray TuningKeep::fileBytes(const Keeps& keeps) {
  QJsonArray channels;
  for (const auto& [key, k] : keeps) {
    QJsonArray gains;
    for (int r : k.registers)
      gains.append(r - kBandGainOffset);
    channels.append(QJsonObject{{"channel", k.channel},
                                {"name", statetext::channelName(k.channel)},
                                {"bankOffset", k.bankOffset},
                                {"run", k.run},
                                {"kept", k.when.toString(Qt::ISODate)},
                                {"eqGainsDb", gains}});
  }
  const QJsonObject root{{"format", kFormat}, {"version", kVersion}, {"channels", channels}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<TuningKeep::Keeps> TuningKeep::fromFile(const QByteArray& bytes) {
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
  if (parseError.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject root = doc.object();
  const auto version = integerIn(root.value("version"), 1, kVersion);
  if (root.value("format").toString() != kFormat || !version) return std::nullopt;
  if (!root.value("channels").isArray()) return std::nullopt;
  Keeps keeps;
  for (const QJsonValue& entry : root.value("channels").toArray()) {
    if (!entry.isObject()) return std::nullopt;
    const QJsonObject o = entry.toObject();
    const auto channel = integerIn(o.value("channel"), 0, kChannels - 1);
    const auto bank = integerIn(o.value("bankOffset"), 0, kBankAuxiliary);
    const QJsonValue gains = o.value("eqGainsDb");
    if (!channel || !bank || !isBank(*bank) || !gains.isArray() ||
        gains.toArray().size() != kBands) {
      return std::nullopt;
    }
    Kept k;
    k.channel = *channel;
    k.bankOffset = *bank;
    for (int b = 0; b < kBands; ++b) {
      const auto gain = integerIn(gains.toArray().at(b), -kBandGainOffset, kBandGainOffset);
      if (!gain) return std::nullopt;
      k.registers[static_cast<std::size_t>(b)] = *gain + kBandGainOffset;
    }
    // An older record names its run once, for all its channels.
    k.run = o.value("run").toString(root.value("run").toString());
    k.when = QDateTime::fromString(o.value("kept").toString(root.value("started").toString()),
                                   Qt::ISODate);
    const Key key{k.bankOffset, k.channel};
    if (keeps.count(key)) return std::nullopt;
    keeps[key] = k;
  }
  return keeps;
}

bool TuningKeep::save(const QString& path, const Keeps& keeps) {
  QDir().mkpath(folder_);
  QString error;
  // The copy in memory is what a restore writes; a file that cannot be
  // written is said, and the run goes on.
  if (files_.write(path, fileBytes(keeps), &error)) return true;
  dialogs_.message(QStringLiteral("调试前均衡无法保存到 %1：%2").arg(path, error),
                   QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
  return false;
}

void TuningKeep::restore() {
  if (keeps_.empty()) {
    dialogs_.message(QString::fromUtf8(kNothingKept), QStringLiteral("提示"),
                     Dialogs::Icon::Information, Dialogs::Buttons::Ok);
    return;
  }
  const int bank = s_.bankOffset();
  std::vector<Kept> here;
  std::set<int> elsewhere;
  for (const auto& [key, k] : keeps_) {
    if (k.bankOffset == bank) {
      here.push_back(k);
    } else {
      elsewhere.insert(k.bankOffset);
    }
  }
  // The processor plays the bank in force at the addresses a write reaches
  // from here: a keep of another bank would land in this one.
  QStringList others;
  for (int offset : elsewhere)
    others << s_.bankName(offset);
  const QString otherText =
      others.isEmpty()
          ? QString()
          : QStringLiteral("另有调试前均衡保存在“%1”，请先选择该输入和处理方式，再按一次恢复。")
                .arg(others.join(QStringLiteral("”、“")));
  if (here.empty()) {
    dialogs_.message(QStringLiteral("当前输入没有保存的调试前均衡。") + otherText,
                     QStringLiteral("提示"), Dialogs::Icon::Information, Dialogs::Buttons::Ok);
    return;
  }
  const auto answer =
      dialogs_.message(QStringLiteral("把%1声道的均衡恢复为自动均衡之前的数值？")
                           .arg(statetext::channelList(channelsOf(here))),
                       QStringLiteral("提示"), Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
  if (answer != Dialogs::Answer::Ok) return;
  std::vector<int> done;
  std::vector<int> failed;
  for (const Kept& k : here) {
    const bool good = link_.writeBlock(k.bankOffset + equalizerRegister(k.channel, 0), k.registers,
                                       kWriteWaitMs, 0);
    (good ? done : failed).push_back(k.channel);
    if (!good) continue;
    // Written back: the next run keeps what the processor holds then.
    keeps_.erase({k.bankOffset, k.channel});
    if (s_.restored) s_.restored(k.channel, k.bankOffset, k.registers);
  }
  if (!done.empty()) save(livePath(), keeps_);
  QString text =
      done.empty() ? QStringLiteral("没有恢复任何声道。")
                   : QStringLiteral("已恢复%1声道的调试前均衡。").arg(statetext::channelList(done));
  if (!failed.empty())
    text += QStringLiteral("\n%1声道写入失败，请检查通讯后再按一次。")
                .arg(statetext::channelList(failed));
  if (!otherText.isEmpty()) text += QStringLiteral("\n") + otherText;
  dialogs_.message(text, QStringLiteral("提示"),
                   failed.empty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning,
                   Dialogs::Buttons::Ok);
}

}  // namespace eqset
