#include "link/realclock.h"

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <thread>

namespace eqset {

RealClock::RealClock() {
  timer_.start();
}

std::int64_t RealClock::now() const {
  return timer_.elapsed();
}

void RealClock::sleep(int ms) {
  const qint64 deadlineNs = timer_.nsecsElapsed() + std::int64_t{ms} * 1'000'000;
  // Only paint requests: input and timers must wait until the transaction is
  // over, or a second one could start in the middle of this one.
  if (QCoreApplication::instance() != nullptr) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  }
  // The repaint counts toward the wait, so the fixed waits stay fixed.
  for (qint64 left = deadlineNs - timer_.nsecsElapsed(); left > 0;
       left = deadlineNs - timer_.nsecsElapsed()) {
    std::this_thread::sleep_for(std::chrono::nanoseconds(left));
  }
}

}  // namespace eqset
