#pragma once

#include <QString>

#include "link/dialogs.h"

class QLineEdit;

namespace eqset {

// The measurement microphone's calibration offset in dB, typed into one box
// and kept with the settings. Every sound-pressure reading adds it.
class MicZero {
 public:
  static constexpr double kMin = -8;
  static constexpr double kMax = 8;

  MicZero(Dialogs& dialogs, QLineEdit* box);

  // The box's value: its leading number, 0 when it has none.
  double value() const;
  // On Enter and when the box loses the focus: a value outside -8..+8 is set
  // to the nearer limit and the technician is told once.
  void checkRange();

 private:
  Dialogs& dialogs_;
  QLineEdit* box_;
};

}  // namespace eqset
