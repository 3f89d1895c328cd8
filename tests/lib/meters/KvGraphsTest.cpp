#include "KvGraphs.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QPointer>

#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <utility>

namespace {

constexpr int32_t kPanelColor = 7292981;

TKvPercentGraphItem* AddSegment(TKvPercentGraph* graph, TColor color, double value,
                                TKvBrushPattern pattern = TKvBrushPattern::bpSolid) {
  TKvPercentGraphItem* item = graph->Segments()->Add();
  item->SetColor(color);
  item->SetValue(value);
  item->SetPattern(pattern);
  return item;
}

// The demo pie: 20 in money green and 30 in sky blue.
void MakeDemo(TKvPercentPie* pie) {
  AddSegment(pie, clMoneyGreen, 20);
  AddSegment(pie, clSkyBlue, 30);
}

QImage Render(TKvPercentPie& pie, int32_t background = kPanelColor) {
  return kvtest::RenderControl(&pie, background);
}

int Count(const QImage& image, TColor color) { return kvtest::CountPixels(image, color.Value); }

// A shown pie on a form of the panel colour that counts its repaints and changes.
struct Scene {
  TForm form{nullptr};
  QPointer<TKvPercentPie> pie;
  int changes = 0;
  Scene() {
    form.SetColor(TColor(kPanelColor));
    pie = new TKvPercentPie(&form);
    pie->SetParent(&form);
    MakeDemo(pie);
    kvtest::ShowForm(&form, 97, 97);
    QObject::connect(pie, &TKvPercentPie::OnChange, [this](TObject*) { ++changes; });
  }
  QImage Shot() { return kvtest::Grab(&form); }
};

// A form whose handler counts the pie's changes.
class TPieHost : public TForm {
  Q_OBJECT
public:
  using TForm::TForm;
  int changes = 0;

public slots:
  void PieChange(TObject*) { ++changes; }
};

}  // namespace

TEST(PercentPie, StartsAsDesigned) {
  TKvPercentPie pie(nullptr);
  EXPECT_EQ(pie.Width(), 97);
  EXPECT_EQ(pie.Height(), 97);
  EXPECT_EQ(pie.Segments()->Count(), 0);
  EXPECT_EQ(pie.OutlineColor(), clWhite);
  EXPECT_EQ(pie.Color(), TColor(11307165));
  EXPECT_FALSE(pie.ParentColor());
  EXPECT_FALSE(pie.Transparent());
  TKvPercentGraphItem* item = pie.Segments()->Add();
  EXPECT_EQ(item->Color(), clRed);
  EXPECT_EQ(item->Value(), 0.0);
  EXPECT_EQ(item->Pattern(), TKvBrushPattern::bpSolid);
}

// ---------------------------------------------------------------------------
// Boundaries and slices

TEST(PercentPie, DemoBoundaryAtFortyPercent) {
  TKvPercentPie pie(nullptr);
  MakeDemo(&pie);
  const QImage shot = Render(pie);
  // Outline from the centre to (76, 87) and up to the top; green right of the top, blue left.
  EXPECT_EQ(kvtest::PixelAt(shot, 76, 87), clWhite.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 48, 0), clWhite.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 80, 40), clMoneyGreen.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 20, 40), clSkyBlue.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 0, 0), 11307165);
  EXPECT_MATCHES_REFERENCE(shot, "lib/percentpie-initial-demo");
  pie.SetTransparent(true);
  EXPECT_MATCHES_REFERENCE(Render(pie), "lib/percentpie-demo");
}

