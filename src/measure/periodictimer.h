#pragma once

#include <QObject>
#include <QTimer>

namespace eqset {

class Clock;

// A window timer that runs while it is enabled and has a period; a period of
// 0 stops it. It follows the clock: with the real clock it ticks from the
// event loop; with virtual time nothing ticks until the caller fires it.
class PeriodicTimer : public QObject {
  Q_OBJECT
 public:
  PeriodicTimer(const QString& name, bool realTime, QObject* parent = nullptr);

  void setEnabled(bool enabled);
  void setPeriod(int ms);
  bool isEnabled() const { return enabled_; }
  int period() const { return period_; }
  bool running() const { return enabled_ && period_ > 0; }

  // One tick now, as the event loop would deliver it.
  void fire() { emit tick(); }

 signals:
  void tick();

 private:
  void apply();

  bool realTime_;
  bool enabled_ = true;
  int period_ = 0;
  QTimer timer_;
};

}  // namespace eqset
