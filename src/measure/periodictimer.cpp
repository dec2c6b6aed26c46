#include "measure/periodictimer.h"

namespace eqset {

PeriodicTimer::PeriodicTimer(const QString& name, bool realTime, QObject* parent)
    : QObject(parent), realTime_(realTime) {
  setObjectName(name);
  connect(&timer_, &QTimer::timeout, this, &PeriodicTimer::tick);
}

void PeriodicTimer::setEnabled(bool enabled) {
  enabled_ = enabled;
  apply();
}

void PeriodicTimer::setPeriod(int ms) {
  period_ = ms;
  apply();
}

void PeriodicTimer::apply() {
  if (!realTime_ || !running()) {
    timer_.stop();
    return;
  }
  // A new period starts counting from now, as a restarted timer does.
  timer_.start(period_);
}

}  // namespace eqset