TEST(PercentPie, BoundariesFallOnWholePercents) {
  // Values 1 and 2: 33 %, cut towards zero, at (90, 71).
  TKvPercentPie pie(nullptr);
  pie.SetOutlineColor(clBlack);
  AddSegment(&pie, clRed, 1);
  AddSegment(&pie, clBlue, 2);
  const QImage third = Render(pie);
  EXPECT_EQ(kvtest::PixelAt(third, 90, 71), clBlack.Value);
  // Quarters: 25 % at the right end, 75 % at the left.
  pie.Segments()->Items(0)->SetValue(1);
  pie.Segments()->Items(1)->SetValue(3);
  const QImage quarter = Render(pie);
  EXPECT_EQ(kvtest::PixelAt(quarter, 96, 48), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(quarter, 80, 20), clRed.Value);
  EXPECT_EQ(kvtest::PixelAt(quarter, 80, 70), clBlue.Value);
  pie.Segments()->Items(0)->SetValue(3);
  pie.Segments()->Items(1)->SetValue(1);
  const QImage threeQuarters = Render(pie);
  EXPECT_EQ(kvtest::PixelAt(threeQuarters, 0, 48), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(threeQuarters, 20, 70), clRed.Value);
  EXPECT_EQ(kvtest::PixelAt(threeQuarters, 20, 20), clBlue.Value);
}

TEST(PercentPie, EmptyZeroAndTinyTotalsDrawOnlyTheBackground) {
  TKvPercentPie pie(nullptr);
  const QImage empty = Render(pie);
  EXPECT_EQ(kvtest::Colours(empty), std::set<int32_t>{11307165});
  // 0.2 and 0.3 round to a total of 0: no slice.
  AddSegment(&pie, clRed, 0.2);
  AddSegment(&pie, clBlue, 0.3);
  EXPECT_SAME_PIXELS(Render(pie), empty);
  // A single positive segment fills the whole ellipse.
  pie.Segments()->Delete(0);
  const QImage single = Render(pie);
  EXPECT_EQ(Count(single, clRed), 0);
  EXPECT_GT(Count(single, clBlue), 6000);
  // A zero segment neither draws nor moves the boundary.
  TKvPercentPie demo(nullptr), withZero(nullptr);
  MakeDemo(&demo);
  AddSegment(&withZero, clMoneyGreen, 20);
  AddSegment(&withZero, clYellow, 0);
  AddSegment(&withZero, clSkyBlue, 30);
  EXPECT_SAME_PIXELS(Render(withZero), Render(demo));
}

TEST(PercentPie, SliversNeverCoverEarlierSlices) {
  TKvPercentPie demo(nullptr);
  MakeDemo(&demo);
  const QImage reference = Render(demo);
  AddSegment(&demo, clRed, 0.4);
  EXPECT_SAME_PIXELS(Render(demo), reference);

  TKvPercentPie pie(nullptr);
  AddSegment(&pie, clRed, 100);
  AddSegment(&pie, clBlue, 0.001);
  const QImage shot = Render(pie);
  EXPECT_EQ(Count(shot, clBlue), 0);
  EXPECT_GT(Count(shot, clRed), 6000);

  // A first sliver does not show through a later hatched slice.
  TKvPercentPie hatched(nullptr);
  AddSegment(&hatched, clRed, 0.001);
  AddSegment(&hatched, clBlue, 50, TKvBrushPattern::bpCross);
  EXPECT_EQ(Count(Render(hatched), clRed), 0);
}

TEST(PercentPie, NegativeValuesCountAsNothingInThePicture) {
  TKvPercentPie pie(nullptr), halves(nullptr);
  AddSegment(&pie, clRed, 50);
  TKvPercentGraphItem* negative = AddSegment(&pie, clYellow, -25);
  AddSegment(&pie, clBlue, 50);
  AddSegment(&halves, clRed, 50);
  AddSegment(&halves, clBlue, 50);
  EXPECT_SAME_PIXELS(Render(pie), Render(halves));
  EXPECT_EQ(pie.Total(), 75.0);
  int changes = 0;
  QObject::connect(&pie, &TKvPercentPie::OnChange, [&](TObject*) { ++changes; });
  negative->SetValue(-20);
  EXPECT_EQ(changes, 1);
}

