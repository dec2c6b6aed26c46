#pragma once

class QCoreApplication;

namespace eqset {

// Qt's own Chinese for standard buttons and file dialogs, so that a message
// box in the window says 确定/取消 like everything around it. Loaded before
// the first window is built; false when the translation is not installed
// (the window then still works, with Qt's English buttons).
bool installQtChinese(QCoreApplication& app);

}  // namespace eqset
