#include <QLabel>
#include <QSlider>

#include "app/widgets.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

// The column of `slider` where its pointer stands at `value`, read from the
// picture: the middle of what changes when the pointer moves from one step
// below the value to one step above it.
int pointerColumn(QSlider* slider, int value) {
  const int below = std::max(value - 1, slider->minimum());
  const int above = std::min(value + 1, slider->maximum());
  slider->setValue(below);
  const QImage a = slider->grab().toImage();
  slider->setValue(above);
  const QImage b = slider->grab().toImage();
  int first = -1, last = -1;
  for (int x = 0; x < a.width(); ++x) {
    for (int y = 0; y < a.height(); ++y) {
      if (a.pixel(x, y) != b.pixel(x, y)) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return (first + last) / 2;
}

// The middle of the text a label draws, in the slider's columns.
int textColumn(QLabel* label, QSlider* slider) {
  const QImage image = label->grab().toImage();
  int first = -1, last = -1;
  for (int x = 0; x < image.width(); ++x) {
    for (int y = 0; y < image.height(); ++y) {
      if (qGray(image.pixel(x, y)) < 128) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  const int middle = (first + last) / 2;
  return slider->mapFromGlobal(label->mapToGlobal(QPoint(middle, 0))).x();
}

TEST_F(WindowTest, ScaleLabelsStandUnderTheirValues) {
  startConnected();
  showPageOf(window->volumePage);
  const struct {
    QSlider* slider;
    const char* scale;
    std::vector<std::pair<int, QString>> marks;
  } scales[] = {
      {window->Slider2,
       "Slider2Scale",
       {{-55, "-55dB"}, {-35, "-35dB"}, {-25, "-25dB"}, {-15, "-15dB"}, {-5, "-5dB"}, {5, "+5dB"}}},
      {window->CWSlide1[1],
       "CWSlide1Scale(1)",
       {{0, "0"}, {10, "1"}, {20, "2"}, {30, "3"}, {40, "4"}, {50, "5"}}},
  };
  for (const auto& s : scales) {
    auto* scale = find<QWidget>(s.scale);
    ASSERT_NE(scale, nullptr);
    // Half a step of the slider, and two pixels for the rounding of glyphs.
    const int tolerance = s.slider->width() / (s.slider->maximum() - s.slider->minimum()) / 2 + 2;
    for (const auto& [value, text] : s.marks) {
      QLabel* label = nullptr;
      for (QLabel* l : scale->findChildren<QLabel*>())
        if (l->text() == text) label = l;
      ASSERT_NE(label, nullptr) << text.toStdString();
      EXPECT_TRUE(label->isVisible()) << text.toStdString();
      EXPECT_NEAR(textColumn(label, s.slider), pointerColumn(s.slider, value), tolerance)
          << s.scale << " " << text.toStdString();
    }
  }
}

}  // namespace
}  // namespace eqset::test
