#include "KvWheel.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>

#include <climits>

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

// The demo's range on the built-in 85 x 85 knob.
void MakeDemo(TKvWheel& w) {
  w.SetMaxValue(150);
  w.SetMinValue(50);
  w.SetPosition(70);
}

// A wheel the test can press, move and release as the framework would.
class TestWheel : public TKvWheel {
public:
  using TKvWheel::TKvWheel;
  void Press(int x, int y) { MouseDown(TMouseButton::mbLeft, TShiftStateFlag::ssLeft, x, y); }
  void Move(int x, int y, bool left = true) {
    MouseMove(left ? TShiftState(TShiftStateFlag::ssLeft) : TShiftState(), x, y);
  }
  void Release(int x, int y) { MouseUp(TMouseButton::mbLeft, TShiftState(), x, y); }
  void LoseCapture() { CMCancelMode(); }
};

}  // namespace

TEST(Wheel, HandleOfTheDemo) {
  TKvWheel w(nullptr);
  MakeDemo(w);
  // 20 % of 360 degrees is 71 (extended-precision scaling), so the handle is at 251 degrees.
  EXPECT_EQ(w.HandleCenter().X, 14);
  EXPECT_EQ(w.HandleCenter().Y, 51);
  const QImage img = kvtest::RenderControl(&w, kPanelColor, 0);
  // The 9 x 9 handle's top-left corner at (10, 47): its red dot fills the middle.
  EXPECT_EQ(PixelAt(img, 14, 51), clRed.Value);
  EXPECT_NE(PixelAt(img, 14, 60), clRed.Value);
}

TEST(Wheel, PointerPositions) {
  TKvWheel w(nullptr);
  MakeDemo(w);
  EXPECT_EQ(w.PositionAt(42, 10), 100);
  EXPECT_EQ(w.PositionAt(80, 42), 125);
  EXPECT_EQ(w.PositionAt(4, 42), 75);
  EXPECT_EQ(w.PositionAt(42, 42), 50);
  // Around the centre the ratio stays in range: every neighbour gives a position.
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy) {
      const int p = w.PositionAt(42 + dx, 42 + dy);
      EXPECT_GE(p, 50);
      EXPECT_LE(p, 150);
    }
  // The gap at the bottom with BaseAngle 30: maximum on the right, minimum on the left.
  w.SetBaseAngle(30);
  EXPECT_EQ(w.PositionAt(45, 84), 150);
  EXPECT_EQ(w.PositionAt(39, 84), 50);
  // An empty arc: every pointer gives the minimum.
  w.SetBaseAngle(200);
  EXPECT_EQ(w.PositionAt(42, 10), 50);
  EXPECT_EQ(w.PositionAt(80, 42), 50);
}

TEST(Wheel, WidestRangeTakesHalfAtTheTop) {
  TKvWheel w(nullptr);
  w.SetMaxValue(INT_MAX);
  w.SetMinValue(INT_MIN);
  EXPECT_EQ(w.PositionAt(42, 10), -1);
  w.SetRadius(INT_MAX);
  w.SetPosition(12345);
  kvtest::RenderControl(&w, kPanelColor, 0);
}

TEST(Wheel, ValueRules) {
  TKvWheel w(nullptr);
  int changes = 0;
  QObject::connect(&w, &TKvWheel::OnChange, [&](TObject*) { ++changes; });
  w.SetPosition(40);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(w.SetMaxValue(-1), EKvException);
  EXPECT_THROW(w.SetMinValue(101), EKvException);
  EXPECT_EQ(w.MaxValue(), 100);
  EXPECT_EQ(w.MinValue(), 0);
  EXPECT_EQ(changes, 1);
  w.SetMaxValue(30);
  EXPECT_EQ(w.Position(), 30);
  EXPECT_EQ(changes, 2);
  w.SetRadius(0);
  EXPECT_EQ(w.Radius(), 40);
}

TEST(Wheel, LoadingTakesValuesAsTheyCome) {
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object W: TKvWheel
    MinValue = 20
    MaxValue = 10
  end
end)",
                    QStringLiteral("wheel.kvf"));
  auto* w = dynamic_cast<TKvWheel*>(form.FindComponent(QStringLiteral("W")));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->MinValue(), 20);
  EXPECT_EQ(w->MaxValue(), 10);
  // Clamped against the upper end, then the lower: the lower wins.
  w->SetPosition(15);
  EXPECT_EQ(w->Position(), 20);
}

TEST(Wheel, SizeFollowsTheKnob) {
  TKvWheel w(nullptr);
  EXPECT_EQ(w.Width(), 85);
  w.SetBounds(5, 6, 10, 10);
  EXPECT_EQ(w.Left(), 5);
  EXPECT_EQ(w.Width(), 85);
  TBitmap knob;
  knob.SetSize(100, 60);
  w.SetBackImage(&knob);
  EXPECT_EQ(w.Width(), 100);
  EXPECT_EQ(w.Height(), 60);
  TBitmap empty;
  w.SetBackImage(&empty);
  EXPECT_EQ(w.Width(), 85);
}

TEST(Wheel, DragAndItsEnd) {
  TestWheel w(nullptr);
  MakeDemo(w);
  std::vector<std::string> events;
  QObject::connect(&w, &TControl::OnMouseDown, [&](TObject*, TMouseButton, TShiftState, int, int) {
    events.push_back("down");
  });
  QObject::connect(&w, &TKvWheel::OnChange, [&](TObject*) { events.push_back("change"); });
  w.Press(42, 10);
  EXPECT_EQ(events, (std::vector<std::string>{"down", "change"}));
  EXPECT_EQ(w.Position(), 100);
  w.Move(80, 42);
  EXPECT_EQ(w.Position(), 125);
  // The capture went elsewhere: later moves turn nothing.
  w.LoseCapture();
  w.Move(4, 42);
  EXPECT_EQ(w.Position(), 125);
  // A move without the left button ends a drag whose button-up was lost.
  w.Press(42, 10);
  w.Move(80, 42, false);
  w.Move(4, 42);
  EXPECT_EQ(w.Position(), 100);
  w.Release(4, 42);
}

TEST(Wheel, HandlerThatFreesTheWheelMidDrag) {
  auto* w = new TestWheel(nullptr);
  QPointer<TKvWheel> alive(w);
  QObject::connect(w, &TKvWheel::OnChange, [w](TObject*) { delete w; });
  w->Press(42, 10);
  // Retired under the setter that fired the event, gone once the event loop runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

TEST(Wheel, TransparentFalseSurvivesADescription) {
  TForm form(nullptr);
  auto* w = new TKvWheel(&form);
  w->SetName(QStringLiteral("W"));
  w->SetTransparent(false);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* c = dynamic_cast<TKvWheel*>(copy.FindComponent(QStringLiteral("W")));
  ASSERT_NE(c, nullptr);
  EXPECT_FALSE(c->Transparent());
}

TEST(Wheel, ReferencePictures) {
  TKvWheel initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, kPanelColor, 0), "lib/wheel-initial");
  TKvWheel demo(nullptr);
  MakeDemo(demo);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor, 0), "lib/wheel-demo");
  TKvWheel opaque(nullptr);
  opaque.SetTransparent(false);
  opaque.SetBaseAngle(30);
  opaque.SetPosition(100);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&opaque, kPanelColor, 0), "lib/wheel-opaque-max");
  TKvWheel low(nullptr);
  low.SetBaseAngle(30);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&low, kPanelColor, 0), "lib/wheel-base30-min");
}
