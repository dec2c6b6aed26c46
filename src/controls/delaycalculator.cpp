#include "controls/delaycalculator.h"

#include <QLineEdit>
#include <cmath>
#include <limits>

namespace eqset {

namespace {

constexpr float kMetresPerMs = 0.34f;
constexpr int kProcessorMaxDelayMs = 255;
constexpr double kRegisterMax = std::numeric_limits<std::int16_t>::max();

bool fitsRegister(double v) {
  return v >= 0 && v <= kRegisterMax;
}

}  // namespace

std::optional<double> roomDimension(const QString& text) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v) || v < 0) return std::nullopt;
  return v;
}

std::variant<DelayPlan, DelayRefusal> planDelays(const QString& lengthText,
                                                 const QString& widthText) {
  const auto lengthEntered = roomDimension(lengthText);
  const auto widthEntered = roomDimension(widthText);
  if (!lengthEntered || !widthEntered) return DelayRefusal::NotADimension;

  float length = static_cast<float>(*lengthEntered);
  float width = static_cast<float>(*widthEntered);
  if (length == 0 || width == 0) length = width = 0;
  const float a = (length + length) / 3;
  const float b = width / 2;
  const float d = std::sqrt(a * a + b * b);
  // Rounded as doubles (halves to even): a size too large for a float leaves
  // infinities or NaN here, which fit no register.
  const double centre = std::nearbyint((d - a) / kMetresPerMs);
  const double surround = std::nearbyint((d - b) / kMetresPerMs);
  const double lengthRegister = std::nearbyint(*lengthEntered);
  const double widthRegister = std::nearbyint(*widthEntered);
  for (double v : {centre, surround, lengthRegister, widthRegister}) {
    if (!fitsRegister(v)) return DelayRefusal::TooLarge;
  }

  DelayPlan plan;
  const auto c = static_cast<int>(centre);
  const auto s = static_cast<int>(surround);
  plan.delaysMs = {0, 0, c, c, s, s};
  plan.lengthMetres = static_cast<int>(lengthRegister);
  plan.widthMetres = static_cast<int>(widthRegister);
  plan.beyondProcessorRange = c > kProcessorMaxDelayMs || s > kProcessorMaxDelayMs;
  return plan;
}

DelayCalculator::DelayCalculator(ModbusLink& link, Dialogs& dialogs, const Controls& controls)
    : link_(link), dialogs_(dialogs), c_(controls) {}

void DelayCalculator::calculateAndWrite() {
  const auto result = planDelays(c_.dimensions[0]->text(), c_.dimensions[1]->text());
  if (const auto* refusal = std::get_if<DelayRefusal>(&result)) {
    // Nothing is written: a guessed delay would be worse than the old one.
    const QString text =
        *refusal == DelayRefusal::NotADimension
            ? QStringLiteral("影院长和影院宽必须是不小于0的数字(米)，延时未设定。")
            : QStringLiteral("影院尺寸过大，延时超出范围，延时未设定，请认真核对！");
    dialogs_.message(text, QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    return;
  }
  const auto& plan = std::get<DelayPlan>(result);
  for (int k = 0; k < kChannels; ++k)
    c_.delays[static_cast<std::size_t>(k)]->setText(
        QString::number(plan.delaysMs[static_cast<std::size_t>(k)]));
  if (plan.beyondProcessorRange) {
    dialogs_.message(QStringLiteral("距离超出有效范围，请认真核对！"), QStringLiteral("提示"),
                     Dialogs::Icon::None, Dialogs::Buttons::Ok);
  }
  link_.WriteRegisters(reg::kDelay, std::vector<int>(plan.delaysMs.begin(), plan.delaysMs.end()));
  link_.WriteRegisters(reg::kTheatreLength, std::vector<int>{plan.lengthMetres, plan.widthMetres});
}

}  // namespace eqset
