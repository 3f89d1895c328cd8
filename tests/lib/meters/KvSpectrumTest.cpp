#include "KvSpectrum.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

constexpr int32_t Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

// The panel's bevel B.
void ApplyBevelB(TKvBevel* b) {
  b->SetInnerShadow(clBtnShadow);
  b->SetInnerHighlight(clBtnHighlight);
  b->SetInnerWidth(2);
  b->SetInnerStyle(TKvBevelStyle::bsLowered);
  b->SetInnerSpace(1);
  b->SetInnerColor(clBlack);
  b->SetOuterShadow(clBtnShadow);
  b->SetOuterHighlight(clBtnHighlight);
  b->SetOuterStyle(TKvBevelStyle::bsRaised);
  b->SetOuterOutline(TKvBevelOutlineStyle::osOuter);
}

// A spectrum shown on a panel-coloured form, painted and settled (the first paint snaps).
// Before runs before it is shown.
struct Scene {
  TForm form{nullptr};
  TKvSpectrum* s;
  explicit Scene(int width = 225, int height = 91,
                 const std::function<void(TKvSpectrum*)>& before = {}) {
    form.SetColor(TColor(kPanelColor));
    s = new TKvSpectrum(&form);
    s->SetParent(&form);
    s->SetBounds(0, 0, width, height);
    ApplyBevelB(s->Bevel());
    if (before) before(s);
    kvtest::ShowForm(&form, 260, 140);
    Settle();
  }
  void Settle() { kvtest::Pump(20); }
  QImage Shot() { return kvtest::Grab(&form); }
};

// A spectrum painted on its own surface, as a paint message would.
class SurfaceSpectrum : public TKvSpectrum {
public:
  SurfaceSpectrum() : TKvSpectrum(nullptr), FSurface(64, 64, QImage::Format_RGB32) {
    Canvas()->Attach(&FSurface);
  }
  ~SurfaceSpectrum() override { Canvas()->Detach(); }
  void Frame() { PaintControl(); }

private:
  QImage FSurface;
};

// The rows of bar 0 (x = 5) that show Color.
std::vector<int> RowsOf(const QImage& shot, int32_t color, int x = 5) {
  std::vector<int> rows;
  for (int y = 5; y < 86; ++y)
    if (PixelAt(shot, x, y) == color) rows.push_back(y);
  return rows;
}