TEST(PercentPie, HugeValuesKeepTheirShares) {
  TKvPercentPie pie(nullptr);
  pie.SetOutlineColor(clBlack);
  AddSegment(&pie, clRed, 3e9);
  AddSegment(&pie, clBlue, 1e9);
  // 75 %: the boundary at the left end.
  EXPECT_EQ(kvtest::PixelAt(Render(pie), 0, 48), clBlack.Value);
  pie.Segments()->Items(0)->SetValue(1e300);
  pie.Segments()->Items(1)->SetValue(1e300);
  const QImage shot = Render(pie);
  EXPECT_GT(Count(shot, clRed), 0);

  TKvPercentGraphItem* item = pie.Segments()->Items(0);
  item->SetValue(std::nan(""));
  item->SetValue(std::numeric_limits<double>::infinity());
  EXPECT_EQ(item->Value(), 1e300);
}

TEST(PercentPie, EveryPatternOnTheFirstSlice) {
  TKvPercentPie pie(nullptr);
  pie.SetTransparent(true);
  MakeDemo(&pie);
  for (int p = 0; p < 8; ++p) {
    const auto pattern = TKvBrushPattern(p);
    pie.Segments()->Items(0)->SetPattern(pattern);
    const QImage shot = Render(pie);
    EXPECT_MATCHES_REFERENCE(shot, QStringLiteral("lib/percentpie-pattern%1").arg(p));
    if (pattern == TKvBrushPattern::bpClear) {
      EXPECT_EQ(Count(shot, clMoneyGreen), 0);
    }
    if (pattern > TKvBrushPattern::bpClear) {
      // The panel shows between the hatch lines.
      EXPECT_EQ(kvtest::Colours(shot).count(kPanelColor), 1u) << p;
      EXPECT_GT(Count(shot, clMoneyGreen), 0) << p;
    }
  }
}

TEST(PercentPie, HatchesAreAlignedToThePie) {
  TKvPercentPie pie(nullptr);
  pie.SetTransparent(true);
  MakeDemo(&pie);
  pie.Segments()->Items(0)->SetPattern(TKvBrushPattern::bpDiagCross);
  TForm form(nullptr);
  form.SetColor(TColor(kPanelColor));
  pie.SetParent(&form);
  pie.SetBounds(0, 0, 97, 97);
  kvtest::ShowForm(&form, 100, 97);
  const QImage at0 = kvtest::Grab(&form).copy(0, 0, 97, 97);
  pie.SetBounds(3, 0, 97, 97);
  kvtest::Pump(20);
  const QImage at3 = kvtest::Grab(&form).copy(3, 0, 97, 97);
  pie.SetParent(nullptr);
  EXPECT_SAME_PIXELS(at3, at0);
}

// ---------------------------------------------------------------------------
// Changes and events

TEST(PercentPie, ColourRepaintsValueFiresOnce) {
  Scene s;
  s.pie->Segments()->Items(0)->SetColor(clYellow);
  EXPECT_EQ(s.changes, 0);
  EXPECT_EQ(kvtest::PixelAt(s.Shot(), 80, 40), clYellow.Value);
  s.pie->Segments()->Items(0)->SetValue(25);
  EXPECT_EQ(s.changes, 1);
  s.pie->Segments()->Add();
  EXPECT_EQ(s.changes, 1);

  s.pie->Segments()->BeginUpdate();
  for (int i = 0; i < 100; ++i) s.pie->Segments()->Items(0)->SetValue(i);
  EXPECT_EQ(s.changes, 1);
  s.pie->Segments()->EndUpdate();
  EXPECT_EQ(s.changes, 2);
}

