#include "link/unansweredwrites.h"

#include <algorithm>
#include <cstdint>

#include "link/frames.h"

namespace eqset {

bool UnansweredWrites::holds(int address, int value) const {
  return std::any_of(writes_.begin(), writes_.end(),
                     [&](const Write& w) { return w.address == address && w.value == value; });
}

void UnansweredWrites::note(const QByteArray& request, bool answered) {
  if (request.size() < 6 || static_cast<std::uint8_t>(request[1]) != kWriteSingle) return;
  const auto word = [&](int k) {
    return 256 * static_cast<std::uint8_t>(request[k]) + static_cast<std::uint8_t>(request[k + 1]);
  };
  const int address = word(2);
  const int value = word(4);
  if (answered) {
    std::erase_if(writes_, [&](const Write& w) { return w.address == address; });
    return;
  }
  // Written again and unanswered again: it is the newest.
  std::erase_if(writes_, [&](const Write& w) { return w.address == address && w.value == value; });
  if (writes_.size() == kCapacity) writes_.pop_front();
  writes_.push_back({address, value});
}

}  // namespace eqset