// How many of bar 0's ticks (y = 5 + 2 t) are lit: lit colours and the marker have a full
// channel, the unlit ones none.
int LitTicks(const QImage& shot, const TKvSpectrum& s, int x = 5) {
  int lit = 0;
  for (int t = 0; t < s.TickCount(); ++t) {
    const int32_t c = PixelAt(shot, x, 5 + 2 * t);
    if ((c & 0xFF) == 0xFF || (c >> 8 & 0xFF) == 0xFF) ++lit;
  }
  return lit;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and layout

TEST(Spectrum, ConstructionAndSnappingAtTheFirstPaint) {
  TKvSpectrum s(nullptr);
  EXPECT_EQ(s.BoundsRect(), Rect(0, 0, 217, 117));
  EXPECT_EQ(s.Count(), 24);
  EXPECT_EQ(s.Items(23)->Position(), 0);
  EXPECT_THROW(s.Items(24), EListError);
  EXPECT_EQ(s.Palette2()->Low(), clOlive);
  EXPECT_EQ(s.Palette3()->High(), clRed);
  EXPECT_EQ(s.Color(), clBlack);
  EXPECT_FALSE(s.ParentColor());
  Scene fresh(217, 117);
  EXPECT_EQ(fresh.s->BoundsRect(), Rect(0, 0, 225, 117));
  EXPECT_EQ(fresh.s->TickCount(), 54);
  Scene demo;
  EXPECT_EQ(demo.s->BoundsRect(), Rect(0, 0, 225, 91));
  EXPECT_EQ(demo.s->TickCount(), 41);
}

TEST(Spectrum, SnappingInsideThePaintDrawsTheNewSizeOnlyAndOnce) {
  Scene s(300, 100);
  EXPECT_EQ(s.s->BoundsRect(), Rect(0, 0, 225, 99));
  const QImage shot = s.Shot();
  // Nothing of a frame for 300 pixels is left to the right of the snapped control.
  EXPECT_EQ(PixelAt(shot, 226, 50), kPanelColor);
  EXPECT_EQ(PixelAt(shot, 226, 99), kPanelColor);
  EXPECT_NE(PixelAt(shot, 224, 50), kPanelColor);
}

TEST(Spectrum, BarsAndTicksLieOnTheirPitches) {
  Scene s;
  for (int k = 0; k < 24; ++k) s.s->Items(k)->SetPosition(100);
  const QImage shot = s.Shot();
  for (int k = 0; k < 24; ++k) {
    EXPECT_EQ(PixelAt(shot, 5 + 9 * k, 5), clWhite.Value) << k;  // the marker
    EXPECT_EQ(PixelAt(shot, 12 + 9 * k, 5), clWhite.Value) << k;
    EXPECT_EQ(PixelAt(shot, 13 + 9 * k, 5), clBlack.Value) << k;  // the gap between bars
  }
  for (int t = 1; t < 41; ++t) {
    EXPECT_NE(PixelAt(shot, 5, 5 + 2 * t), clBlack.Value) << t;
    EXPECT_EQ(PixelAt(shot, 5, 6 + 2 * t), clBlack.Value) << t;
  }
}

TEST(Spectrum, ValuesLightWholeTicksWithTheMarkerOnTop) {
  Scene s;
  s.s->Items(0)->SetPosition(50);
  QImage shot = s.Shot();
  EXPECT_EQ(RowsOf(shot, clWhite.Value), std::vector<int>{47});
  EXPECT_EQ(LitTicks(shot, *s.s), 20);
  s.s->Items(0)->SetPosition(0);
  shot = s.Shot();
  EXPECT_TRUE(RowsOf(shot, clWhite.Value).empty());
  EXPECT_EQ(LitTicks(shot, *s.s), 0);
  // Outside the range: all, none, all; the neighbours and the bevel keep their pixels.
  s.s->SetMinValue(-5);
  s.Settle();
  const QImage before = s.Shot();
  for (auto [value, lit] : {std::pair{1000, 41}, {-1000, 0}, {INT_MAX, 41}}) {
    s.s->Items(0)->SetPosition(value);
    shot = s.Shot();
    EXPECT_EQ(LitTicks(shot, *s.s), lit) << value;
    EXPECT_EQ(RowsOf(shot, clWhite.Value), lit ? std::vector<int>{5} : std::vector<int>{}) << value;
    EXPECT_SAME_PIXELS(shot.copy(13, 0, 247, 140), before.copy(13, 0, 247, 140));
    EXPECT_SAME_PIXELS(shot.copy(0, 0, 5, 140), before.copy(0, 0, 5, 140));
  }
}

TEST(Spectrum, PlainZonesFallBetweenTicks) {
  Scene s;
  s.s->SetPlainColors(true);
  s.Settle();
  const QImage shot = s.Shot();
  int counts[3] = {};
  for (int t = 0; t < 41; ++t) {
    const int32_t c = PixelAt(shot, 5, 5 + 2 * t);
    counts[c == clGreen.Value ? 0 : c == clOlive.Value ? 1 : c == clMaroon.Value ? 2 : 0]++;
  }
  EXPECT_EQ(counts[0], 24);
  EXPECT_EQ(counts[1], 10);
  EXPECT_EQ(counts[2], 7);
}

TEST(Spectrum, GradientColumnsRowByRow) {
  Scene s;
  s.s->Items(1)->SetPosition(100);
  const QImage shot = s.Shot();
  const auto unlit = [&](int row) { return PixelAt(shot, 5, 5 + row); };
  EXPECT_EQ(unlit(0), clMaroon.Value);
  EXPECT_EQ(unlit(12), Rgb(128, 66, 0));
  EXPECT_EQ(unlit(24), clOlive.Value);
  EXPECT_EQ(unlit(80), Rgb(5, 128, 0));
  EXPECT_EQ(PixelAt(shot, 14, 5 + 80), Rgb(9, 255, 0));
  // Row 23 lies in a gap: the background.
  EXPECT_EQ(unlit(23), clBlack.Value);
}

TEST(Spectrum, SettersFollowTheirRules) {
  TKvSpectrum s(nullptr);
  s.SetPercent1(90);
  EXPECT_EQ(s.Percent1(), 75);
  s.SetMaxValue(0);
  s.SetMaxValue(-4);
  EXPECT_EQ(s.MaxValue(), 100);
  s.Items(3)->SetPosition(80);
  s.SetMaxValue(50);
  EXPECT_EQ(s.Items(3)->Position(), 50);
  s.SetMinValue(50);
  EXPECT_EQ(s.MinValue(), 0);
  s.SetMinValue(10);
  EXPECT_EQ(s.Items(0)->Position(), 10);
  for (int v : {0, -1, 100000}) s.SetColumns(v);
  EXPECT_EQ(s.Columns(), 24);
  s.SetColumns(TKvSpectrum::kMaxColumns);
  EXPECT_EQ(s.Count(), TKvSpectrum::kMaxColumns);
  s.SetColumns(3);
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Items(0)->Position(), 0);  // new bars
  s.SetTickHeight(0);
  EXPECT_EQ(s.TickHeight(), 1);
  s.SetSpacing(-1);  // would leave no tick pitch
  EXPECT_EQ(s.Spacing(), 1);
  s.SetTickHeight(3);
  s.SetSpacing(-2);  // pitch 1 is fine
  EXPECT_EQ(s.Spacing(), -2);
  s.SetBarWidth(0);
  EXPECT_EQ(s.BarWidth(), 8);
}

