// Parameter files, the group copy, the equalizer extraction and curve files,
// wired to the window's controls.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/mainwindow.h"
#include "app/widgets.h"
#include "controls/inputmode.h"
#include "files/fileoperations.h"
#include "measure/curvedisplay.h"
#include "params/blockread.h"

namespace eqset {

void MainWindow::wireFiles() {
  ParameterFiles::Sources ps;
  ps.bankOffset = [this] { return bankOffset(); };
  ps.inputCode = [this] { return static_cast<int>(inputMode_->input()); };
  ps.modeCode = [this] { return static_cast<int>(inputMode_->mode()); };
  parameterFiles_ = std::make_unique<ParameterFiles>(dialogs_, files_, folders_.home, image_,
                                                     *blockRead_, std::move(ps));
  connect(CmdSave, &QPushButton::clicked, this, [this] { parameterFiles_->save(); });
  connect(CmdReadPCToWindows, &QPushButton::clicked, this, [this] { parameterFiles_->load(); });

  groupCopy_ = std::make_unique<GroupCopy>(dialogs_, files_, folders_.home, CmbGroupCopy);
  connect(CmdGroupCopy, &QPushButton::clicked, this, [this] { groupCopy_->copy(); });

  EqualizerExtraction::Controls ec;
  std::copy(Option14.begin(), Option14.end(), ec.format.begin());
  ec.channels = Check1;
  std::copy(Slider1.begin(), Slider1.end(), ec.sliders.begin());
  std::copy(Text5.begin(), Text5.begin() + kBandIndexes, ec.boxes.begin());
  extraction_ =
      std::make_unique<EqualizerExtraction>(dialogs_, files_, folders_.home, image_, *writer_, ec);
  connect(Command34, &QPushButton::clicked, this, [this] { extraction_->extract(); });
  connect(Command36, &QPushButton::clicked, this, [this] { extraction_->writeChosen(); });

  CurveFiles::Sources cs;
  cs.channel = [this] { return GroupNum->value(); };
  cs.redraw = [this] { display_->redraw(); };
  curveFiles_ =
      std::make_unique<CurveFiles>(dialogs_, files_, folders_.home, measure, std::move(cs));
  connect(Command26, &QPushButton::clicked, this, [this] { curveFiles_->save(); });
  connect(Command27, &QPushButton::clicked, this, [this] { curveFiles_->load(); });
}

}  // namespace eqset
