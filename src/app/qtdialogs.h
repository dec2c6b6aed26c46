#pragma once

#include <QString>

#include "link/dialogs.h"

class QWidget;

namespace eqset {

// Real message boxes and file dialogs, modal over the main window.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
  QString file(const FileRequest& request) override;

 private:
  QWidget* parent_;
  QString lastFolder_;
};

}  // namespace eqset
