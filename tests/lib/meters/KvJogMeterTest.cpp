#include "KvJogMeter.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "KvMetersInternal.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

using kvtest::PixelAt;

namespace {

// The demo's jog meter: 165 x 37, ticks on top, a line marker, a brown-to-beige drum.
void MakeDemo(TKvJogMeter& j) { kvdemo::ApplyDemoSettings(j, "frmMeters", "KvJogMeter"); }

// A plain white face, so that only ticks and labels are black.
void WhiteDrum(TKvJogMeter& j) {
  j.SetFromColor(clWhite);
  j.SetToColor(clWhite);
}

QImage Render(TKvJogMeter& j) { return kvtest::RenderControl(&j, clWhite.Value, 0); }

// The columns (or rows) where a major tick's pixel lies one pixel inside the tick edge.
std::vector<int> TickColumns(const QImage& img, int row, TColor color = clBlack) {
  std::vector<int> columns;
  for (int x = 0; x < img.width(); ++x)
    if (PixelAt(img, x, row) == color.Value) columns.push_back(x);
  return columns;
}

}  // namespace

TEST(JogMeter, LabelsAndTicksOfThe160PixelWindow) {
  TKvJogMeter j(nullptr);
  WhiteDrum(j);
  j.Value()->SetVisible(false);
  j.Scale()->SetSmallStep(0);
  // Row 10 lies below the minor tick length (8) and within the major one (15).
  const QImage img = Render(j);
  EXPECT_EQ(TickColumns(img, 10), (std::vector<int>{0, 27, 53, 80, 107, 133}));
  EXPECT_EQ(j.OffsetPixel(60), 160);
}

TEST(JogMeter, DemoWindowRoundsHalvesToEven) {
  TKvJogMeter j(nullptr);
  MakeDemo(j);
  j.Scale()->SetSmallStep(0);
  j.Value()->SetColor(clRed);
  const QImage img = Render(j);
  // 165 * 10 / 60 = 27.5 -> 28, 55, 82.5 -> 82, 110, 137.5 -> 138, 165.
  EXPECT_EQ(TickColumns(img, 10), (std::vector<int>{0, 28, 55, 110, 138}));
  // The marker line at 165 div 2 = 82 covers the tick there.
  EXPECT_EQ(PixelAt(img, 82, 10), clRed.Value);
  EXPECT_EQ(PixelAt(img, 82, 36), clRed.Value);
}

TEST(JogMeter, WindowStartTruncatesTowardsZero) {
  TKvJogMeter j(nullptr);
  WhiteDrum(j);
  j.Value()->SetVisible(false);
  j.Scale()->SetSmallStep(0);
  // S = -25: K = -2, the first tick (-20) lies 5 units (13 px) into the window.
  j.Value()->SetValue(5);
  EXPECT_EQ(TickColumns(Render(j), 10), (std::vector<int>{13, 40, 67, 93, 120, 147}));
  // S = 35: K = 3, ticks at 40, 50 ... from 5 units in.
  j.Value()->SetValue(65);
  EXPECT_EQ(TickColumns(Render(j), 10), (std::vector<int>{13, 40, 67, 93, 120, 147}));
  // A huge value slides the scale the same way: no int limit on the step count.
  j.Value()->SetValue(0);
  const std::vector<int> atZero = TickColumns(Render(j), 10);
  j.Value()->SetValue(1e10);
  EXPECT_EQ(TickColumns(Render(j), 10), atZero);
  // Without a window every tick is at position 0.
  j.Scale()->SetApperture(0);
  EXPECT_EQ(TickColumns(Render(j), 10), std::vector<int>{0});
}

TEST(JogMeter, ZeroAndTinyStepsPaint) {
  TKvJogMeter j(nullptr);
  MakeDemo(j);
  j.Value()->SetVisible(false);
  j.Scale()->SetStep(0);
  j.Scale()->SetSmallStep(0);
  const QImage none = Render(j);
  EXPECT_TRUE(TickColumns(none, 2).empty());
  // 6,000 minor ticks over 165 pixels: one line at every column, as each would draw.
  j.Scale()->SetSmallStep(0.01);
  EXPECT_EQ(TickColumns(Render(j), 2).size(), 165u);
  j.Scale()->SetSmallStep(1e-9);
  EXPECT_EQ(TickColumns(Render(j), 2).size(), 165u);
  // A negative window with a negative step.
  j.Scale()->SetApperture(-60);
  j.Scale()->SetStep(-1e-9);
  Render(j);
  j.Scale()->SetStep(std::numeric_limits<double>::quiet_NaN());
  j.Scale()->SetApperture(std::numeric_limits<double>::infinity());
  EXPECT_EQ(j.Scale()->Step(), -1e-9);
  EXPECT_EQ(j.Scale()->Apperture(), -60);
}

