#include "KvThermoMeter.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>

#include <climits>
#include <limits>

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

// The demo's thermometer: 93 x 137, scale 50 ... 150, value 70, markers hidden.
void MakeDemo(TkvThermoMeter& t) { kvdemo::ApplyDemoSettings(t, "frmMeters", "KvThermoMeter"); }

QImage Render(TkvThermoMeter& t) { return kvtest::RenderControl(&t, clWhite.Value, 0); }

}  // namespace

// ---------------------------------------------------------------------------
// Pictures

TEST(ThermoMeter, DemoGeometry) {
  TkvThermoMeter t(nullptr);
  MakeDemo(t);
  const QImage img = Render(t);
  // The tube: ColorBefore from the value (y = 98) down to Height - Offset, ColorAfter above;
  // the wide pen's round end reaches three pixels further.
  EXPECT_EQ(PixelAt(img, 43, 98), clRed.Value);
  EXPECT_EQ(PixelAt(img, 48, 98), clRed.Value);
  EXPECT_EQ(PixelAt(img, 46, 116), clRed.Value);
  EXPECT_EQ(PixelAt(img, 43, 96), clMaroon.Value);
  EXPECT_EQ(PixelAt(img, 46, 94), clMaroon.Value);
  EXPECT_EQ(PixelAt(img, 46, 21), clMaroon.Value);
  // Its white rim on the left, the grey shadow line on the right.
  EXPECT_EQ(PixelAt(img, 42, 60), clWhite.Value);
  EXPECT_EQ(PixelAt(img, 49, 60), 0x808080);
  // Ticks from L = 58: major at Min (y 117) 14 long, minor k = 1 (value 54, y 113) 8 long.
  EXPECT_EQ(PixelAt(img, 58, 117), clBlack.Value);
  EXPECT_EQ(PixelAt(img, 71, 117), clBlack.Value);
  EXPECT_EQ(PixelAt(img, 65, 113), clBlack.Value);
  EXPECT_EQ(PixelAt(img, 66, 113), kPanelColor);
  // Every minor tick of the 24 is there: 25 steps of 4 between 50 and 150, a major tick
  // at each multiple of 20, nothing between two neighbours.
  for (int k = 1; k <= 24; ++k) {
    const int y = 137 - kv::Round(20 + (4.0L * k) * 97 / 100);
    EXPECT_EQ(PixelAt(img, 60, y), clBlack.Value) << k;
  }
  EXPECT_EQ(PixelAt(img, 60, 115), kPanelColor);
  // The bulb (36, 117, 56, 137) filled with ColorBefore and its highlight at (41, 122).
  EXPECT_EQ(PixelAt(img, 50, 130), clRed.Value);
  EXPECT_EQ(PixelAt(img, 42, 123), clWhite.Value);
  EXPECT_EQ(PixelAt(img, 44, 124), clWhite.Value);
  EXPECT_EQ(PixelAt(img, 44, 125), clRed.Value);
  EXPECT_EQ(PixelAt(img, 45, 126), clRed.Value);
  EXPECT_EQ(PixelAt(img, 35, 127), kPanelColor);
}

TEST(ThermoMeter, LabelsSitAtTheirOwnValues) {
  TkvThermoMeter t(nullptr);
  MakeDemo(t);
  const QImage img = Render(t);
  TBitmap probe;
  probe.Canvas()->SetFont(t.Font());
  const int h = probe.Canvas()->TextHeight(QStringLiteral("0"));
  // Each label's ink lies within its own text cell, centred on its value's pixel.
  for (const auto& [value, y] :
       std::vector<std::pair<int, int>>{{70, 98}, {90, 78}, {110, 59}, {130, 39}, {150, 20}}) {
    int inkRows = 0;
    for (int yy = y - h / 2; yy < y - h / 2 + h; ++yy)
      for (int x = 72; x < 93; ++x) inkRows += PixelAt(img, x, yy) == clBlack.Value;
    EXPECT_GT(inkRows, 0) << value;
  }
  // The Min label sits above Height - Offset + h div 2.
  int below = 0;
  for (int yy = 117 + h / 2; yy < 137; ++yy)
    for (int x = 72; x < 93; ++x) below += PixelAt(img, x, yy) == clBlack.Value;
  EXPECT_EQ(below, 0);
}

