#pragma once

#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "measure/measuredata.h"

namespace eqset {

class CompensationSteps;
class Measurement;
class TestSignals;

// What a tuning run works through: the line, the dialogs, the measurement's
// state and the operations of the page it drives.
struct SequenceParts {
  ModbusLink& link;
  Dialogs& dialogs;
  MeasureState& state;
  TestSignals& testSignals;
  Measurement& measurement;
  CompensationSteps& steps;
};

}  // namespace eqset