TEST(JogMeter, ExtremeLengthsPaint) {
  TKvJogMeter j(nullptr);
  j.Scale()->SetHeightMin(INT_MIN);
  j.Scale()->SetHeightMax(INT_MAX);
  for (const TkvIndicatorShape shape :
       {TkvIndicatorShape::voLine, TkvIndicatorShape::voBitmap, TkvIndicatorShape::voTriangle}) {
    j.Value()->SetShape(shape);
    for (const TKvPosition side : {TKvPosition::voAfter, TKvPosition::voBefore}) {
      j.Scale()->SetPosition(side);
      Render(j);
      j.SetDirection(j.Direction() == TKvDirection::voVertical ? TKvDirection::voHorizontal
                                                               : TKvDirection::voVertical);
      Render(j);
    }
  }
}

TEST(JogMeter, FormatTextIsCheckedWhenSet) {
  TKvJogMeter j(nullptr);
  EXPECT_THROW(j.Scale()->SetFormatText(QStringLiteral("%d")), EConvertError);
  EXPECT_THROW(j.Scale()->SetFormatText(QStringLiteral("%*s")), EConvertError);
  EXPECT_EQ(j.Scale()->FormatText(), QStringLiteral("%s"));
  j.Scale()->SetFormatText(QStringLiteral("%0:s/%0:s"));
  Render(j);
  TForm form(nullptr);
  try {
    kv::ReadComponent(&form, R"(object Panel: TForm
  object KvJogMeter: TKvJogMeter
    Scale.FormatText = '%d'
  end
end)",
                      QStringLiteral("jog.kvf"));
    ADD_FAILURE() << "no exception";
  } catch (const kv::Exception& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("jog.kvf")));
    EXPECT_TRUE(e.Message().contains(QStringLiteral("KvJogMeter.Scale.FormatText")))
        << e.Message().toStdString();
  }
}

TEST(JogMeter, ScaleValuesOfTheClassSurviveADescription) {
  TForm form(nullptr);
  auto* j = new TKvJogMeter(&form);
  j->SetName(QStringLiteral("J"));
  j->Scale()->SetPosition(TKvPosition::voAfter);
  j->Scale()->SetHeightMax(8);
  j->Scale()->SetHeightMin(5);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* c = dynamic_cast<TKvJogMeter*>(copy.FindComponent(QStringLiteral("J")));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Scale()->Position(), TKvPosition::voAfter);
  EXPECT_EQ(c->Scale()->HeightMax(), 8);
  EXPECT_EQ(c->Scale()->HeightMin(), 5);
  // A description without them reads the jog meter's own values.
  TForm bare(nullptr);
  kv::ReadComponent(&bare, "object Form: TForm\n  object J: TKvJogMeter\n  end\nend\n",
                    QStringLiteral("bare.kvf"));
  auto* b = dynamic_cast<TKvJogMeter*>(bare.FindComponent(QStringLiteral("J")));
  EXPECT_EQ(b->Scale()->Position(), TKvPosition::voBefore);
  EXPECT_EQ(b->Scale()->HeightMax(), 15);
  EXPECT_EQ(b->Scale()->Apperture(), 60);
}

TEST(JogMeter, AssigningTheMarkerIsOneChange) {
  TKvJogMeter j(nullptr);
  int changes = 0;
  QObject::connect(j.Value(), &TKvPersistent::OnChange, [&](TObject*) { ++changes; });
  KvJogMeter::TKvLiniarIndicator m;
  m.SetValue(12);
  m.SetColor(clLime);
  j.SetValue(&m);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(j.Value()->Value(), 12);
  // The jog meter's marker has its own default picture, the pin.
  TBitmap empty;
  j.Value()->SetBitmap(&empty);
  EXPECT_EQ(j.Value()->Bitmap()->Width(), 6);
  EXPECT_EQ(j.Value()->Bitmap()->Height(), 9);
}