TEST(ThermoMeter, ReferencePictures) {
  TkvThermoMeter initial(nullptr);
  EXPECT_MATCHES_REFERENCE(Render(initial), "lib/thermometer-initial");

  TkvThermoMeter demo(nullptr);
  MakeDemo(demo);
  EXPECT_MATCHES_REFERENCE(Render(demo), "lib/thermometer-demo");

  TkvThermoMeter flat(nullptr);
  flat.SetDirection(TKvDirection::voHorizontal);
  flat.Scale()->SetPosition(TKvPosition::voBefore);
  flat.Scale()->SetOffset(12);
  flat.SetShowCaption(true);
  flat.SetCaption(QStringLiteral("Celsius"));
  flat.Value()->SetValue(35);
  EXPECT_MATCHES_REFERENCE(Render(flat), "lib/thermometer-horizontal-before");

  TkvThermoMeter log(nullptr);
  log.Scale()->SetMin(1);
  log.Scale()->SetMax(1000);
  log.Scale()->SetScaleType(TKvScaleType::voLogarithmic);
  log.Scale()->SetStep(100);
  log.Scale()->SetSmallStep(50);
  log.Scale()->SetOffset(12);
  log.Value()->SetValue(100);
  EXPECT_MATCHES_REFERENCE(Render(log), "lib/thermometer-log");

  // Each marker shape on each side of a vertical and a horizontal tube.
  for (const TKvDirection direction : {TKvDirection::voVertical, TKvDirection::voHorizontal}) {
    for (const TKvPosition side : {TKvPosition::voAfter, TKvPosition::voBefore}) {
      TkvThermoMeter m(nullptr);
      m.SetBounds(0, 0, 120, 200);
      m.SetDirection(direction);
      m.Scale()->SetPosition(side);
      m.Scale()->SetOffset(15);
      m.SetPoint()->SetValue(20);
      m.SetPoint()->SetShape(TkvIndicatorShape::voBitmap);
      m.PeakMin()->SetValue(10);
      m.PeakMin()->SetShape(TkvIndicatorShape::voTriangle);
      m.PeakMin()->SetColor(clYellow);
      m.PeakMax()->SetValue(90);
      m.PeakMax()->SetShape(TkvIndicatorShape::voTriangle);
      m.PeakMax()->SetColor(clAqua);
      m.Value()->SetShape(TkvIndicatorShape::voLine);
      m.Value()->SetColor(clLime);
      m.Value()->SetValue(60);
      const QString name = QStringLiteral("lib/thermometer-markers-%1-%2")
                               .arg(direction == TKvDirection::voVertical ? "v" : "h")
                               .arg(side == TKvPosition::voAfter ? "after" : "before");
      EXPECT_MATCHES_REFERENCE(Render(m), name);
    }
  }
}

TEST(ThermoMeter, ValuesBeyondTheRangeFillOrEmptyTheTube) {
  TkvThermoMeter t(nullptr);
  MakeDemo(t);
  t.Value()->SetValue(500);
  QImage img = Render(t);
  EXPECT_EQ(PixelAt(img, 46, 21), clRed.Value);
  t.Value()->SetValue(-500);
  img = Render(t);
  EXPECT_EQ(PixelAt(img, 46, 110), clMaroon.Value);
  // Max = Min maps everything to pixel 0: y = Height, the tube shows no ColorBefore.
  t.Scale()->SetMax(50);
  t.Value()->SetValue(50);
  EXPECT_EQ(t.ValuePixel(50), 0);
  img = Render(t);
  EXPECT_EQ(PixelAt(img, 46, 100), clMaroon.Value);
}

