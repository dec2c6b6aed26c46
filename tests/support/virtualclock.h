#pragma once

#include <cstdint>
#include <vector>

#include "link/clock.h"

namespace eqset::test {

// Time that only moves when the code under test sleeps.
class VirtualClock : public Clock {
 public:
  void sleep(int ms) override {
    sleeps.push_back(ms);
    now_ += ms;
  }
  std::int64_t now() const override { return now_; }
  bool realTime() const override { return false; }
  void advance(std::int64_t ms) { now_ += ms; }

  std::vector<int> sleeps;

 private:
  std::int64_t now_ = 0;
};

}  // namespace eqset::test
