#include "files/tuningkeep.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "params/statetexts.h"

namespace eqset {

const char* const TuningKeep::kNothingKept = "没有保存的调试前均衡，无需恢复。";

TuningKeep::TuningKeep(ModbusLink& link, Dialogs& dialogs, const FileStore& files, QString folder,
                       Sources sources)
    : link_(link),
      dialogs_(dialogs),
      files_(files),
      folder_(std::move(folder)),
      s_(std::move(sources)) {}

void TuningKeep::beginRun(const QString& runName) {
  runName_ = runName;
  runStarted_ = s_.now();
  runKeptAny_ = false;
}

void TuningKeep::keep(int channel, const std::array<int, kBands>& registers) {
  if (channel < 0 || channel >= kChannels) return;
  // The first keep of a run starts a new set: a run that wrote nothing leaves
  // the one before it restorable.
  if (!runKeptAny_) {
    kept_.clear();
    path_.clear();
    runKeptAny_ = true;
  }
  if (kept(channel)) return;
  kept_[channel] = Kept{s_.bankOffset(), registers};
  save();
}

QByteArray TuningKeep::fileBytes(const QString& runName, const QDateTime& when,
                                 const std::map<int, Kept>& kept) {
  QJsonArray channels;
  for (const auto& [channel, k] : kept) {
    QJsonArray gains;
    for (int r : k.registers)
      gains.append(r - kBandGainOffset);
    channels.append(QJsonObject{{"channel", channel},
                                {"name", statetext::channelName(channel)},
                                {"bankOffset", k.bankOffset},
                                {"eqGainsDb", gains}});
  }
  const QJsonObject root{{"format", "EQSet equalizers before tuning"},
                         {"version", 1},
                         {"run", runName},
                         {"started", when.toString(Qt::ISODate)},
                         {"channels", channels}};
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void TuningKeep::save() {
  if (path_.isEmpty()) {
    QDir().mkpath(folder_);
    path_ = QDir(folder_).filePath(datedFileName(
        QStringLiteral("调试前均衡"), runStarted_, QStringLiteral("json"),
        [this](const QString& name) { return QFileInfo::exists(QDir(folder_).filePath(name)); }));
  }
  QString error;
  // The copy in memory is what a restore writes; a file that cannot be
  // written is said, and the run goes on.
  if (!files_.write(path_, fileBytes(runName_, runStarted_, kept_), &error)) {
    dialogs_.message(QStringLiteral("调试前均衡无法保存到 %1：%2").arg(path_, error),
                     QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
  }
}

void TuningKeep::restore() {
  if (kept_.empty()) {
    dialogs_.message(QString::fromUtf8(kNothingKept), QStringLiteral("提示"),
                     Dialogs::Icon::Information, Dialogs::Buttons::Ok);
    return;
  }
  std::vector<int> channels;
  for (const auto& entry : kept_)
    channels.push_back(entry.first);
  const auto answer =
      dialogs_.message(QStringLiteral("把%1声道的均衡恢复为调试前的数值（%2之前）？")
                           .arg(statetext::channelList(channels), runName_),
                       QStringLiteral("提示"), Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
  if (answer != Dialogs::Answer::Ok) return;
  std::vector<int> done;
  std::vector<int> failed;
  for (const auto& [channel, k] : kept_) {
    const bool good = link_.writeBlock(k.bankOffset + equalizerRegister(channel, 0), k.registers,
                                       kWriteWaitMs, 0);
    (good ? done : failed).push_back(channel);
    if (good && s_.restored) s_.restored(channel, k.bankOffset, k.registers);
  }
  QString text =
      done.empty() ? QStringLiteral("没有恢复任何声道。")
                   : QStringLiteral("已恢复%1声道的调试前均衡。").arg(statetext::channelList(done));
  if (!failed.empty())
    text += QStringLiteral("\n%1声道写入失败，请检查通讯后再按一次。")
                .arg(statetext::channelList(failed));
  dialogs_.message(text, QStringLiteral("提示"),
                   failed.empty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning,
                   Dialogs::Buttons::Ok);
}

}  // namespace eqset
