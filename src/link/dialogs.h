#pragma once

#include <QString>

namespace eqset {

// Message boxes and file dialogs. The program shows real Qt dialogs; tests
// answer from a script and record what was asked.
class Dialogs {
 public:
  enum class Icon { None, Question, Information, Warning, Critical };
  enum class Buttons { Ok, OkCancel, RetryCancel, YesNo };
  enum class Answer { Ok, Cancel, Retry, Yes, No };

  struct FileRequest {
    QString title;
    QString filter;         // e.g. "二进制文件|*.bin"
    QString defaultSuffix;  // e.g. "bin"
    QString folder;         // empty: where the dialog was last pointed
    bool save = false;
  };

  virtual ~Dialogs() = default;
  virtual Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;
  // Returns the chosen path, or an empty string when the user cancelled.
  virtual QString file(const FileRequest& request) = 0;
};

}  // namespace eqset
