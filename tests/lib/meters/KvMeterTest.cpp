#include "KvMeter.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>

namespace {

constexpr int32_t kPanelColor = 7292981;

// The meter's picture, shown alone on a form.
QImage Picture(TKvMeter* meter) { return kvtest::RenderControl(meter, clWhite.Value, 0); }

// A meter showing only what a test turns back on: no ticks, labels, caption or bevel.
void StripDown(TKvMeter& m) {
  m.Scale()->SetVisible(false);
  m.SetLabels(0);
  m.Bevel()->SetVisible(false);
}

// The direction of step K of the initial sweep (Angle 40, 61 ticks), in radians.
long double Theta(int k) {
  return (310.0L + k * 100.0L / 61) * std::numbers::pi_v<long double> / 180;
}

// A black 240 x 105 picture with the initial meter's needle drawn to Tip.
QImage NeedleTo(TPoint tip) {
  TBitmap b;
  b.SetSize(240, 105);
  b.Canvas()->Pen()->SetColor(clSilver);
  b.Canvas()->MoveTo(120, 125);
  b.Canvas()->LineTo(tip.X, tip.Y);
  return b.Image();
}

}  // namespace

// ---------------------------------------------------------------------------
// Pictures

TEST(Meter, ReferencePictures) {
  TKvMeter initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, clWhite.Value, 2), "lib/meter-initial");

  TKvMeter demo(nullptr);
  kvdemo::ApplyDemoSettings(demo, "frmMeters", "KvMeter");
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor, 2), "lib/meter-demo");

  TKvMeter wide(nullptr);
  wide.SetBounds(0, 0, 300, 150);
  wide.SetAngle(35);
  wide.SetNeedleWidth(3);
  wide.SetNeedleColor(clAqua);
  wide.SetLabels(5);
  wide.SetPosition(85);
  wide.Scale()->SetEnlarge(3);
  wide.SetCaption(QStringLiteral("Volts"));
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&wide, clWhite.Value, 2), "lib/meter-wide");
}

TEST(Meter, ZonesColourTheTicks) {
  TKvMeter m(nullptr);
  m.SetLabels(0);
  const QImage shot = Picture(&m);
  // 61 ticks: zone 1 covers 36 ticks, zone 2 the next 15, zone 3 the rest. A tick's first
  // pixel is its inner end, at radius 90 from the centre (120, 125).
  for (int k = 1; k < 61; ++k) {
    const long double t = Theta(k);
    const int x = 120 + int(std::trunc(std::sin(t) * 90)),
              y = 125 - int(std::trunc(std::cos(t) * 90));
    const TColor expected = k < 36 ? clGreen : k < 51 ? clYellow : clRed;
    EXPECT_EQ(kvtest::PixelAt(shot, x, y), expected.Value) << "tick " << k;
  }
}

TEST(Meter, LongTicksFollowEnlarge) {
  // Two ticks without angle: the second points straight up from (120, 105), from y = 15.
  TKvMeter m(nullptr);
  m.SetAngle(0);
  m.SetSpacing(0);
  m.Scale()->SetTicks(2);
  QImage shot = Picture(&m);
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 15), clRed.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 11), clRed.Value);  // short: 5 pixels
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 10), clBlack.Value);
  m.Scale()->SetEnlarge(1);  // every tick long: 8 pixels
  shot = Picture(&m);
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 8), clRed.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 7), clBlack.Value);
  m.Scale()->SetHeightMax(3);
  m.Scale()->SetHeightMin(3);  // ticks start 3 pixels inside the radius: y = 13 .. 11
  shot = Picture(&m);
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 14), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 13), clRed.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 11), clRed.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 120, 10), clBlack.Value);
}

namespace {

// The initial sweep's labels alone on black, each text at its step.
QImage LabelsAt(const TKvMeter& m, std::initializer_list<std::pair<int, QString>> labels) {
  TBitmap expected;
  expected.SetSize(240, 105);
  TCanvas* c = expected.Canvas();
  c->SetFont(m.Font());
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  for (const auto& [step, text] : labels) {
    const long double t = Theta(step);
    const int x = 120 + int(std::trunc(std::sin(t) * 113)), y = int(std::trunc(std::cos(t) * 108));
    c->TextOut(x - c->TextWidth(text) / 2, 125 - y - c->TextHeight(text) / 2, text);
  }
  return expected.Image();
}

}  // namespace

