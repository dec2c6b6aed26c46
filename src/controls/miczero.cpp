#include "controls/miczero.h"

#include <QLineEdit>

#include "params/numbers.h"

namespace eqset {

MicZero::MicZero(Dialogs& dialogs, QLineEdit* box) : dialogs_(dialogs), box_(box) {}

double MicZero::value() const {
  return leadingNumber(box_->text());
}

void MicZero::checkRange() {
  const double v = value();
  if (v >= kMin && v <= kMax) return;
  box_->setText(v > kMax ? QStringLiteral("8") : QStringLiteral("-8"));
  dialogs_.message(QStringLiteral("设置超过范围,参数在[-8,+8]之间"), QStringLiteral("设置提示"),
                   Dialogs::Icon::None, Dialogs::Buttons::Ok);
}

}  // namespace eqset
