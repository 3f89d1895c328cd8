#include "KvTrackBar.h"

#include "Forms.h"
#include "KvInputsInternal.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPointer>
#include <QRandomGenerator>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <vector>

using kv::Bounds, kv::ColorToRGB, kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kBack = 0x406080, kSilver = 0xC0C0C0, kWhite = 0xFFFFFF, kBlack = 0;

void Press(QWidget* w, QPoint p) { QTest::mousePress(w, Qt::LeftButton, {}, p); }
void Release(QWidget* w, QPoint p) { QTest::mouseRelease(w, Qt::LeftButton, {}, p); }
void Drag(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

// A track bar at (0, 0) on a shown form of colour kBack.
struct Scene {
  TForm form{nullptr};
  QPointer<TKvTrackBar> bar;
  std::vector<int> changes;
  explicit Scene(int width = 175, int height = 45) {
    form.SetColor(TColor(kBack));
    bar = new TKvTrackBar(&form);
    bar->SetParent(&form);
    bar->SetBounds(0, 0, width, height);
    QObject::connect(bar, &TKvTrackBar::OnChange,
                     [this](TObject*) { changes.push_back(bar->Position()); });
    kvtest::ShowForm(&form, 200, 60);
  }
  QImage Shot() const { return kvtest::Grab(bar); }
  QPoint ThumbCentre() const {
    const TRect r = bar->ThumbRect();
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
};

// The thinning as a plain loop, for small ranges.
kv::TickThinning LoopThinning(int64_t span, int64_t frequency, int64_t travel) {
  for (int64_t g = 1;; ++g) {
    const int64_t count = kv::Round64((long double)span / (frequency * g)) + 1;
    const int64_t gap = count > 1 ? travel / (count - 1) : travel;
    if (gap >= 4 || gap >= travel) return {g, count};
  }
}

}  // namespace

TEST(TrackBar, InitialSettingsAndStreamingDefaults) {
  TKvTrackBar bar(nullptr);
  EXPECT_EQ(bar.BoundsRect(), Rect(0, 0, 175, 45));
  EXPECT_TRUE(bar.ParentColor());
  EXPECT_FALSE(bar.TabStop());
  EXPECT_EQ(bar.Options(), TKvTrackBarOption::toActiveClick | TKvTrackBarOption::toMouseClip |
                               TKvTrackBarOption::toHandPoint | TKvTrackBarOption::toThumbOpaque);
  EXPECT_EQ(bar.GutterBevel()->OuterStyle(), TKvBevelStyle::bsLowered);
  EXPECT_EQ(bar.GutterBevel()->InnerStyle(), TKvBevelStyle::bsNone);
  int s = 0, length = 0;
  bar.GetTravelRect(s, length);
  EXPECT_EQ(s, 10);
  EXPECT_EQ(length, 146);
  EXPECT_EQ(bar.ThumbRect(), Bounds(10, 14, 9, 17));
  EXPECT_EQ(bar.GutterRect(), Rect(10, 18, 165, 27));
  const auto defaults = kvtest::StreamingDefaults(TKvTrackBar::staticMetaObject);
  EXPECT_EQ(defaults.at("Options"), "[toActiveClick, toMouseClip, toHandPoint, toThumbOpaque]");
  EXPECT_EQ(defaults.at("ParentColor"), "true");
}

TEST(TrackBar, DemoFaceHasElevenTicksAndTheGutter) {
  Scene s;
  const QImage shot = s.Shot();
  for (int v = 0; v <= 100; v += 10) {
    const int x = 14 + kv::Round(1.46L * v);
    const bool end = v == 0 || v == 100;
    SCOPED_TRACE(v);
    EXPECT_EQ(PixelAt(shot, x, 8), kBack);
    EXPECT_EQ(PixelAt(shot, x, 9), end ? kBlack : kBack);
    EXPECT_EQ(PixelAt(shot, x, 10), kBlack);
    EXPECT_EQ(PixelAt(shot, x, 12), kBlack);
    EXPECT_EQ(PixelAt(shot, x, 13), kBack);
    EXPECT_EQ(PixelAt(shot, x, 31), kBack);
    EXPECT_EQ(PixelAt(shot, x, 32), kBlack);
    EXPECT_EQ(PixelAt(shot, x, 34), kBlack);
    EXPECT_EQ(PixelAt(shot, x, 35), end ? kBlack : kBack);
    EXPECT_EQ(PixelAt(shot, x + 1, 11), kBack);
  }
  EXPECT_EQ(PixelAt(shot, 50, 22), kBlack);  // gutter fill
  EXPECT_EQ(PixelAt(shot, 50, 18), ColorToRGB(clBtnShadow));
  EXPECT_EQ(PixelAt(shot, 50, 26), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(shot, 10, 14), kBlack);  // thumb outline, white and silver inside
  EXPECT_EQ(PixelAt(shot, 11, 15), kWhite);
  EXPECT_EQ(PixelAt(shot, 12, 16), kSilver);
  EXPECT_MATCHES_REFERENCE(shot, "lib/trackbar-initial");
}

TEST(TrackBar, PositionsKeysAndFixedPoints) {
  Scene s;
  s.bar->SetPosition(25);
  EXPECT_EQ(s.bar->ThumbRect().Left, 46);  // round(36.5) = 36
  QTest::keyClick(s.bar, Qt::Key_Home);
  EXPECT_EQ(s.bar->Position(), 100);
  EXPECT_EQ(s.bar->ThumbRect().Left, 156);
  QTest::keyClick(s.bar, Qt::Key_End);
  EXPECT_EQ(s.bar->Position(), 0);
  QTest::keyClick(s.bar, Qt::Key_Right);
  EXPECT_EQ(s.bar->Position(), 10);
  s.changes.clear();
  s.bar->SetOptions(s.bar->Options() | TKvTrackBarOption::toFixedPoints);
  const QPoint c = s.ThumbCentre();
  Press(s.bar, c);
  for (int x = c.x(); x <= 250; ++x) Drag(s.bar, QPoint(x, c.y()));
  Release(s.bar, QPoint(250, c.y()));
  for (int v : s.changes) EXPECT_EQ(v % 10, 0) << v;
  EXPECT_EQ(s.changes.back(), 100);
}

TEST(TrackBar, ThinningFindsTheLoopsStep) {
  const kv::TickThinning t = kv::ThinTicks(100, 1, 146);
  EXPECT_EQ(t.g, 3);
  EXPECT_EQ(t.count, 34);
  EXPECT_EQ(kv::ThinTicks(4, 10, 146).count, 1);
  QRandomGenerator random(14);
  for (int i = 0; i < 10000; ++i) {
    const int64_t span = random.bounded(0, 5000), frequency = random.bounded(1, 50),
                  travel = random.bounded(1, 400);
    const kv::TickThinning a = kv::ThinTicks(span, frequency, travel);
    const kv::TickThinning b = LoopThinning(span, frequency, travel);
    ASSERT_EQ(a.g, b.g) << span << " " << frequency << " " << travel;
    ASSERT_EQ(a.count, b.count);
  }
  // On a 0 .. 100 bar at Frequency 1: ticks every 3, the last at 100.
  Scene s;
  s.bar->SetFrequency(1);
  const QImage shot = s.Shot();
  EXPECT_EQ(PixelAt(shot, 14 + kv::Round(1.46L * 3), 11), kBlack);
  EXPECT_EQ(PixelAt(shot, 14 + kv::Round(1.46L * 1), 11), kBack);
  EXPECT_EQ(PixelAt(shot, 160, 9), kBlack);
}

// Huge ranges, no Frequency and no room to travel: a bounded paint, the thumb at the base.
TEST(TrackBar, DegenerateRangesAndTravelsAreGuarded) {
  for (const int width : {175, 29, 20}) {
    SCOPED_TRACE(width);
    Scene s(width, 45);
    s.bar->SetMinValue(INT_MIN);
    s.bar->SetMaxValue(INT_MAX);
    s.bar->SetFrequency(1);
    QElapsedTimer t;
    t.start();
    s.bar->UpdateControl();
    EXPECT_LT(t.elapsed(), 500);
    s.bar->SetFrequency(0);
    s.bar->SetOptions(s.bar->Options() | TKvTrackBarOption::toFixedPoints);
    Press(s.bar, QPoint(width / 2, 22));
    Drag(s.bar, QPoint(-500, 22));
    Release(s.bar, QPoint(-500, 22));
    int start = 0, length = 0;
    s.bar->GetTravelRect(start, length);
    if (length <= 0) {
      EXPECT_EQ(s.bar->ThumbRect().Left, start);
    }
  }
  for (const auto& [lo, hi] : {std::pair{50, 50}, std::pair{100, 0}}) {
    Scene s;
    s.bar->SetMaxValue(hi);
    s.bar->SetMinValue(lo);
    QTest::keyClick(s.bar, Qt::Key_Right);
    Press(s.bar, QPoint(100, 22));
    Drag(s.bar, QPoint(500, 22));
    Release(s.bar, QPoint(500, 22));
    EXPECT_EQ(s.bar->Position(), hi);
    if (lo == hi) {
      EXPECT_EQ(s.bar->ThumbRect().Left, 10);  // a zero span sits at the base
    }
  }
}

TEST(TrackBar, FullIntRangeReadsExactEnds) {
  Scene s;
  s.bar->SetStyle(TKvProgressStyle::psTopRight);
  s.bar->SetMinValue(INT_MIN);
  s.bar->SetMaxValue(INT_MAX);
  s.bar->SetPosition(0);
  const QPoint c = s.ThumbCentre();
  Press(s.bar, c);
  Drag(s.bar, QPoint(-1000, c.y()));
  EXPECT_EQ(s.bar->Position(), INT_MAX);
  Drag(s.bar, QPoint(1000, c.y()));
  EXPECT_EQ(s.bar->Position(), INT_MIN);
  Release(s.bar, QPoint(1000, c.y()));
  s.bar->SetPosition(100);
  QTest::keyClick(s.bar, Qt::Key_Left);  // top/right: left raises
  EXPECT_EQ(s.bar->Position(), 110);
}

TEST(TrackBar, GutterTicksAndFocusFrame) {
  Scene s;
  s.bar->GutterBevel()->SetVisible(false);
  QImage shot = s.Shot();
  EXPECT_EQ(PixelAt(shot, 50, 22), kBack);
  EXPECT_EQ(PixelAt(shot, 14, 9), kBlack);
  EXPECT_MATCHES_REFERENCE(shot, "lib/trackbar-no-gutter");
  s.bar->SetTabStop(true);
  s.bar->SetFocusColor(clRed);
  s.bar->SetFocus();
  kvtest::Pump();
  ASSERT_TRUE(s.bar->HasFocus());
  EXPECT_EQ(PixelAt(s.Shot(), 100, 0), 0x0000FF);
  s.bar->SetFocusOffset(-1);
  EXPECT_EQ(PixelAt(s.Shot(), 100, 0), kBack);
  s.bar->SetFocusOffset(0);
  s.bar->SetTickMarks(TKvTickMarks::tmTopLeft);
  s.bar->GutterBevel()->SetVisible(true);
  EXPECT_MATCHES_REFERENCE(s.Shot(), "lib/trackbar-topleft-focused");
  s.bar->SetTickMarks(TKvTickMarks::tmBottomRight);
  EXPECT_MATCHES_REFERENCE(s.Shot(), "lib/trackbar-bottomright-focused");
}