TEST(Meter, LabelsEverySixStepsReadZeroToHundred) {
  TKvMeter m(nullptr);
  m.Scale()->SetVisible(false);
  m.Bevel()->SetVisible(false);
  m.SetNeedleColor(clBlack);
  EXPECT_TRUE(kvtest::SamePixels(Picture(&m), LabelsAt(m, {{0, "0"},
                                                           {6, "10"},
                                                           {12, "20"},
                                                           {18, "30"},
                                                           {24, "40"},
                                                           {30, "50"},
                                                           {36, "60"},
                                                           {42, "70"},
                                                           {48, "80"},
                                                           {54, "90"},
                                                           {60, "100"}})));

  // Fewer ticks than label intervals: only the label at step 0.
  m.Scale()->SetTicks(5);
  m.SetAngle(0);
  m.SetSpacing(-60);  // the centre at (120, 45): label "0" left of it at radius 113
  const QImage few = Picture(&m);
  TBitmap one;
  one.SetSize(240, 105);
  one.Canvas()->SetFont(m.Font());
  one.Canvas()->Brush()->SetStyle(TBrushStyle::bsClear);
  const int w = one.Canvas()->TextWidth(QStringLiteral("0")),
            h = one.Canvas()->TextHeight(QStringLiteral("0"));
  one.Canvas()->TextOut(120 - 113 - w / 2, 45 - 0 - h / 2, QStringLiteral("0"));
  EXPECT_TRUE(kvtest::SamePixels(few, one.Image()));

  // The widest range needs more than 32 bits for its label values.
  TKvMeter wide(nullptr);
  wide.Scale()->SetVisible(false);
  wide.Bevel()->SetVisible(false);
  wide.SetNeedleColor(clBlack);
  wide.SetLoadingState(true);
  wide.SetMaxValue(INT_MAX);
  wide.SetMinValue(INT_MIN);
  wide.SetLoadingState(false);
  wide.SetLabels(2);
  EXPECT_TRUE(kvtest::SamePixels(
      Picture(&wide), LabelsAt(wide, {{0, "-2147483648"}, {30, "0"}, {60, "2147483647"}})));
}

TEST(Meter, NeedleMovesInWholeStepsUpToOnePastTheLastTick) {
  TKvMeter m(nullptr);
  StripDown(m);
  EXPECT_TRUE(
      kvtest::SamePixels(Picture(&m), NeedleTo({48, 64})));  // step 0, 40 degrees above the left
  m.SetPosition(100);
  EXPECT_TRUE(
      kvtest::SamePixels(Picture(&m), NeedleTo({192, 64})));  // step 61, 40 degrees above the right
  m.SetPosition(50);                                          // 61 * 0.5 = 30.5: step 30
  EXPECT_TRUE(kvtest::SamePixels(Picture(&m), NeedleTo({119, 31})));
}

TEST(Meter, EqualRangeAndNoTicksLeaveTheNeedleAtStepZero) {
  TKvMeter m(nullptr);
  StripDown(m);
  m.SetMinValue(50);
  m.SetMaxValue(50);
  EXPECT_EQ(m.Position(), 50);
  EXPECT_TRUE(kvtest::SamePixels(Picture(&m), NeedleTo({48, 64})));

  TKvMeter plain(nullptr);
  plain.SetCaption(QStringLiteral("TKvMeter"));
  plain.Scale()->SetVisible(false);
  plain.SetLabels(0);
  const QImage onlyNeedleCaptionBevel = Picture(&plain);
  for (int ticks : {0, -5}) {
    TKvMeter m2(nullptr);
    m2.SetCaption(QStringLiteral("TKvMeter"));
    m2.SetPosition(60);
    m2.Scale()->SetTicks(ticks);
    EXPECT_TRUE(kvtest::SamePixels(Picture(&m2), onlyNeedleCaptionBevel)) << ticks << " ticks";
  }
}

TEST(Meter, WidestLoadedRangeKeepsTheNeedleArithmeticExact) {
  TKvMeter wide(nullptr);
  StripDown(wide);
  wide.SetLoadingState(true);
  wide.SetMaxValue(INT_MAX);
  wide.SetMinValue(INT_MIN);
  wide.SetLoadingState(false);
  EXPECT_EQ(wide.Position(), 0);
  TKvMeter step30(nullptr);
  StripDown(step30);
  step30.SetMaxValue(61);
  step30.SetPosition(30);
  EXPECT_TRUE(kvtest::SamePixels(Picture(&wide), Picture(&step30)));
  // An inverted range left by loading paints; labels count down.
  wide.SetLoadingState(true);
  wide.SetMaxValue(10);
  wide.SetMinValue(50);
  wide.SetLoadingState(false);
  wide.SetLabels(4);
  EXPECT_EQ(Picture(&wide).size(), QSize(240, 105));
}