TEST(Spectrum, APitchOfOneGivesATickPerRow) {
  Scene s(225, 91, [](TKvSpectrum* c) {
    c->SetTickHeight(3);
    c->SetSpacing(-2);
  });
  EXPECT_EQ(s.s->TickCount(), 81 - 2);
  EXPECT_EQ(s.s->Height(), 91);
}

TEST(Spectrum, ShowInactiveFalseFillsUnlitTicksWithColor) {
  Scene s;
  s.s->SetShowInactive(false);
  s.s->SetColor(clNavy);
  s.s->Items(0)->SetPosition(50);
  s.Settle();
  const QImage shot = s.Shot();
  EXPECT_EQ(PixelAt(shot, 5, 5), clNavy.Value);
  EXPECT_EQ(PixelAt(shot, 5, 45), clNavy.Value);
  EXPECT_EQ(PixelAt(shot, 5, 47), clWhite.Value);
  EXPECT_NE(PixelAt(shot, 5, 49), clNavy.Value);
}

// ---------------------------------------------------------------------------
// Bar updates

TEST(Spectrum, ABarUpdateChangesOnlyThatBarInTheWindowAsAFullPaintWould) {
  Scene s;
  const QImage before = s.Shot();
  s.s->Items(7)->SetPosition(70);
  const QImage after = s.Shot();
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      if (PixelAt(after, x, y) != PixelAt(before, x, y)) {
        ASSERT_GE(x, 5 + 9 * 7);
        ASSERT_LT(x, 13 + 9 * 7);
      }
  EXPECT_NE(before, after);
  s.s->Invalidate();
  s.Settle();
  EXPECT_SAME_PIXELS(s.Shot(), after);
}

TEST(Spectrum, AnUpdateBracketRedrawsAllBarsOnceAtTheEnd) {
  Scene s;
  const QImage before = s.Shot();
  s.s->Bars()->BeginUpdate();
  for (int k = 0; k < 24; ++k) s.s->Items(k)->SetPosition(4 * k);
  EXPECT_SAME_PIXELS(s.Shot(), before);
  s.s->Bars()->EndUpdate();
  const QImage after = s.Shot();
  s.s->Invalidate();
  s.Settle();
  EXPECT_SAME_PIXELS(s.Shot(), after);
  EXPECT_NE(after, before);
}

// Bar updates draw only the ticks that change: a walk of values (up, down, within one tick,
// to either end, outside the range), one bar at a time and all in one update, under each
// setting that changes which ticks a value draws, ends as a whole paint draws it.
TEST(Spectrum, BarUpdatesEndAsAWholePaintDraws) {
  const std::vector<std::function<void(TKvSpectrum*)>> settings = {
      [](TKvSpectrum*) {},
      [](TKvSpectrum* s) { s->SetShowInactive(false); },
      [](TKvSpectrum* s) { s->SetMarkerVisible(false); },
      [](TKvSpectrum* s) { s->SetSpacing(0); },
      [](TKvSpectrum* s) { s->SetTickHeight(3); s->SetSpacing(2); }};
  const int values[] = {50, 90, 20, 21, 100, 0, 0, 150, -40, 63};
  for (size_t k = 0; k < settings.size(); ++k) {
    Scene s(225, 91, settings[k]);
    for (const int v : values) {
      s.s->Items(3)->SetPosition(v);
      s.s->Bars()->BeginUpdate();
      for (int i = 0; i < s.s->Count(); ++i) s.s->Items(i)->SetPosition((v + 13 * i) % 110);
      s.s->Bars()->EndUpdate();
      s.s->Items(5)->SetPosition(100 - v);
    }
    const QImage updated = s.Shot();
    s.s->Invalidate();
    s.Settle();
    EXPECT_SAME_PIXELS(s.Shot(), updated) << "setting " << k;
  }
}

TEST(Spectrum, UpdatesBeforeAnyPaintOrAfterAnUnpaintedChangeOnlyStoreTheValue) {
  TKvSpectrum s(nullptr), fresh(nullptr);
  s.SetBounds(0, 0, 225, 117);
  fresh.SetBounds(0, 0, 225, 117);
  for (int i = 0; i < 1000; ++i) s.Items(i % 24)->SetPosition(i % 100);
  const QImage first = kvtest::RenderControl(&s, kPanelColor);
  for (int k = 0; k < 24; ++k) fresh.Items(k)->SetPosition(s.Items(k)->Position());
  EXPECT_SAME_PIXELS(kvtest::RenderControl(&fresh, kPanelColor), first);
  // Hidden once painted, the bars widen and bar 3 changes.
  for (TKvSpectrum* c : {&s, &fresh}) {
    c->SetColumns(10);
    c->SetBarWidth(20);
    c->SetBounds(0, 0, 219, 117);
  }
  s.Items(3)->SetPosition(100);
  fresh.Items(3)->SetPosition(100);
  EXPECT_SAME_PIXELS(kvtest::RenderControl(&s, kPanelColor),
                     kvtest::RenderControl(&fresh, kPanelColor));
}

