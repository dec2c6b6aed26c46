#include "app/qtdialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <utility>

namespace eqset {

Dialogs::Answer QtDialogs::message(const QString& text, const QString& title, Icon icon,
                                   Buttons buttons) {
  QMessageBox box(parent_);
  box.setWindowTitle(title);
  box.setText(text);
  switch (icon) {
    case Icon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case Icon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case Icon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case Icon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case Icon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  switch (buttons) {
    case Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case Buttons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case Buttons::RetryCancel:
      box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
      break;
    case Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok:
      return Answer::Ok;
    case QMessageBox::Retry:
      return Answer::Retry;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

QStringList qtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    const QString pattern = parts[i + 1].trimmed();
    for (const auto& [open, close] : {std::pair{u'(', u')'}, std::pair{u'（', u'）'}}) {
      const QString shown = QString(QChar(open)) + pattern + QChar(close);
      if (name.endsWith(shown)) name = name.chopped(shown.size()).trimmed();
    }
    filters << QStringLiteral("%1 (%2)").arg(name, pattern);
  }
  return filters;
}

QString QtDialogs::file(const FileRequest& request) {
  QFileDialog dialog(parent_, request.title);
  dialog.setNameFilters(qtNameFilters(request.filter));
  dialog.setDefaultSuffix(request.defaultSuffix);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QString folder = request.folder.isEmpty() ? lastFolder_ : request.folder;
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString path = dialog.selectedFiles().first();
  lastFolder_ = QFileInfo(path).absolutePath();
  return path;
}

}  // namespace eqset
