#include "app/translations.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

namespace eqset {

bool installQtChinese(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  // Qt's own folder; on Windows the program folder's translations/ comes first.
  const QString folders[] = {
#ifdef Q_OS_WIN
      QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
#endif
      QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  bool loaded = false;
  for (const QString& folder : folders)
    if (!loaded) loaded = translator->load(QStringLiteral("qtbase_zh_CN"), folder);
  if (!loaded) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

QString windowsChineseFamily(const QStringList& families) {
  // Windows lists its faces under their English names, and under their
  // Chinese names where the system's language is Chinese.
  const QStringList wanted[] = {
      {QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑")},
      {QStringLiteral("SimSun"), QStringLiteral("宋体")},
  };
  for (const QStringList& names : wanted)
    for (const QString& name : names)
      for (const QString& family : families)
        if (family.compare(name, Qt::CaseInsensitive) == 0) return names.first();
  return {};
}

QString useChineseFont(const QString& programFolder) {
#ifdef Q_OS_WIN
  QString family = windowsChineseFamily(QFontDatabase::families());
  if (family.isEmpty()) {
    const QDir fonts(QDir(programFolder).filePath(QStringLiteral("fonts")));
    for (const QString& file : fonts.entryList({QStringLiteral("*.ttc"), QStringLiteral("*.ttf")},
                                               QDir::Files, QDir::Name)) {
      const int id = QFontDatabase::addApplicationFont(fonts.filePath(file));
      const QStringList added = QFontDatabase::applicationFontFamilies(id);
      if (!added.isEmpty()) {
        family = added.first();
        break;
      }
    }
  }
  if (family.isEmpty()) return {};
  QFont font = QApplication::font();
  font.setFamilies({family});
  QApplication::setFont(font);
  return family;
#else
  Q_UNUSED(programFolder);
  return {};
#endif
}

}  // namespace eqset
