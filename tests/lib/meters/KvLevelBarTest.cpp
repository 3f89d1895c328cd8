#include "KvLevelBar.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QVBoxLayout>

#include <climits>

using kvtest::PixelAt;

namespace {

// The demo's level bar: 169 x 20, horizontal, 50 ... 150 at 70.
void MakeDemo(TKvLevelBar& l) { kvdemo::ApplyDemoSettings(l, "frmMeters", "KvLevelBar"); }

QImage Render(TKvLevelBar& l) { return kvtest::RenderControl(&l, clWhite.Value, 0); }

}  // namespace

TEST(LevelBar, DemoZonesAndLitTicks) {
  TKvLevelBar l(nullptr);
  MakeDemo(l);
  const QImage img = Render(l);
  EXPECT_EQ(l.TickCount(), 80);
  EXPECT_EQ(l.Width(), 169);
  // Tick k (from 1) starts at x = 5 + 2 (k - 1). 70 of 50 ... 150 lights 15 ticks.
  const auto tick = [&](int k) { return PixelAt(img, 5 + 2 * (k - 1), 10); };
  EXPECT_EQ(tick(1), clLime.Value);
  EXPECT_EQ(tick(15), clLime.Value);
  EXPECT_EQ(tick(16), clGreen.Value);
  EXPECT_EQ(tick(47), clGreen.Value);
  EXPECT_EQ(tick(48), clOlive.Value);
  EXPECT_EQ(tick(67), clOlive.Value);
  EXPECT_EQ(tick(68), clMaroon.Value);
  EXPECT_EQ(tick(80), clMaroon.Value);
  EXPECT_EQ(PixelAt(img, 6, 10), clBlack.Value);  // the spacing
  l.SetPosition(150);
  const QImage full = Render(l);
  EXPECT_EQ(PixelAt(full, 5 + 2 * 47, 10), clYellow.Value);
  EXPECT_EQ(PixelAt(full, 5 + 2 * 79, 10), clRed.Value);
}

TEST(LevelBar, WidestRangeLightsHalf) {
  TKvLevelBar l(nullptr);
  MakeDemo(l);
  l.SetMaxValue(INT_MAX);
  l.SetMinValue(INT_MIN);
  l.SetPosition(0);
  const QImage img = Render(l);
  EXPECT_EQ(PixelAt(img, 5 + 2 * 39, 10), clLime.Value);
  EXPECT_EQ(PixelAt(img, 5 + 2 * 40, 10), clGreen.Value);
}

