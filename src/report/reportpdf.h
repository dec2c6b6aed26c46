#pragma once

#include <QByteArray>
#include <QFont>
#include <QImage>

#include "report/reportcontent.h"

class QWidget;

namespace eqset {

// The commissioning report as an A4 PDF: the session, every channel with its
// graph (first curve, final curve and target, drawn as vectors by the same
// chart the window shows), its deviations and equalizer gains, then the other
// settings. A channel the last "全场均衡" run tuned shows each position's first
// sweep, the averages before and after, and how far the positions differ. Text is set in `font`'s
// family; the PDF embeds the fonts it uses, the fallback that draws the Chinese glyphs included.
QByteArray reportPdf(const ReportContent& content, const QFont& font);

// The widget drawn at twice its resolution: an image of twice its size in
// pixels, lines and text drawn again at that scale rather than enlarged.
QImage doubleResolutionPicture(QWidget* widget);

// The picture as PNG bytes.
QByteArray pngBytes(const QImage& image);

}  // namespace eqset
