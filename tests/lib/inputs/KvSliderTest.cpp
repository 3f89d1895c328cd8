#include "KvSlider.h"

#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <vector>

using kv::Bounds, kv::Rect;

using kvtest::CountPixels;
using kvtest::PixelAt;

namespace {

constexpr int32_t kLime = 0x00FF00, kGreen = 0x008000, kBlack = 0, kBlue = 0xFF0000;

// A slider at (0, 0) on a shown form.
struct Scene {
  TForm form{nullptr};
  QPointer<TKvSlider> slider;
  std::vector<int> changes;
  Scene(int width, int height, bool horizontal) {
    slider = new TKvSlider(&form);
    slider->SetParent(&form);
    if (horizontal) slider->SetOrientation(TKvOrientation::voHorizontal);
    slider->SetBounds(0, 0, width, height);
    QObject::connect(slider, &TKvSlider::OnChange,
                     [this](TObject*) { changes.push_back(slider->Position()); });
    kvtest::ShowForm(&form, 240, 180);
  }
  QImage Shot() const { return kvtest::Grab(slider); }
};

// The demo's slider: 226 x 36, horizontal, at 20.
struct DemoScene : Scene {
  DemoScene() : Scene(226, 36, true) { slider->SetPosition(20); }
};

}  // namespace

TEST(Slider, InitialSettingsAndTheLitPartUnderTheThumb) {
  Scene s(36, 171, false);
  TKvSlider fresh(nullptr);
  EXPECT_EQ(fresh.BoundsRect(), Rect(0, 0, 36, 171));
  EXPECT_EQ(fresh.Orientation(), TKvOrientation::voVertical);
  EXPECT_EQ(fresh.Options(), TKvSliderOption::soHandPoint | TKvSliderOption::soThumbOpaque);
  EXPECT_FALSE(fresh.ParentColor());
  EXPECT_EQ(fresh.ThumbWidth(), 30);  // the horizontal picture on a vertical slider
  const auto defaults = kvtest::StreamingDefaults(TKvSlider::staticMetaObject);
  EXPECT_EQ(defaults.at("Options"), "[soHandPoint, soThumbOpaque]");
  EXPECT_EQ(defaults.at("Color"), "clBlack");
  // Thumb at the bottom; the lit part lies under it, so no lit pixel shows.
  EXPECT_EQ(s.slider->ThumbRect(), Bounds(3, 155, 30, 13));
  const QImage shot = s.Shot();
  EXPECT_EQ(CountPixels(shot, kLime), 0);
  EXPECT_GT(CountPixels(shot, kGreen), 0);
  EXPECT_MATCHES_REFERENCE(shot, "lib/slider-initial");
}

TEST(Slider, DemoGeometry) {
  DemoScene s;
  int start = 0, length = 0;
  EXPECT_EQ(s.slider->GetTravelRect(start, length), Rect(3, 3, 223, 33));
  EXPECT_EQ(start, 3);
  EXPECT_EQ(length, 207);
  EXPECT_EQ(s.slider->ThumbRect(), Bounds(44, 3, 13, 30));
  EXPECT_EQ(s.slider->OffStrip()->Width(), 214);
  EXPECT_EQ(s.slider->OffStrip()->Height(), 24);
  const QImage shot = s.Shot();
  // Bars at every other column from x = 6; lit up to x = 49, unlit beyond the thumb.
  EXPECT_EQ(PixelAt(shot, 6, 15), kLime);
  EXPECT_EQ(PixelAt(shot, 7, 15), kBlack);
  EXPECT_EQ(PixelAt(shot, 42, 29), kLime);
  EXPECT_EQ(PixelAt(shot, 60, 6), kGreen);
  EXPECT_EQ(PixelAt(shot, 61, 6), kBlack);
  EXPECT_EQ(PixelAt(shot, 218, 15), kGreen);
  EXPECT_MATCHES_REFERENCE(shot, "lib/slider-demo");
}

