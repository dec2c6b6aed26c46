#pragma once

#include <QFontDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <vector>

namespace eqset::test {

// The poppler tools (Debian package poppler-utils) read the reports back as
// a viewer would: text, fonts, pages and pixels.
inline bool popplerInstalled() {
  for (const char* tool : {"pdftotext", "pdftoppm", "pdffonts", "pdfinfo"}) {
    if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) return false;
  }
  return true;
}

struct ToolRun {
  int exitCode = -1;
  QByteArray out;
  QByteArray err;
};

inline ToolRun runTool(const QString& tool, const QStringList& arguments) {
  QProcess process;
  process.start(tool, arguments);
  ToolRun run;
  if (!process.waitForFinished(60'000)) return run;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  return run;
}

inline QString pdfText(const QString& path) {
  return QString::fromUtf8(runTool("pdftotext", {"-enc", "UTF-8", path, "-"}).out);
}

inline int pdfPages(const QString& path) {
  const QString info = QString::fromUtf8(runTool("pdfinfo", {path}).out);
  for (const QString& line : info.split('\n')) {
    if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
  }
  return -1;
}

struct PdfFont {
  QString name;  // without the subset tag "ABCDEF+"
  bool embedded = false;
};

// The fonts pdffonts lists: name, type (maybe two words), encoding, then
// emb, sub, uni, object number and generation.
inline std::vector<PdfFont> pdfFonts(const QString& path) {
  std::vector<PdfFont> fonts;
  const QStringList lines = QString::fromUtf8(runTool("pdffonts", {path}).out).split('\n');
  for (qsizetype i = 2; i < lines.size(); ++i) {
    const QStringList cells = lines[i].split(' ', Qt::SkipEmptyParts);
    if (cells.size() < 7) continue;
    QString name = cells.front();
    if (name.size() > 7 && name[6] == '+') name = name.mid(7);
    fonts.push_back({name, cells[cells.size() - 5] == "yes"});
  }
  return fonts;
}

// Whether a font named in a PDF is one of the installed families that draw
// simplified Chinese (PDF names drop the spaces of the family name).
inline bool drawsChinese(const QString& pdfName) {
  for (QString family : QFontDatabase::families(QFontDatabase::SimplifiedChinese)) {
    family.remove(' ');
    if (!family.isEmpty() && pdfName.startsWith(family, Qt::CaseInsensitive)) return true;
  }
  return false;
}

}  // namespace eqset::test
