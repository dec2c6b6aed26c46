#pragma once

#include <QByteArray>
#include <cstddef>
#include <deque>

namespace eqset {

// The single-register writes the processor left unanswered, newest last.
//
// A slow processor may put the echo of such a write on the line while the
// tool already waits for the next write to the same register. That echo
// names the register but carries the earlier value: it must not pass as the
// answer to the later write. Any other value the processor echoes for the
// register is its own answer (it keeps a setting within what it can play, for
// example) and is taken, so the window shows what the processor holds.
//
// A late echo comes within a transaction or two, so a few writes are enough;
// past that the oldest is forgotten. A good answer for a register clears
// every write of it: the processor answers in order, so the late echoes of
// those writes have already passed.
class UnansweredWrites {
 public:
  static constexpr std::size_t kCapacity = 16;

  // A write of `value` (as the line carried it, 0..65535) to `address` that
  // got no good reply and has not been followed by a good one since.
  bool holds(int address, int value) const;

  // After the reply to `request` was read and judged: a single-register write
  // that got no good reply is kept, one that did clears its register. Other
  // requests change nothing.
  void note(const QByteArray& request, bool answered);

  std::size_t size() const { return writes_.size(); }

 private:
  struct Write {
    int address;
    int value;
  };
  std::deque<Write> writes_;
};

}  // namespace eqset
