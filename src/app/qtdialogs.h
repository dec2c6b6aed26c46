#pragma once

#include <QString>
#include <QStringList>

#include "link/dialogs.h"

class QWidget;

namespace eqset {

// The dialog's file types from a filter of name|pattern pairs
// ("二进制文件|*.bin" gives "二进制文件 (*.bin)"). The dialog lists a type by
// its name followed by its pattern in brackets, so a name that already ends
// with its pattern, in ASCII or full-width brackets, is cut back to the name
// first: the technician sees the pattern once.
QStringList qtNameFilters(const QString& filter);

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
