#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace eqset {

// Qt's own Chinese for standard buttons and file dialogs, so that a message
// box in the window says 确定/取消 like everything around it. Loaded before
// the first window is built; false when the translation is not installed
// (the window then still works, with Qt's English buttons).
bool installQtChinese(QCoreApplication& app);

// The Chinese face a Windows window is set in, from the families the system
// has: Microsoft YaHei, else SimSun; empty when it has neither.
QString windowsChineseFamily(const QStringList& families);

// On Windows, sets the application's font to that face, or to the font that
// comes with the program (fonts/ beside the executable) where the system has
// neither. Returns the family set, empty when nothing was set. Elsewhere the
// system's font configuration already picks a Chinese face: does nothing.
QString useChineseFont(const QString& programFolder);

}  // namespace eqset