TEST(Spectrum, FreedAndMovedBarsDrawAtTheirListPlace) {
  Scene s;
  delete s.s->Items(5);
  EXPECT_EQ(s.s->Count(), 23);
  EXPECT_NO_THROW(s.s->Items(22)->SetPosition(90));
  const QImage updated = s.Shot();
  s.s->Invalidate();
  s.Settle();
  EXPECT_SAME_PIXELS(s.Shot(), updated);
  // A bar taken over by another spectrum lies past its laid-out columns: it draws nothing.
  Scene other;
  const QImage otherBefore = other.Shot();
  TKvSpectrumBar* moved = s.s->Items(0);
  moved->SetCollection(other.s->Bars());
  moved->SetPosition(100);
  EXPECT_SAME_PIXELS(other.Shot(), otherBefore);
}

// ---------------------------------------------------------------------------
// Hostile settings

TEST(Spectrum, ADescriptionWithoutATickPitchLoadsKeepsItsSizeAndDrawsNoTicks) {
  TForm form(nullptr);
  kv::ReadComponent(&form,
                    "object Form: TForm\n"
                    "  object Probe: TKvSpectrum\n"
                    "    Width = 225\n"
                    "    Height = 91\n"
                    "    TickHeight = 1\n"
                    "    Spacing = -1\n"
                    "  end\n"
                    "end\n",
                    QStringLiteral("spectrum.kvf"));
  auto* s = dynamic_cast<TKvSpectrum*>(form.FindComponent(QStringLiteral("Probe")));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Spacing(), -1);
  s->Items(0)->SetPosition(100);
  const QImage shot = kvtest::RenderControl(s, kPanelColor);
  EXPECT_EQ(s->TickCount(), 0);
  EXPECT_EQ(s->BoundsRect(), Rect(0, 0, 225, 91));
  EXPECT_EQ(PixelAt(shot, 5, 5), clBlack.Value);
  EXPECT_EQ(PixelAt(shot, 5, 85), clBlack.Value);
}

TEST(Spectrum, ABevelChangeBeforeTheFirstPaintKeepsTheBarArea) {
  Scene s(217, 117, [](TKvSpectrum* c) {
    c->Bevel()->SetOuterOutline(TKvBevelOutlineStyle::osNone);
    c->Bevel()->SetInnerWidth(1);  // 1 + 1 + 1 = 3
    EXPECT_EQ(c->BoundsRect(), Rect(0, 0, 213, 113));
  });
  EXPECT_EQ(s.s->BoundsRect(), Rect(0, 0, 221, 113));
  EXPECT_EQ(s.s->TickCount(), 54);
}

TEST(Spectrum, HugeBarsStayWithinTheBitmapBudget) {
  SurfaceSpectrum s;
  s.SetBounds(0, 0, 225, 91);
  s.SetBarWidth(INT_MAX);
  s.Frame();  // snaps, and draws nothing for the old size
  EXPECT_EQ(s.Width(), QWIDGETSIZE_MAX);
  EXPECT_EQ(s.BarWidth(), INT_MAX);
  EXPECT_THROW(s.Frame(), EOutOfResources);
}

TEST(Spectrum, ANegativeRangeSurvivesADescription) {
  TForm form(nullptr);
  auto* s = new TKvSpectrum(&form);
  s->SetName(QStringLiteral("Probe"));
  s->SetParent(&form);
  s->SetMinValue(-50);
  s->SetMaxValue(-10);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* back = dynamic_cast<TKvSpectrum*>(copy.FindComponent(QStringLiteral("Probe")));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->MinValue(), -50);
  EXPECT_EQ(back->MaxValue(), -10);
}

// ---------------------------------------------------------------------------
// Reference pictures

TEST(Spectrum, ReferenceDemoSettings) {
  TKvSpectrum s(nullptr);
  s.SetBounds(15, 120, 225, 91);
  ApplyBevelB(s.Bevel());
  for (int k = 0; k < 24; ++k) s.Items(k)->SetPosition((k * 37 + 11) % 100);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&s, kPanelColor, 4), "lib/spectrum-demo");
}

TEST(Spectrum, ReferenceInitialSettings) {
  TKvSpectrum s(nullptr);
  s.SetBounds(0, 0, 225, 117);  // its size after the first paint
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&s, clWhite, 4), "lib/spectrum-initial");
}