// The focus shows in the frame's colour; the face inside it stays as it was.
TEST(Slider, FocusedDemoSlider) {
  DemoScene s;
  const QImage before = s.Shot();
  s.slider->SetTabStop(true);
  s.slider->SetFocus();
  kvtest::Pump();
  ASSERT_TRUE(s.slider->HasFocus());
  const QImage focused = s.Shot();
  EXPECT_EQ(PixelAt(focused, 0, 0), kBlue);
  EXPECT_EQ(PixelAt(focused, 225, 35), kBlue);
  EXPECT_SAME_PIXELS(focused.copy(1, 1, 224, 34), before.copy(1, 1, 224, 34));
  EXPECT_MATCHES_REFERENCE(focused, "lib/slider-focused");
}

TEST(Slider, CheckerboardTicksShiftByOnePerRow) {
  DemoScene s;
  s.slider->SetSolidFill(false);
  s.slider->SetTickWidth(3);
  const QImage strip = s.slider->OffStrip()->Image();
  EXPECT_EQ(PixelAt(strip, 0, 0), kGreen);
  EXPECT_EQ(PixelAt(strip, 1, 0), kBlack);
  EXPECT_EQ(PixelAt(strip, 0, 1), kBlack);
  EXPECT_EQ(PixelAt(strip, 1, 1), kGreen);
  EXPECT_EQ(PixelAt(strip, 3, 0), kBlack);  // the spacing
  EXPECT_EQ(PixelAt(strip, 4, 0), kGreen);  // the next tick starts its own pattern
  EXPECT_MATCHES_REFERENCE(s.Shot(), "lib/slider-checkered");
}

TEST(Slider, ValuesKeysAndRanges) {
  DemoScene s;
  s.changes.clear();
  s.slider->SetMinValue(30);
  EXPECT_EQ(s.changes, (std::vector<int>{30}));
  for (const TKvSliderStyle style : {TKvSliderStyle::ssBottomLeft, TKvSliderStyle::ssTopRight}) {
    s.slider->SetStyle(style);
    QTest::keyClick(s.slider, Qt::Key_Home);
    EXPECT_EQ(s.slider->Position(), 30);
    QTest::keyClick(s.slider, Qt::Key_End);
    EXPECT_EQ(s.slider->Position(), 100);
  }
  s.slider->SetStyle(TKvSliderStyle::ssBottomLeft);
  s.slider->SetMinValue(0);
  s.slider->SetPosition(100);
  s.slider->SetMaxValue(INT_MAX);
  s.slider->SetKeyIncrement(INT_MAX);
  QTest::keyClick(s.slider, Qt::Key_Right);  // no wrap to the wrong end
  EXPECT_EQ(s.slider->Position(), INT_MAX);
  s.slider->SetMinValue(50);
  s.slider->SetMaxValue(50);
  QTest::keyClick(s.slider, Qt::Key_Left);
  EXPECT_EQ(s.slider->Position(), 50);
  EXPECT_EQ(s.slider->ThumbRect().Left, 3);  // an empty range sits at the base
}

TEST(Slider, HugeTicksStayWithinTheStrip) {
  DemoScene s;
  s.slider->SetSpacing(1);
  for (const int tick : {100000000, INT_MAX}) {
    for (const bool solid : {true, false}) {
      s.slider->SetSolidFill(solid);
      s.slider->SetTickWidth(tick);
      EXPECT_EQ(s.slider->OffStrip()->Width(), 214);
      EXPECT_EQ(PixelAt(s.slider->OffStrip()->Image(), 0, 0), kGreen);
    }
  }
}

TEST(Slider, SquareOrientationChangeRebuildsTheStrips) {
  Scene s(60, 60, false);
  // Vertical: the bars run across, so a column shows ink and gaps.
  EXPECT_NE(PixelAt(s.slider->OffStrip()->Image(), 5, 0),
            PixelAt(s.slider->OffStrip()->Image(), 5, 1));
  s.slider->SetOrientation(TKvOrientation::voHorizontal);
  EXPECT_EQ(PixelAt(s.slider->OffStrip()->Image(), 0, 5),
            PixelAt(s.slider->OffStrip()->Image(), 0, 6));
  EXPECT_NE(PixelAt(s.slider->OffStrip()->Image(), 0, 5),
            PixelAt(s.slider->OffStrip()->Image(), 1, 5));
}

TEST(Slider, AThumbBeyondTheInteriorLightsNothing) {
  Scene s(36, 171, false);
  s.slider->SetThumbIndent(0);
  s.slider->Bevel()->SetBorderWidth(10);
  EXPECT_EQ(CountPixels(s.Shot(), kLime), 0);
}
