#pragma once

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

namespace eqset {

// A slider that tells user moves (drag, track click, keys) apart from
// positions the program sets: userMoved fires only for the former, with the
// position the thumb has now.
class UserSlider : public QSlider {
  Q_OBJECT
 public:
  explicit UserSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

 signals:
  void userMoved(int position);
  void focusGained();
  void focusLost();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// Numeric edit with spin arrows. The wheel only changes the number; a mouse
// press anywhere on the box (its number field included) applies the number the
// box shows, a typed one not yet confirmed with Enter included.
class NumEdit : public QDoubleSpinBox {
  Q_OBJECT
 public:
  explicit NumEdit(QWidget* parent = nullptr);

 signals:
  void pressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void applyPress();
};

// A text box whose entry is checked when the technician presses Enter in it and
// again whenever it loses the focus.
class EntryBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit EntryBox(const QString& text, QWidget* parent = nullptr);

 signals:
  void entered();

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

// An option button that reacts on the whole strip it paints, not only on its
// round mark and caption: the technician aims at the coloured strip.
class OptionButton : public QRadioButton {
  Q_OBJECT
 public:
  explicit OptionButton(const QString& caption, QWidget* parent = nullptr);

 protected:
  bool hitButton(const QPoint& pos) const override;
};

// Pointer slider over a 0..5 scale with tenths between the whole numbers.
class PointerSlide : public QSlider {
  Q_OBJECT
 public:
  static constexpr int kStepsPerUnit = 10;
  explicit PointerSlide(QWidget* parent = nullptr);
  double pointerValue() const { return static_cast<double>(sliderPosition()) / kStepsPerUnit; }
  void setPointerValue(double v) { setValue(static_cast<int>(v * kStepsPerUnit)); }

 signals:
  // The pointer moved under the user's hand.
  void userChanged(double value);
};

}  // namespace eqset
