#pragma once

#include <QString>
#include <array>
#include <functional>

#include "files/fileformats.h"
#include "files/filestore.h"
#include "files/settingsfile.h"
#include "link/dialogs.h"
#include "params/registermap.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

namespace eqset {

class BlockRead;
class ProcessorWrite;

// The folder beside the program where the technician's files live, created
// when missing.
QString userDataFolder(const QString& programFolder);

// What every file operation shares: the dialogs, the file store and the
// folder; and the message that says why nothing was done.
class FileOperation {
 protected:
  FileOperation(Dialogs& dialogs, const FileStore& files, QString programFolder)
      : dialogs_(dialogs), files_(files), programFolder_(std::move(programFolder)) {}

  // The path the technician chose, or empty when the dialog was cancelled.
  // Every dialog opens in the folder "用户数据".
  QString ask(const QString& title, const QString& filter, const QString& suffix, bool save);
  // The whole file, or nothing with the reason told: a save that would build
  // on its bytes (`forSave`) leaves it as it is, a load takes nothing from it.
  std::optional<QByteArray> readFile(const QString& path, bool forSave);
  bool writeFile(const QString& path, const QByteArray& bytes);
  void tell(const QString& text);

  Dialogs& dialogs_;
  const FileStore& files_;
  QString programFolder_;
};

// "保存参数文件" and "读取参数文件": the active input's bank and the shared
// settings, between the register image and a *.bin file.
class ParameterFiles : FileOperation {
 public:
  struct Sources {
    std::function<int()> bankOffset;
    std::function<int()> inputCode;  // 1, 2 or 4
    std::function<int()> modeCode;   // 0 or 1
  };
  ParameterFiles(Dialogs& dialogs, const FileStore& files, QString programFolder,
                 RegisterImage& image, BlockRead& blockRead, Sources sources);

  void save();
  void load();

 private:
  RegisterImage& image_;
  BlockRead& blockRead_;
  Sources s_;
};

// "编组拷贝(通过计算机文件)": one input's bank onto another's inside a file.
class GroupCopy : FileOperation {
 public:
  GroupCopy(Dialogs& dialogs, const FileStore& files, QString programFolder,
            std::array<QComboBox*, 2> lists);
  void copy();

 private:
  std::array<QComboBox*, 2> lists_;
};

// The bank of an input name of the group lists, if it is one.
std::optional<int> bankOfInputName(const QString& name);

// "从文件提取均衡" and "执行写入": the equalizers of chosen channels from a
// six- or eight-channel file into the window, then to the processor.
class EqualizerExtraction : FileOperation {
 public:
  struct Controls {
    std::array<QAbstractButton*, 2> format{};  // Option14: six, eight channels
    std::array<QCheckBox*, 8> channels{};      // Check1(0..7)
    std::array<QSlider*, kBandIndexes> sliders{};
    std::array<QLineEdit*, kBandIndexes> boxes{};
  };
  EqualizerExtraction(Dialogs& dialogs, const FileStore& files, QString programFolder,
                      RegisterImage& image, ProcessorWrite& writer, const Controls& controls);

  void extract();
  void writeChosen();

 private:
  RegisterImage& image_;
  ProcessorWrite& writer_;
  Controls c_;
};

// "保存曲线到文件" and "打开曲线文件": the measured curves of the six channels.
class CurveFiles : FileOperation {
 public:
  struct Sources {
    std::function<int()> channel;  // GroupNum
    std::function<void()> redraw;
  };
  CurveFiles(Dialogs& dialogs, const FileStore& files, QString programFolder, MeasureState& state,
             Sources sources);

  void save();
  void load();

 private:
  MeasureState& state_;
  Sources s_;
};

// "保存全部设置" and "读取全部设置": every setting of the window for one hall
// in a settings file (*.eqs). A load sets the window only; the technician
// sends it with "数据写入DSP".
class HallSettingsFiles : FileOperation {
 public:
  struct Window {
    std::function<HallSettings()> gather;
    std::function<void(const HallSettings&)> show;
  };
  HallSettingsFiles(Dialogs& dialogs, const FileStore& files, QString programFolder, Window window);

  void save();
  void load();

 private:
  Window w_;
};

}  // namespace eqset