TEST(LevelBar, EventOrder) {
  TKvLevelBar l(nullptr);
  std::vector<std::string> events;
  QObject::connect(&l, &TKvLevelBar::OnChange, [&](TObject*) { events.push_back("change"); });
  QObject::connect(&l, &TKvLevelBar::OnMinValue, [&](TObject*) { events.push_back("min"); });
  QObject::connect(&l, &TKvLevelBar::OnMaxValue, [&](TObject*) { events.push_back("max"); });
  l.SetPosition(0);
  EXPECT_TRUE(events.empty());
  l.SetPosition(80);
  l.SetMaxValue(60);
  EXPECT_EQ(events, (std::vector<std::string>{"change", "change", "max"}));
  // A handler that frees the bar stops the sequence.
  auto* doomed = new TKvLevelBar(nullptr);
  QPointer<TKvLevelBar> alive(doomed);
  QObject::connect(doomed, &TKvLevelBar::OnChange, [doomed](TObject*) { delete doomed; });
  doomed->SetPosition(100);
  // Retired under the setter that fired the event, gone once the event loop runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

TEST(LevelBar, TickPitchRules) {
  TKvLevelBar l(nullptr);
  l.SetSpacing(-1);
  EXPECT_EQ(l.Spacing(), 1);
  l.SetTickHeight(0);
  EXPECT_EQ(l.TickHeight(), 1);
  // An 8 pixel bar with a gap of 20 holds no tick and does not go negative.
  TKvLevelBar small(nullptr);
  small.SetBounds(0, 0, 20, 8);
  small.SetSpacing(20);
  Render(small);
  EXPECT_GE(small.Height(), 0);
  EXPECT_EQ(small.TickCount(), 0);
  // A negative spacing in a bar too short for one tick does not grow it.
  TKvLevelBar tight(nullptr);
  tight.SetBounds(0, 0, 20, 12);
  tight.SetTickHeight(10);
  tight.SetSpacing(-5);
  Render(tight);
  EXPECT_LE(tight.Height(), 12);
}

TEST(LevelBar, BevelChangeBeforeAnyPaintKeepsTheBar) {
  TKvLevelBar l(nullptr);
  l.Bevel()->SetInnerWidth(4);
  EXPECT_EQ(l.Width(), 24);
  EXPECT_EQ(l.Height(), 173);
}

TEST(LevelBar, OrientationSwapsTheSize) {
  TKvLevelBar l(nullptr);
  l.SetOrientation(TKvOrientation::voHorizontal);
  EXPECT_EQ(l.Width(), 169);
  EXPECT_EQ(l.Height(), 20);
}

// The long side holds whole ticks from the moment the bounds are set, and a paint leaves the
// size alone: the bevel (5 on each side) plus N ticks of pitch 2 less one gap.
TEST(LevelBar, TheLongSideSnapsWhenItIsSetNotWhenItPaints) {
  TKvLevelBar l(nullptr);
  EXPECT_EQ(l.size(), QSize(20, 169));
  EXPECT_EQ(l.sizeHint(), QSize(20, 169));
  l.SetBounds(3, 4, 500, 200);
  EXPECT_EQ(l.BoundsRect(), kv::Bounds(3, 4, 500, 199));
  l.SetTickHeight(2);  // pitch 3: 63 ticks
  EXPECT_EQ(l.Height(), 198);
  l.SetSpacing(2);  // pitch 4: 47 ticks
  EXPECT_EQ(l.Height(), 196);
  EXPECT_EQ(l.sizeHint(), QSize(500, 196));
  Render(l);
  EXPECT_EQ(l.TickCount(), 47);
  EXPECT_EQ(l.size(), QSize(500, 196));
  EXPECT_EQ(l.sizeHint(), QSize(500, 196));

  // A layout's size is snapped too, and does not become the designed size.
  QWidget window;
  window.resize(300, 400);
  auto* layout = new QVBoxLayout(&window);
  auto* bar = new TKvLevelBar(nullptr);
  layout->addWidget(bar);
  window.show();
  kvtest::Pump();
  EXPECT_GT(bar->Height(), 169);
  EXPECT_EQ((bar->Height() - 10 + 1) % 2, 0) << bar->Height();
  EXPECT_EQ(bar->sizeHint(), QSize(20, 169));
  Render(*bar);
  EXPECT_EQ(bar->TickCount(), (bar->Height() - 10 + 1) / 2);
}

TEST(LevelBar, ALoadedSizeSnapsWithEverySettingRead) {
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object Bar: TKvLevelBar
    Width = 170
    Height = 20
    Orientation = voHorizontal
    TickHeight = 2
  end
end)",
                    QStringLiteral("bar.kvf"));
  auto* bar = dynamic_cast<TKvLevelBar*>(form.FindComponent(QStringLiteral("Bar")));
  ASSERT_NE(bar, nullptr);
  // 160 pixels of bar hold 53 ticks of pitch 3.
  EXPECT_EQ(bar->size(), QSize(168, 20));
  EXPECT_TRUE(kv::WriteComponent(&form).contains("Width = 168"));
}

TEST(LevelBar, RangeSurvivesLoadingInAnyOrder) {
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object Negative: TKvLevelBar
    MaxValue = -10
    MinValue = -100
    Position = -50
  end
  object Corrupt: TKvLevelBar
    MaxValue = 5
    MinValue = 10
  end
end)",
                    QStringLiteral("bars.kvf"));
  auto* negative = dynamic_cast<TKvLevelBar*>(form.FindComponent(QStringLiteral("Negative")));
  ASSERT_NE(negative, nullptr);
  EXPECT_EQ(negative->MinValue(), -100);
  EXPECT_EQ(negative->MaxValue(), -10);
  EXPECT_EQ(negative->Position(), -50);
  auto* corrupt = dynamic_cast<TKvLevelBar*>(form.FindComponent(QStringLiteral("Corrupt")));
  EXPECT_EQ(corrupt->MinValue(), 0);
  EXPECT_EQ(corrupt->MaxValue(), 5);
}

TEST(LevelBar, ReferencePictures) {
  TKvLevelBar initial(nullptr);
  initial.SetPosition(70);
  EXPECT_MATCHES_REFERENCE(Render(initial), "lib/levelbar-initial");
  TKvLevelBar demo(nullptr);
  MakeDemo(demo);
  EXPECT_MATCHES_REFERENCE(Render(demo), "lib/levelbar-demo");
  TKvLevelBar top(nullptr);
  top.SetStyle(TKvProgressStyle::psTopRight);
  top.SetTickHeight(3);
  top.SetPosition(90);
  EXPECT_MATCHES_REFERENCE(Render(top), "lib/levelbar-vertical-topright");
}
