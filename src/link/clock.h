#pragma once

#include <cstdint>

namespace eqset {

// Every wait of the link and of the operations goes through this, so tests run
// in virtual time and can assert when each frame went out; the window's
// timers follow it too.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual void sleep(int ms) = 0;
  // Milliseconds since an arbitrary start.
  virtual std::int64_t now() const = 0;
  // Whether the window's timers tick by themselves. In virtual time they tick
  // only when the caller fires them, as it moves time on.
  virtual bool realTime() const { return true; }
};

}  // namespace eqset