TEST(ThermoMeter, HugeLogPositionsClipLikeEndlessLines) {
  TkvThermoMeter t(nullptr);
  t.Scale()->SetMax(1);
  t.Scale()->SetMin(0);
  t.Scale()->SetScaleType(TKvScaleType::voLogarithmic);
  t.Value()->SetVisible(false);
  t.SetPoint()->SetVisible(false);
  t.PeakMin()->SetVisible(false);
  t.PeakMax()->SetVisible(false);
  t.Value()->SetValue(0.5);
  const QImage img = Render(t);
  // G(0) is next to G(1): 0.5 lies far beyond the far end, so the tube is full.
  for (int y = 0; y < 230 - 5; y += 7) EXPECT_EQ(PixelAt(img, 50, y), clRed.Value) << y;
}

TEST(ThermoMeter, ZeroAndTinyStepsKeepTheEnds) {
  TkvThermoMeter t(nullptr);
  MakeDemo(t);
  t.Scale()->SetStep(0);
  t.Scale()->SetSmallStep(1e-9);
  const QImage img = Render(t);
  // Every pixel of the band carries a minor tick; both end ticks are long.
  for (int y = 20; y <= 117; ++y) EXPECT_EQ(PixelAt(img, 60, y), clBlack.Value) << y;
  EXPECT_EQ(PixelAt(img, 70, 117), clBlack.Value);
  EXPECT_EQ(PixelAt(img, 70, 20), clBlack.Value);
  EXPECT_EQ(PixelAt(img, 70, 59), kPanelColor);

  // A step that steps backwards draws no tick of its kind.
  t.Scale()->SetStep(-20);
  t.Scale()->SetSmallStep(0);
  const QImage none = Render(t);
  EXPECT_EQ(PixelAt(none, 60, 113), kPanelColor);
  EXPECT_EQ(PixelAt(none, 70, 117), clBlack.Value);

  // Not-a-number and infinite steps and ends are refused.
  t.Scale()->SetStep(std::numeric_limits<double>::quiet_NaN());
  t.Scale()->SetSmallStep(std::numeric_limits<double>::infinity());
  t.Scale()->SetMax(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(t.Scale()->Step(), -20);
  EXPECT_EQ(t.Scale()->SmallStep(), 0);
  EXPECT_EQ(t.Scale()->Max(), 150);
  // The widest finite range.
  t.Scale()->SetMax(1e308);
  t.Scale()->SetMin(-1e308);
  t.Scale()->SetStep(1e-300);
  t.Scale()->SetSmallStep(1e-300);
  Render(t);
}

TEST(ThermoMeter, ExtremeSizesPaint) {
  for (const int offset : {INT_MIN, INT_MAX, -7}) {
    TkvThermoMeter t(nullptr);
    t.Scale()->SetOffset(offset);
    t.Scale()->SetHeightMax(INT_MIN);
    t.Scale()->SetHeightMin(INT_MAX);
    t.SetShowCaption(true);
    t.SetCaption(QStringLiteral("x"));
    Render(t);
    t.SetDirection(TKvDirection::voHorizontal);
    Render(t);
  }
}

// ---------------------------------------------------------------------------
// Markers and events

TEST(ThermoMeter, PeaksFollowOutwardsAndOutOfRangeFires) {
  TkvThermoMeter t(nullptr);
  int outOfRange = 0;
  QObject::connect(&t, &TkvThermoMeter::OnOutofRange, [&](TObject*) { ++outOfRange; });
  t.Value()->SetValue(40);
  EXPECT_EQ(t.PeakMax()->Value(), 40);
  EXPECT_EQ(t.PeakMin()->Value(), 0);
  t.Value()->SetValue(20);
  EXPECT_EQ(t.PeakMax()->Value(), 40);
  t.Value()->SetValue(-5);
  EXPECT_EQ(t.PeakMin()->Value(), -5);
  EXPECT_EQ(outOfRange, 1);
  // Any marker change while out of range fires again.
  t.SetPoint()->SetColor(clRed);
  EXPECT_EQ(outOfRange, 2);
  t.Value()->SetValue(101);
  EXPECT_EQ(outOfRange, 3);
  // Resetting a peak is a direct assignment.
  t.PeakMax()->SetValue(0);
  EXPECT_EQ(t.PeakMax()->Value(), 101);  // the callback pulls it up to the value again
}

TEST(ThermoMeter, AssigningAMarkerIsOneChange) {
  TkvThermoMeter t(nullptr);
  int outOfRange = 0;
  QObject::connect(&t, &TkvThermoMeter::OnOutofRange, [&](TObject*) { ++outOfRange; });
  KvThermoMeter::TKvLiniarIndicator source;
  source.SetValue(500);
  source.SetShape(TkvIndicatorShape::voTriangle);
  source.SetColor(clLime);
  source.SetVisible(false);
  t.SetValue(&source);
  EXPECT_EQ(outOfRange, 1);
  EXPECT_EQ(t.Value()->Value(), 500);
  EXPECT_EQ(t.Value()->Shape(), TkvIndicatorShape::voTriangle);
  EXPECT_FALSE(t.Value()->Visible());
}

TEST(ThermoMeter, EmptyMarkerPictureComesBack) {
  KvThermoMeter::TKvLiniarIndicator m;
  const QImage original = m.Bitmap()->Image();
  EXPECT_EQ(original.width(), 6);
  EXPECT_EQ(original.height(), 9);
  TBitmap empty;
  m.SetBitmap(&empty);
  EXPECT_SAME_PIXELS(m.Bitmap()->Image(), original);
  m.SetValue(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(m.Value(), 0);
}

TEST(ThermoMeter, HandlerThatFreesTheControl) {
  auto* t = new TkvThermoMeter(nullptr);
  QPointer<TkvThermoMeter> alive(t);
  QObject::connect(t, &TkvThermoMeter::OnOutofRange, [t](TObject*) { delete t; });
  t->Value()->SetValue(1000);
  // Retired under the setter that fired the event, gone once the event loop runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

// ---------------------------------------------------------------------------
// Scale rules

TEST(ThermoMeter, LogarithmicScaleRefusesNegativeEnds) {
  TkvThermoMeterScale s;
  s.SetMin(-10);
  s.SetScaleType(TKvScaleType::voLogarithmic);
  EXPECT_EQ(s.ScaleType(), TKvScaleType::voLinear);
  s.SetMin(1);
  s.SetScaleType(TKvScaleType::voLogarithmic);
  EXPECT_EQ(s.ScaleType(), TKvScaleType::voLogarithmic);
  s.SetMax(-1);
  s.SetMin(-1);
  EXPECT_EQ(s.Max(), 100);
  EXPECT_EQ(s.Min(), 1);
  // A whole log scale copied onto a linear one with a negative Min stays logarithmic.
  TkvThermoMeterScale target;
  target.SetMin(-10);
  int changes = 0;
  QObject::connect(&target, &TKvPersistent::OnChange, [&](TObject*) { ++changes; });
  s.SetMax(1000);
  target.Assign(&s);
  EXPECT_EQ(target.ScaleType(), TKvScaleType::voLogarithmic);
  EXPECT_EQ(target.Min(), 1);
  EXPECT_EQ(target.Max(), 1000);
  EXPECT_EQ(changes, 1);
}

TEST(ThermoMeter, FormatTextIsCheckedWhenSet) {
  TkvThermoMeterScale s;
  try {
    s.SetFormatText(QStringLiteral("%d"));
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Format '%d' invalid or incompatible with argument"));
  }
  EXPECT_EQ(s.FormatText(), QStringLiteral("%s"));
  for (const char* ok : {"%s \u00b0C", "%5s", "%0:s/%0:s"}) {
    s.SetFormatText(QString::fromUtf8(ok));
    EXPECT_EQ(s.FormatText(), QString::fromUtf8(ok));
  }
  TForm form(nullptr);
  try {
    kv::ReadComponent(&form, R"(object Panel: TForm
  object T: TkvThermoMeter
    Scale.FormatText = '%s%s'
  end
end)",
                      QStringLiteral("thermo.kvf"));
    ADD_FAILURE() << "no exception";
  } catch (const kv::Exception& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("thermo.kvf"))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains(QStringLiteral("Scale.FormatText")))
        << e.Message().toStdString();
  }
}

