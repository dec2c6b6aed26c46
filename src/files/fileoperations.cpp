#include "files/fileoperations.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSlider>

#include "params/blockread.h"
#include "params/processorwrite.h"

namespace eqset {

namespace {

const QString kParameterFilter = QStringLiteral("二进制文件|*.bin");
const QString kParameterSuffix = QStringLiteral("bin");
const QString kCurveSuffix = QStringLiteral("draw");
const QString kSettingsFilter = QStringLiteral("设置文件|*.eqs");
const QString kSettingsSuffix = QStringLiteral("eqs");

// Channels of an equalizer file; the window has equalizers for six.
constexpr int kSixChannelBytes = 6 * kBands;
constexpr int kEightChannelBytes = 8 * kBands;

}  // namespace

QString userDataFolder(const QString& programFolder) {
  const QString folder = QDir(programFolder).filePath(QStringLiteral("用户数据"));
  QDir().mkpath(folder);
  return folder;
}

QString FileOperation::ask(const QString& title, const QString& filter, const QString& suffix,
                           bool save) {
  Dialogs::FileRequest request;
  request.title = title;
  request.filter = filter;
  request.defaultSuffix = suffix;
  request.save = save;
  // Saves and loads alike open where the technician keeps the hall's files,
  // not wherever the last dialog happened to be.
  request.folder = userDataFolder(programFolder_);
  return dialogs_.file(request);
}

std::optional<QByteArray> FileOperation::readFile(const QString& path, bool forSave) {
  QString error;
  auto bytes = files_.read(path, &error);
  if (!bytes) {
    tell(forSave ? QStringLiteral("无法读取文件 %1：%2。文件没有改动。").arg(path, error)
                 : QStringLiteral("无法读取文件 %1：%2。没有读取任何数据。").arg(path, error));
  }
  return bytes;
}

bool FileOperation::writeFile(const QString& path, const QByteArray& bytes) {
  QString error;
  if (files_.write(path, bytes, &error)) return true;
  tell(QStringLiteral("文件 %1 没有保存，原有内容未改动：%2").arg(path, error));
  return false;
}

void FileOperation::tell(const QString& text) {
  dialogs_.message(text, QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
}

ParameterFiles::ParameterFiles(Dialogs& dialogs, const FileStore& files, QString programFolder,
                               RegisterImage& image, BlockRead& blockRead, Sources sources)
    : FileOperation(dialogs, files, std::move(programFolder)),
      image_(image),
      blockRead_(blockRead),
      s_(std::move(sources)) {}

void ParameterFiles::save() {
  const QString path = ask(QStringLiteral("保存到文件"), kParameterFilter, kParameterSuffix, true);
  if (path.isEmpty()) return;
  const auto existing = readFile(path, true);
  if (!existing) return;
  // The processor's first registers, fresh; a failed read keeps the image.
  blockRead_.ReadBlock();
  const auto content = paramfile::save(*existing, image_, s_.bankOffset());
  if (const auto* refusal = std::get_if<paramfile::Refusal>(&content)) {
    tell(refusal->message);
    return;
  }
  writeFile(path, std::get<QByteArray>(content));
}

void ParameterFiles::load() {
  const int input = s_.inputCode();
  const int mode = s_.modeCode();
  const QString path = ask(QStringLiteral("从文件读取"), kParameterFilter, kParameterSuffix, false);
  if (path.isEmpty()) return;
  const auto bytes = readFile(path, false);
  if (!bytes) return;
  if (const auto refusal = paramfile::load(*bytes, s_.bankOffset(), image_)) {
    tell(refusal->message);
    return;
  }
  // The file never changes the input or the mode the window shows.
  image_.set(reg::kInput, static_cast<std::int16_t>(input));
  image_.set(reg::kMode, static_cast<std::int16_t>(mode));
  blockRead_.ShowBlock();
}

std::optional<int> bankOfInputName(const QString& name) {
  if (name == QStringLiteral("数字输入(模拟A)")) return 0;
  if (name == QStringLiteral("模拟输入(模拟B)")) return 300;
  if (name == QStringLiteral("辅助输入")) return 600;
  return std::nullopt;
}

GroupCopy::GroupCopy(Dialogs& dialogs, const FileStore& files, QString programFolder,
                     std::array<QComboBox*, 2> lists)
    : FileOperation(dialogs, files, std::move(programFolder)), lists_(lists) {}

void GroupCopy::copy() {
  const QString from = lists_[0]->currentText();
  const QString to = lists_[1]->currentText();
  const auto answer =
      dialogs_.message(QStringLiteral("目的数据将被源数据覆盖?"), QStringLiteral("提示"),
                       Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
  if (answer != Dialogs::Answer::Ok) return;
  if (from == to) {
    dialogs_.message(QStringLiteral("相同的数据源复制无意义"), QStringLiteral("提示"),
                     Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
    return;
  }
  const auto fromBank = bankOfInputName(from);
  const auto toBank = bankOfInputName(to);
  if (!fromBank || !toBank) {
    tell(QStringLiteral("源数据或目的数据不是三种输入之一，没有拷贝。"));
    return;
  }
  const QString path =
      ask(QStringLiteral("文件数据内部拷贝操作"), kParameterFilter, kParameterSuffix, false);
  if (path.isEmpty()) return;
  const auto bytes = readFile(path, true);
  if (!bytes) return;
  const auto content = paramfile::copyBank(*bytes, *fromBank, *toBank);
  if (const auto* refusal = std::get_if<paramfile::Refusal>(&content)) {
    tell(refusal->message);
    return;
  }
  writeFile(path, std::get<QByteArray>(content));
}

EqualizerExtraction::EqualizerExtraction(Dialogs& dialogs, const FileStore& files,
                                         QString programFolder, RegisterImage& image,
                                         ProcessorWrite& writer, const Controls& controls)
    : FileOperation(dialogs, files, std::move(programFolder)),
      image_(image),
      writer_(writer),
      c_(controls) {}

void EqualizerExtraction::extract() {
  const QString path = ask(QStringLiteral("从文件读取"), kParameterFilter, kParameterSuffix, false);
  if (path.isEmpty()) return;
  const auto bytes = readFile(path, false);
  if (!bytes) return;
  int length = kSixChannelBytes;
  if (c_.format[0]->isChecked()) {
    for (int c = 6; c < 8; ++c) {
      c_.channels[static_cast<std::size_t>(c)]->setChecked(false);
      c_.channels[static_cast<std::size_t>(c)]->setEnabled(false);
    }
  } else if (c_.format[1]->isChecked()) {
    length = kEightChannelBytes;
    for (QCheckBox* box : c_.channels)
      box->setEnabled(true);
  }
  if (bytes->size() < length) {
    tell(QStringLiteral("文件只有%1字节，不是%2声道的均衡文件(需要%3字节)，没有提取。")
             .arg(bytes->size())
             .arg(length / kBands)
             .arg(length));
    return;
  }
  // Every step of a ticked channel must be an equalizer step before any is taken.
  const auto& captions = channelPageCaptions();
  for (int c = 0; c < kChannels; ++c) {
    if (!c_.channels[static_cast<std::size_t>(c)]->isChecked()) continue;
    for (int b = 0; b < kBands; ++b) {
      const int step = static_cast<std::uint8_t>((*bytes)[equalizerRegister(c, b)]);
      if (step > 2 * 15) {
        const auto& name = captions[static_cast<std::size_t>(c)];
        const auto& band = bandTable()[static_cast<std::size_t>(b)].label;
        tell(QStringLiteral("%1 %2 的值%3不是均衡级数(0..30)，没有提取。")
                 .arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                      QString::fromUtf8(band.data(), static_cast<qsizetype>(band.size())))
                 .arg(step));
        return;
      }
    }
  }
  for (int c = 0; c < kChannels; ++c) {
    if (!c_.channels[static_cast<std::size_t>(c)]->isChecked()) continue;
    for (int b = 0; b < kBands; ++b) {
      const int i = equalizerRegister(c, b);
      const int step = static_cast<std::uint8_t>((*bytes)[i]);
      image_.set(i, static_cast<std::int16_t>(step));
      c_.boxes[static_cast<std::size_t>(i)]->setText(
          QString::number(conv::bandGainFromRegister(step)));
      c_.sliders[static_cast<std::size_t>(i)]->setValue(conv::bandPositionFromRegister(step));
    }
  }
}

void EqualizerExtraction::writeChosen() {
  // Channels 6 and 7 of an eight-channel file have no equalizer here.
  for (int c = 0; c < kChannels; ++c) {
    if (c_.channels[static_cast<std::size_t>(c)]->isChecked()) writer_.WriteChannelEq(c);
  }
}

CurveFiles::CurveFiles(Dialogs& dialogs, const FileStore& files, QString programFolder,
                       MeasureState& state, Sources sources)
    : FileOperation(dialogs, files, std::move(programFolder)),
      state_(state),
      s_(std::move(sources)) {}

void CurveFiles::save() {
  const QString path = ask(QStringLiteral("操作意义：保存所有8声道曲线到一个文件."),
                           QStringLiteral("二进制文件（*.draw）|*.draw"), kCurveSuffix, true);
  if (path.isEmpty()) return;
  const auto existing = readFile(path, true);
  if (!existing) return;
  const auto content = curvefile::save(*existing, state_.curves);
  if (const auto* refusal = std::get_if<paramfile::Refusal>(&content)) {
    tell(refusal->message);
    return;
  }
  writeFile(path, std::get<QByteArray>(content));
}

void CurveFiles::load() {
  const QString path = ask(QStringLiteral("操作意义：从文件读取到全部声道的8个记录区由于显示."),
                           QStringLiteral("曲线文件(*.draw)|*.draw"), kCurveSuffix, false);
  if (path.isEmpty()) return;
  const auto bytes = readFile(path, false);
  if (!bytes) return;
  if (const auto refusal = curvefile::load(*bytes, state_.curves)) {
    tell(refusal->message);
    return;
  }
  const auto& shown = state_.curves.areas[static_cast<std::size_t>(s_.channel())];
  for (int b = 0; b < kBands; ++b) {
    const auto slot = static_cast<std::size_t>(bandSlot(b));
    state_.plot.rows[PlotBuffer::kMeasured][slot] = shown[slot];
  }
  s_.redraw();
}

HallSettingsFiles::HallSettingsFiles(Dialogs& dialogs, const FileStore& files,
                                     QString programFolder, Window window)
    : FileOperation(dialogs, files, std::move(programFolder)), w_(std::move(window)) {}

void HallSettingsFiles::save() {
  // Checked before the dialog: a box holding what no settings file can keep
  // is better fixed first than found out after choosing a file.
  const HallSettings settings = w_.gather();
  if (const auto bad = settingsfile::check(settings)) {
    tell(QStringLiteral("%1 %2，设置没有保存。").arg(bad->field, bad->expected));
    return;
  }
  const QString path = ask(QStringLiteral("保存全部设置"), kSettingsFilter, kSettingsSuffix, true);
  if (path.isEmpty()) return;
  writeFile(path, settingsfile::toJson(settings));
}

void HallSettingsFiles::load() {
  const QString path = ask(QStringLiteral("读取全部设置"), kSettingsFilter, kSettingsSuffix, false);
  if (path.isEmpty()) return;
  const auto bytes = readFile(path, false);
  if (!bytes) return;
  const auto result = settingsfile::fromJson(*bytes);
  if (const auto* bad = std::get_if<settingsfile::FieldError>(&result)) {
    tell(bad->field.isEmpty()
             ? QStringLiteral("设置文件 %1 %2，窗口没有改动。").arg(path, bad->expected)
             : QStringLiteral("设置文件 %1 中的 %2 %3，窗口没有改动。")
                   .arg(path, bad->field, bad->expected));
    return;
  }
  w_.show(std::get<HallSettings>(result));
}

}  // namespace eqset