TEST(PercentPie, HandlersMayChangeTheSegmentsOrFreeThePie) {
  const std::function<void(Scene&, TKvPercentGraphItem*)> handlers[] = {
      [](Scene& s, TKvPercentGraphItem*) { s.pie->Segments()->Clear(); },
      [](Scene&, TKvPercentGraphItem* item) { delete item; },
      [](Scene& s, TKvPercentGraphItem*) { s.pie->Segments()->Add()->SetColor(clYellow); },
      [](Scene& s, TKvPercentGraphItem*) { delete s.pie.data(); },
  };
  for (const auto& handler : handlers)
    for (bool byAdd : {false, true}) {
      Scene s;
      TKvPercentGraphItem* target = s.pie->Segments()->Items(1);
      bool once = false;
      QObject::connect(s.pie, &TKvPercentPie::OnChange, [&](TObject*) {
        if (std::exchange(once, true)) return;
        handler(s, target);
      });
      if (byAdd) {
        // A new item changes the total only once it has a value.
        target = s.pie->Segments()->Add();
        target->SetValue(5);
      } else {
        target->SetValue(40);
      }
      kvtest::Pump();
      if (!s.pie) continue;
      // What remains is what shows.
      TKvPercentPie copy(nullptr);
      copy.SetSegments(s.pie->Segments());
      EXPECT_SAME_PIXELS(s.Shot(), Render(copy));
    }
}

TEST(PercentPie, AssigningSegments) {
  Scene s;
  s.pie->SetSegments(s.pie->Segments());
  EXPECT_EQ(s.pie->Segments()->Count(), 2);
  EXPECT_EQ(s.changes, 0);
  TCollection foreign(nullptr, [](TCollection* c) { return new TCollectionItem(c); });
  foreign.Add();
  EXPECT_THROW(s.pie->SetSegments(&foreign), EConvertError);
  EXPECT_EQ(s.pie->Segments()->Count(), 2);
}

// ---------------------------------------------------------------------------
// Descriptions

TEST(PercentPie, DescriptionsHoldTheSegments) {
  TForm form(nullptr);
  int changes = 0;
  kv::ReadComponent(&form, R"(object Panel: TForm
  object Pie: TKvPercentPie
    Segments = <
      item
        Color = clMoneyGreen
        Value = 20
      end
      item
        Color = clSkyBlue
        Value = 30
        Pattern = bpCross
      end>
    Transparent = True
  end
end)",
                    QStringLiteral("pie.kvf"));
  auto* pie = dynamic_cast<TKvPercentPie*>(form.FindComponent(QStringLiteral("Pie")));
  ASSERT_NE(pie, nullptr);
  EXPECT_EQ(pie->Total(), 50.0);
  EXPECT_EQ(pie->Segments()->Items(1)->Pattern(), TKvBrushPattern::bpCross);
  QObject::connect(pie, &TKvPercentPie::OnChange, [&](TObject*) { ++changes; });
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* read = dynamic_cast<TKvPercentPie*>(copy.FindComponent(QStringLiteral("Pie")));
  ASSERT_EQ(read->Segments()->Count(), 2);
  EXPECT_EQ(read->Segments()->Items(0)->Color(), clMoneyGreen);
  EXPECT_EQ(read->Segments()->Items(1)->Value(), 30.0);
  EXPECT_EQ(changes, 0);
}

TEST(PercentPie, NoChangeWhileLoadingWhateverTheOrder) {
  TPieHost host(nullptr);
  kv::ReadComponent(&host, R"(object Host: TForm
  object Pie: TKvPercentPie
    OnChange = PieChange
    Segments = <
      item
        Value = 20
      end>
  end
end)",
                    QStringLiteral("host.kvf"));
  EXPECT_EQ(host.changes, 0);
  auto* pie = dynamic_cast<TKvPercentPie*>(host.FindComponent(QStringLiteral("Pie")));
  EXPECT_EQ(pie->Total(), 20.0);
  pie->Segments()->Items(0)->SetValue(30);
  EXPECT_EQ(host.changes, 1);
}

#include "KvGraphsTest.moc"