TEST(ThermoMeter, DirectionSwapsTheSizeExceptWhileLoading) {
  TkvThermoMeter t(nullptr);
  t.SetDirection(TKvDirection::voHorizontal);
  EXPECT_EQ(t.Width(), 230);
  EXPECT_EQ(t.Height(), 100);
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object T: TkvThermoMeter
    Width = 93
    Height = 137
    Direction = voHorizontal
    Value.Value = 500
  end
end)",
                    QStringLiteral("thermo.kvf"));
  auto* loaded = dynamic_cast<TkvThermoMeter*>(form.FindComponent(QStringLiteral("T")));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Width(), 93);
  EXPECT_EQ(loaded->Height(), 137);
  // Loading moves no peak.
  EXPECT_EQ(loaded->PeakMax()->Value(), 0);
}

TEST(ThermoMeter, DemoSettingsSurviveADescription) {
  TForm form(nullptr);
  auto* t = new TkvThermoMeter(&form);
  t->SetName(QStringLiteral("T"));
  MakeDemo(*t);
  t->Scale()->SetScaleType(TKvScaleType::voLogarithmic);
  const QByteArray text = kv::WriteComponent(&form);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("copy.kvf"));
  auto* c = dynamic_cast<TkvThermoMeter*>(copy.FindComponent(QStringLiteral("T")));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->SetPoint()->Value(), 33.333333333333);
  EXPECT_EQ(c->Scale()->ScaleType(), TKvScaleType::voLogarithmic);
  EXPECT_EQ(c->Scale()->Offset(), 20);
  EXPECT_EQ(c->PeakMax()->Shape(), TkvIndicatorShape::voTriangle);
  EXPECT_SAME_PIXELS(Render(*c), Render(*t));
}