TEST(JogMeter, ReferencePictures) {
  TKvJogMeter initial(nullptr);
  EXPECT_MATCHES_REFERENCE(Render(initial), "lib/jogmeter-initial");
  TKvJogMeter demo(nullptr);
  MakeDemo(demo);
  demo.Value()->SetValue(-37);
  EXPECT_MATCHES_REFERENCE(Render(demo), "lib/jogmeter-demo");

  TKvJogMeter vertical(nullptr);
  vertical.SetDirection(TKvDirection::voVertical);
  vertical.Scale()->SetPosition(TKvPosition::voAfter);
  vertical.SetShowCaption(true);
  vertical.SetCaption(QStringLiteral("Hz"));
  vertical.SetFromColor(clNavy);
  vertical.SetToColor(clAqua);
  vertical.Value()->SetValue(12.5);
  EXPECT_MATCHES_REFERENCE(Render(vertical), "lib/jogmeter-vertical-after");

  // Triangle and bitmap markers in the four placements.
  for (const TkvIndicatorShape shape :
       {TkvIndicatorShape::voTriangle, TkvIndicatorShape::voBitmap}) {
    for (const TKvDirection direction : {TKvDirection::voHorizontal, TKvDirection::voVertical}) {
      for (const TKvPosition side : {TKvPosition::voBefore, TKvPosition::voAfter}) {
        TKvJogMeter m(nullptr);
        m.SetBounds(0, 0, 80, 40);
        m.SetDirection(direction);
        m.Scale()->SetPosition(side);
        m.Scale()->SetVisible(false);
        m.Value()->SetShape(shape);
        m.Value()->SetColor(clYellow);
        m.SetFromColor(clGray);
        m.SetToColor(clSilver);
        const QString name =
            QStringLiteral("lib/jogmeter-%1-%2-%3")
                .arg(shape == TkvIndicatorShape::voTriangle ? "triangle" : "bitmap")
                .arg(direction == TKvDirection::voHorizontal ? "h" : "v")
                .arg(side == TKvPosition::voBefore ? "before" : "after");
        EXPECT_MATCHES_REFERENCE(Render(m), name);
      }
    }
  }
}

TEST(JogMeter, PixelsRoundHalvesToEvenAndStayFinite) {
  EXPECT_EQ(kv::PixelOf(2.5L), 2);
  EXPECT_EQ(kv::PixelOf(3.5L), 4);
  EXPECT_EQ(kv::PixelOf(-2.5L), -2);
  EXPECT_EQ(kv::PixelOf(-3.5L), -4);
  EXPECT_EQ(kv::PixelOf(-3.25L), -3);
  EXPECT_EQ(kv::PixelOf(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(kv::PixelOf(1e300L), int64_t(1) << 40);
  EXPECT_EQ(kv::PixelOf(-std::numeric_limits<long double>::infinity()), -(int64_t(1) << 40));
}

// The walk over the pixels of a window visits what the whole walk visits there, and costs what
// the window holds however far the steps reach (a step of 1e-300 over a range of 1e308 once
// took minutes).
TEST(JogMeter, PixelStepsWithinAWindowCostWhatTheWindowHolds) {
  struct Case {
    int64_t first, last;
    long double origin, step;
    int64_t low, high;
  };
  const Case cases[] = {
      {0, 100, 0, 3, 10, 50},       {0, 100, -20, 0.25L, 0, 7}, {0, 100, 500, -4, 0, 400},
      {0, 100, 0, 3, 400, 500},     {0, 100, 0, 3, -50, -1},    {5, 5, 0, 1, 0, 10},
      {0, 1000, 7, 0.001L, 0, 100}, {0, 100, 0, 3, 0, 300},
  };
  for (const Case& c : cases) {
    const auto at = [&](int64_t k) { return kv::PixelOf(c.origin + k * c.step); };
    std::vector<std::pair<int64_t, int64_t>> whole, window;
    kv::ForEachPixelStep(c.first, c.last, at, [&](int64_t k, int64_t p) {
      if (p >= c.low && p <= c.high) whole.emplace_back(k, p);
      return true;
    });
    kv::ForEachPixelStepWithin(c.first, c.last, c.low, c.high, at, [&](int64_t k, int64_t p) {
      window.emplace_back(k, p);
      return true;
    });
    EXPECT_EQ(window, whole) << c.origin << " + k * " << c.step;
  }
  int64_t visits = 0, calls = 0;
  kv::ForEachPixelStepWithin(
      1, int64_t(1) << 40, 0, 200,
      [&](int64_t k) {
        ++calls;
        return kv::PixelOf(-1e9L + k * 1.0L);
      },
      [&](int64_t, int64_t) { return ++visits, true; });
  EXPECT_EQ(visits, 201);
  EXPECT_LT(calls, 2000);
}
