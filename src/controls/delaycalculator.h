#pragma once

#include <QString>
#include <array>
#include <optional>
#include <variant>

#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "params/registermap.h"

class QLineEdit;

namespace eqset {

// The channel delays that make every loudspeaker's sound reach the main
// listening position together. The listener sits on the centre line, two
// thirds of the length from the screen; left and right stand at the screen's
// corners and are the farthest, so they get no delay; centre and subwoofer at
// the screen's centre; the surrounds on the side walls level with the
// listener. Sound covers 0.34 m a millisecond. Worked in 32-bit floats, as
// the processor's own tables are.
struct DelayPlan {
  std::array<int, kChannels> delaysMs{};  // left, right, centre, sub, left and right surround
  int lengthMetres = 0;                   // as entered, rounded (register 290)
  int widthMetres = 0;                    // register 291
  bool beyondProcessorRange = false;      // centre or surround above 255 ms
};

// Why a plan cannot be written.
enum class DelayRefusal {
  NotADimension,  // a box holds no plain number of metres (or a negative one)
  TooLarge,       // a delay or a dimension does not fit a 16-bit register
};

// A theatre dimension as typed: a plain, non-negative number of metres;
// "12.5" is fine, "12m", "" or "-3" are not.
std::optional<double> roomDimension(const QString& text);

// Length and width as the technician typed them, in metres. A dimension of 0
// switches the delays off (all 0) but is still written as entered.
std::variant<DelayPlan, DelayRefusal> planDelays(const QString& lengthText,
                                                 const QString& widthText);

// "延时自动计算并设定": computes, shows and writes the delays and the
// theatre's dimensions. Also the last step of the full write.
class DelayCalculator {
 public:
  struct Controls {
    std::array<QLineEdit*, 2> dimensions{};      // Text2(0) length, Text2(1) width
    std::array<QLineEdit*, kChannels> delays{};  // Text1(0..5)
  };

  DelayCalculator(ModbusLink& link, Dialogs& dialogs, const Controls& controls);

  void calculateAndWrite();

 private:
  ModbusLink& link_;
  Dialogs& dialogs_;
  Controls c_;
};

}  // namespace eqset