// The value line is the canvas's line in a pen as wide as the tube: the same as that line
// drawn over a thermometer showing its shortest line, for thin and wide tubes on both axes.
TEST(ThermoMeter, ValueLineIsTheCanvasLineOfTheTubesWidth) {
  for (const TKvDirection direction : {TKvDirection::voVertical, TKvDirection::voHorizontal}) {
    for (const int offset : {2, 9, 15, 20, 40}) {
      for (const double value : {50.0, 51.0, 70.0, 149.0, 150.0, 400.0, -3.0}) {
        SCOPED_TRACE(testing::Message() << int(direction) << " " << offset << " " << value);
        TkvThermoMeter t(nullptr);
        MakeDemo(t);
        t.SetDirection(direction);
        t.Scale()->SetOffset(offset);
        t.Scale()->SetPosition(TKvPosition::voBefore);  // ticks away from the tube
        // The shortest line: up from the bulb, or on a horizontal tube back from its end.
        t.Value()->SetValue(direction == TKvDirection::voVertical ? 50 : 150);
        QImage expected = Render(t);
        t.Value()->SetValue(value);
        const QImage actual = Render(t);
        // Where the paint puts the line: the centre made even, from P(v) to the bulb's end.
        const int w = t.Width(), h = t.Height(), p = int(t.ValuePixel(value));
        const int t3 = offset / 3 % 2 != 0 ? offset / 3 + 1 : offset / 3;
        TCanvas c;
        c.Attach(&expected);
        c.Pen()->SetWidth(std::max(t3, 1));
        if (direction == TKvDirection::voVertical) {
          const int x = w / 2 % 2 != 0 ? w / 2 + 1 : w / 2;
          c.Pen()->SetColor(t.ColorBefore());
          c.MoveTo(x, h - p);
          c.LineTo(x, h - offset);
        } else {
          const int y = h / 2 % 2 != 0 ? h / 2 + 1 : h / 2;
          c.Pen()->SetColor(t.ColorAfter());
          c.MoveTo(p, y);
          c.LineTo(w - offset, y);
        }
        c.Detach();
        ASSERT_SAME_PIXELS(actual, expected);
      }
    }
  }
}
