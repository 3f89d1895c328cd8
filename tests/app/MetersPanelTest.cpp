#include "_frmMeters.h"

#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCursor>

#include <climits>

using kv::Bounds;

namespace {

// The panel with its timer stopped, so that nothing changes while it is looked at.
struct Panel {
  TfrmMeters form{nullptr};
  Panel() { form.KvTimer->SetEnabled(false); }
  void Tick() { form.KvTimerTimer(form.KvTimer); }
};

}  // namespace

TEST(MetersPanel, ComponentsSitWhereTheTableSays) {
  Panel p;
  TfrmMeters& f = p.form;
  EXPECT_EQ(f.KvJogMeter->BoundsRect(), Bounds(32, 44, 165, 37));
  EXPECT_EQ(f.KvThermoMeter->BoundsRect(), Bounds(208, 44, 93, 137));
  EXPECT_EQ(f.KvWheel->BoundsRect(), Bounds(324, 96, 85, 85));
  EXPECT_EQ(f.KvTank->BoundsRect(), Bounds(350, 210, 60, 101));
  EXPECT_EQ(f.KvMeter->BoundsRect(), Bounds(95, 205, 240, 105));
  EXPECT_EQ(f.KvLevelBar->BoundsRect(), Bounds(10, 115, 169, 20));
  EXPECT_EQ(f.KvCounter->BoundsRect(), Bounds(25, 175, 54, 13));
  EXPECT_EQ(f.KvGauge1->Left(), -60);
  EXPECT_TRUE(f.KvGauge1->Hint().isEmpty());
  const std::pair<TControl*, const char*> hinted[] = {
      {f.KvJogMeter, "TKvJogMeter"}, {f.KvThermoMeter, "TKvThermoMeter"},
      {f.KvWheel, "TKvWheel"},       {f.KvTank, "TKvTank"},
      {f.KvMeter, "TKvMeter"},       {f.KvLevelBar, "TKvLevelBar"},
      {f.KvCounter, "TKvCounter"}};
  for (const auto& [control, name] : hinted) {
    EXPECT_EQ(control->Hint(), QString::fromLatin1(name));
    EXPECT_FALSE(control->ParentShowHint());
    EXPECT_TRUE(control->ShowHint());
  }
  EXPECT_EQ(f.KvThermoMeter->SetPoint()->Value(), 33.333333333333);
  EXPECT_EQ(f.KvTimer->Interval(), 50u);
  EXPECT_FALSE(f.SweepUp());
}

TEST(MetersPanel, TimerSweepsTheJogMeterAndCountsTheCounter) {
  Panel p;
  TfrmMeters& f = p.form;
  double values[482] = {};
  for (int tick = 1; tick <= 481; ++tick) {
    p.Tick();
    values[tick] = f.KvJogMeter->Value()->Value();
  }
  EXPECT_EQ(values[160], -160);
  EXPECT_EQ(values[161], -159);
  EXPECT_EQ(values[480], 160);
  EXPECT_EQ(values[481], 159);
  EXPECT_EQ(f.KvCounter->Value(), 481);
  f.KvCounter->SetValue(999998);
  p.Tick();
  EXPECT_EQ(f.KvCounter->Value(), 0);
  // At the counter's maximum the next value is refused, and the counter stays.
  f.KvCounter->SetValue(INT_MAX);
  p.Tick();
  EXPECT_EQ(f.KvCounter->Value(), INT_MAX);
}

TEST(MetersPanel, TheWheelDrivesFourInstruments) {
  Panel p;
  TfrmMeters& f = p.form;
  const double jog = f.KvJogMeter->Value()->Value();
  const int counter = f.KvCounter->Value();
  f.KvWheel->SetPosition(120);
  EXPECT_EQ(f.KvThermoMeter->Value()->Value(), 120);
  EXPECT_EQ(f.KvTank->Position(), 120);
  EXPECT_EQ(f.KvTank->LevelY(), 30);
  EXPECT_EQ(f.KvMeter->Position(), 120);
  EXPECT_EQ(f.KvLevelBar->Position(), 120);
  EXPECT_EQ(f.KvThermoMeter->Height() - f.KvThermoMeter->ValuePixel(120), 49);
  EXPECT_EQ(f.KvJogMeter->Value()->Value(), jog);
  EXPECT_EQ(f.KvCounter->Value(), counter);
  const QImage shot = kvtest::RenderForm(&p.form);
  // 56 lit ticks: the 56th (x = 10 + 5 + 2 * 55) lit yellow, the 57th unlit.
  EXPECT_EQ(kvtest::PixelAt(shot, 15 + 2 * 55, 125), clYellow.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 15 + 2 * 56, 125), clOlive.Value);
}

TEST(MetersPanel, Picture) {
  QCursor::setPos(QPoint(-1000, -1000));
  kvtest::Pump();
  Panel p;
  p.form.KvJogMeter->Value()->SetValue(-37);
  p.form.KvCounter->SetValue(4711);
  p.form.KvWheel->SetPosition(120);
  const QImage shot = kvtest::RenderForm(&p.form);
  EXPECT_MATCHES_REFERENCE(shot, QStringLiteral("app/meters-panel"));
  // The counter's digits let the panel through where the strip has the button face.
  EXPECT_EQ(kvtest::PixelAt(shot, 25, 175), 7292981);
}
