#pragma once

#include <QElapsedTimer>

#include "link/clock.h"

namespace eqset {

// Wall time for the program. A sleep keeps the window blocked, as every wait
// of a transaction must be, but first lets pending repaints through, so the
// technician sees the progress bar and the value boxes move step by step.
class RealClock : public Clock {
 public:
  RealClock();
  void sleep(int ms) override;
  std::int64_t now() const override;

 private:
  QElapsedTimer timer_;
};

}  // namespace eqset
