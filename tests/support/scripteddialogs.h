#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "link/dialogs.h"

namespace eqset::test {

// Answers dialogs from a script and keeps what was asked. A dialog nobody
// scripted fails the test and is cancelled.
class ScriptedDialogs : public Dialogs {
 public:
  struct Asked {
    QString text;
    QString title;
    Icon icon;
    Buttons buttons;
  };

  Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
  QString file(const FileRequest& request) override;

  // Runs when a message box comes up, before it is answered (to change the
  // world the way a technician would while the box is open).
  std::function<void(const Asked&)> onAsk;
  std::deque<Answer> answers;
  std::deque<QString> paths;
  std::vector<Asked> asked;
  std::vector<FileRequest> fileRequests;
};

}  // namespace eqset::test
