#pragma once

#include <QDoubleSpinBox>

namespace eqset {

// One band's numeric edit under the graph (FreqNum(n)). It shows, in turn, a
// measured level, a linear reading, a present gain or a compensation, each in
// its own format. Values set by the program never count as the technician's.
class BandEdit : public QDoubleSpinBox {
  Q_OBJECT
 public:
  enum class Format {
    Linear,    // "0.000": a linear reading
    General,   // ".": a level or a gain, as few decimals as it needs (at most one)
    TwoDigit,  // "00": a compensation in whole dB
  };

  explicit BandEdit(QWidget* parent = nullptr);

  // Sets the value and its format without it counting as an edit.
  void showValue(double value, Format format);
  void setFormat(Format format);
  Format format() const { return format_; }

  QString textFromValue(double value) const override;

 signals:
  // The technician committed a new value (Enter, leaving the box, an arrow).
  void edited(double value);
  void focusGained();
  void focusLost();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  Format format_ = Format::General;
};

}  // namespace eqset
