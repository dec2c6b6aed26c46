#include "scripteddialogs.h"

#include <gtest/gtest.h>

namespace eqset::test {

Dialogs::Answer ScriptedDialogs::message(const QString& text, const QString& title, Icon icon,
                                         Buttons buttons) {
  asked.push_back({text, title, icon, buttons});
  if (onAsk) onAsk(asked.back());
  if (answers.empty()) {
    ADD_FAILURE() << "unexpected message box: " << title.toStdString() << ": "
                  << text.toStdString();
    return Answer::Cancel;
  }
  const Answer a = answers.front();
  answers.pop_front();
  return a;
}

QString ScriptedDialogs::file(const FileRequest& request) {
  fileRequests.push_back(request);
  if (paths.empty()) {
    ADD_FAILURE() << "unexpected file dialog: " << request.title.toStdString();
    return {};
  }
  const QString p = paths.front();
  paths.pop_front();
  return p;
}

}  // namespace eqset::test
