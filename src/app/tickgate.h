#pragma once

#include <QString>

#include "link/dialogs.h"

namespace eqset {

// The window's timers tick only between operations. Transactions block the
// event loop, so the only way a tick could land inside an operation is a modal
// box, which turns the loop while it waits for the technician: a tick that
// comes then is skipped (the periodic ones come again; the sequence's timers
// are stopped before its question).
class TickGate {
 public:
  // Runs `tick` unless an operation is showing a box.
  template <typename F>
  void run(F&& tick) {
    if (depth_ > 0) return;
    ++depth_;
    tick();
    --depth_;
  }
  bool open() const { return depth_ == 0; }

 private:
  friend class GatedDialogs;
  int depth_ = 0;
};

// The dialogs every operation of the window uses: while one is shown, the
// gate is closed.
class GatedDialogs : public Dialogs {
 public:
  GatedDialogs(Dialogs& inner, TickGate& gate) : inner_(inner), gate_(gate) {}

  Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override {
    ++gate_.depth_;
    const Answer answer = inner_.message(text, title, icon, buttons);
    --gate_.depth_;
    return answer;
  }
  QString file(const FileRequest& request) override {
    ++gate_.depth_;
    QString path = inner_.file(request);
    --gate_.depth_;
    return path;
  }

 private:
  Dialogs& inner_;
  TickGate& gate_;
};

}  // namespace eqset