TEST(Meter, CaptionCellIsOpaqueOnlyWithoutLabels) {
  // The needle at step 30 runs up through the caption cell (rows 90 - h .. 89).
  const auto needleInCell = [](int labels) {
    TKvMeter m(nullptr);
    m.Scale()->SetVisible(false);
    m.SetLabels(labels);
    m.SetPosition(50);
    m.SetCaption(QStringLiteral("        "));
    const QImage shot = Picture(&m);
    int count = 0;
    for (int y = 82; y < 89; ++y)
      for (int x = 100; x < 140; ++x) count += kvtest::PixelAt(shot, x, y) == clSilver.Value;
    return count;
  };
  EXPECT_EQ(needleInCell(0), 0);
  EXPECT_EQ(needleInCell(10), 7);
}

TEST(Meter, BackImageLiesUnderTheScale) {
  TKvMeter m(nullptr);
  TPicture picture;
  picture.Bitmap()->SetSize(2, 2);
  picture.Bitmap()->Canvas()->SetPixels(0, 0, clRed);
  picture.Bitmap()->Canvas()->SetPixels(1, 0, clLime);
  picture.Bitmap()->Canvas()->SetPixels(0, 1, clBlue);
  picture.Bitmap()->Canvas()->SetPixels(1, 1, clYellow);
  m.SetBackImage(&picture);
  const QImage shot = Picture(&m);
  EXPECT_EQ(kvtest::PixelAt(shot, 10, 10), clRed.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 200, 20), clLime.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 20, 95), clBlue.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 230, 95), clYellow.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 53, 66), clGreen.Value);  // tick 1 over the picture
  EXPECT_EQ(kvtest::PixelAt(shot, 0, 0), clBlack.Value);    // the bevel on top
}

TEST(Meter, ExtremeSettingsStillPaint) {
  // Every integer setting at an end of its range: finite arithmetic, nothing drawn far away.
  TKvMeter m(nullptr);
  m.SetCaption(QStringLiteral("TKvMeter"));
  m.SetAngle(INT_MIN);
  m.SetSpacing(INT_MAX);
  m.SetLabelOffsetX(INT_MAX);
  m.SetLabelOffsetY(INT_MIN);
  m.SetLabels(INT_MAX);
  m.Scale()->SetHeightMax(INT_MAX);
  m.Scale()->SetHeightMin(INT_MIN);
  m.Scale()->SetEnlarge(INT_MIN);
  m.Scale()->SetTicks(TKvMeterScale::kMaxTicks);
  EXPECT_EQ(Picture(&m).size(), QSize(240, 105));
  m.SetNeedleWidth(INT_MAX);
  m.SetSpacing(-50);
  m.SetAngle(45);
  const QImage wide = Picture(&m);
  EXPECT_EQ(kvtest::PixelAt(wide, 120, 60),
            clSilver.Value);  // a needle wider than the meter covers it
  m.SetNeedleWidth(INT_MIN);
  EXPECT_EQ(Picture(&m).size(), QSize(240, 105));
}

// ---------------------------------------------------------------------------
// Range and events

TEST(Meter, RangeOutOfOrderRaisesAndKeepsTheValue) {
  TKvMeter m(nullptr);
  try {
    m.SetMinValue(101);
    FAIL() << "no exception";
  } catch (const EKvException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Value out of range."));
  }
  EXPECT_EQ(m.MinValue(), 0);
  EXPECT_THROW(m.SetMaxValue(-1), EKvException);
  EXPECT_EQ(m.MaxValue(), 100);
  m.SetLoadingState(true);
  EXPECT_NO_THROW(m.SetMinValue(500));
  m.SetLoadingState(false);
  EXPECT_EQ(m.MinValue(), 500);
}

TEST(Meter, PositionChangesFireOnChangeButRangePullsDoNot) {
  TKvMeter m(nullptr);
  int changes = 0;
  QObject::connect(&m, &TKvMeter::OnChange, [&](TObject* sender) {
    EXPECT_EQ(sender, &m);
    ++changes;
  });
  m.SetPosition(70);
  EXPECT_EQ(changes, 1);
  m.SetMaxValue(60);
  EXPECT_EQ(m.Position(), 60);
  m.SetMinValue(-20);
  m.SetMaxValue(-10);
  EXPECT_EQ(m.Position(), -10);
  EXPECT_EQ(changes, 1);
  m.SetPosition(500);  // clamps to -10, the current value
  EXPECT_EQ(changes, 1);
  m.SetPosition(-500);
  EXPECT_EQ(m.Position(), -20);
  EXPECT_EQ(changes, 2);
}

TEST(Meter, ScaleKeepsItsZonesWithinHundredPercent) {
  TKvMeter m(nullptr);
  TKvMeterScale* s = m.Scale();
  s->SetPercent1(INT_MAX);
  EXPECT_EQ(s->Percent1(), 75);
  s->SetPercent2(26);
  EXPECT_EQ(s->Percent2(), 25);
  s->SetPercent2(INT_MAX);
  EXPECT_EQ(s->Percent2(), 25);
  m.SetLoadingState(true);
  s->SetPercent1(90);  // not checked while loading
  s->SetPercent2(20);  // always checked
  m.SetLoadingState(false);
  EXPECT_EQ(s->Percent1(), 90);
  EXPECT_EQ(s->Percent2(), 25);
  s->SetTicks(TKvMeterScale::kMaxTicks + 1);
  EXPECT_EQ(s->Ticks(), 61);
  s->SetTicks(TKvMeterScale::kMaxTicks);
  EXPECT_EQ(s->Ticks(), TKvMeterScale::kMaxTicks);
}

TEST(Meter, ScaleChangesRepaintAndAssignCopies) {
  TKvMeter m(nullptr);
  m.SetLabels(0);
  TKvMeterScale other;
  other.SetColor1(clFuchsia);
  m.SetScale(&other);
  EXPECT_EQ(m.Scale()->Color1().Value, clFuchsia.Value);
  EXPECT_NE(m.Scale(), &other);
  EXPECT_EQ(kvtest::PixelAt(Picture(&m), 53, 66), clFuchsia.Value);
}

// ---------------------------------------------------------------------------
// Form descriptions

TEST(Meter, DescriptionsKeepTheDemoSettings) {
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object KvMeter: TKvMeter
    MaxValue = 150
    MinValue = 50
    Position = 70
    Scale.Percent1 = 60
    Scale.Ticks = 61
    Transparent = True
    Caption = 'TKvMeter'
  end
  object Inverted: TKvMeter
    MaxValue = 10
    MinValue = 50
  end
end)",
                    QStringLiteral("meters.kvf"));
  auto* meter = dynamic_cast<TKvMeter*>(form.FindComponent(QStringLiteral("KvMeter")));
  ASSERT_NE(meter, nullptr);
  EXPECT_EQ(meter->Caption(), QStringLiteral("TKvMeter"));
  auto* inverted = dynamic_cast<TKvMeter*>(form.FindComponent(QStringLiteral("Inverted")));
  EXPECT_EQ(inverted->MaxValue(), 10);
  EXPECT_EQ(inverted->MinValue(), 50);
  EXPECT_EQ(inverted->Position(), 50);

  meter->Scale()->SetPercent2(30);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* copied = dynamic_cast<TKvMeter*>(copy.FindComponent(QStringLiteral("KvMeter")));
  EXPECT_EQ(copied->MaxValue(), 150);
  EXPECT_EQ(copied->MinValue(), 50);
  EXPECT_EQ(copied->Position(), 70);
  EXPECT_EQ(copied->Scale()->Percent1(), 60);
  EXPECT_EQ(copied->Scale()->Percent2(), 30);
  EXPECT_EQ(copied->Scale()->Ticks(), 61);
  EXPECT_TRUE(copied->Transparent());
  EXPECT_EQ(copied->Caption(), QStringLiteral("TKvMeter"));
  EXPECT_EQ(copied->Font()->Name(), QStringLiteral("Arial"));
}

TEST(Meter, DescriptionsStoreWhatDiffersFromTheInitialSettings) {
  TForm form(nullptr);
  auto* m = new TKvMeter(&form);
  m->SetName(QStringLiteral("M"));
  m->SetParent(&form);
  const QByteArray fresh = kv::WriteComponent(&form);
  for (const char* notStored : {"Scale.", "Font.", "ParentColor", "ParentFont"})
    EXPECT_FALSE(fresh.contains(notStored)) << notStored << "\n" << fresh.constData();
  // 61 and 60 were the streaming defaults of Percent1 and Ticks once; now they survive.
  m->Scale()->SetPercent1(61);
  m->Scale()->SetTicks(60);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* copied = dynamic_cast<TKvMeter*>(copy.FindComponent(QStringLiteral("M")));
  EXPECT_EQ(copied->Scale()->Percent1(), 61);
  EXPECT_EQ(copied->Scale()->Ticks(), 60);
  // A description that leaves them out reads the initial values, as it always did.
  TForm bare(nullptr);
  kv::ReadComponent(&bare, "object Form: TForm\n  object M: TKvMeter\n  end\nend\n",
                    QStringLiteral("bare.kvf"));
  auto* plain = dynamic_cast<TKvMeter*>(bare.FindComponent(QStringLiteral("M")));
  EXPECT_EQ(plain->Scale()->Percent1(), 60);
  EXPECT_EQ(plain->Scale()->Ticks(), 61);
}
