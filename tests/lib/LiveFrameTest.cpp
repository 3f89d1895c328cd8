// The live frame: a value set on a shown control is painted straight into the window, over
// the background a transparent control captured, with static parts of the face replayed.
// Every such frame must show exactly what a full repaint or a fresh control shows.
#include "DemoSettings.h"
#include "Forms.h"
#include "KvBanner.h"
#include "KvBorder.h"
#include "KvButtons.h"
#include "KvCheckLed.h"
#include "KvDigit.h"
#include "KvCounter.h"
#include "KvGauge.h"
#include "KvGraphs.h"
#include "KvHyperCtrls.h"
#include "KvImageLed.h"
#include "KvJogMeter.h"
#include "KvLabel.h"
#include "KvLights.h"
#include "KvMeter.h"
#include "KvPieGraph.h"
#include "KvScanner.h"
#include "KvScope.h"
#include "KvProgressBar.h"
#include "KvLevelBar.h"
#include "KvSlider.h"
#include "KvSwitch.h"
#include "KvSysUtils.h"
#include "KvTank.h"
#include "KvThermoMeter.h"
#include "KvTrackBar.h"
#include "KvWheel.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "RenderQuality.h"
#include "References.h"
#include "kvLedClock.h"

#include <gtest/gtest.h>

#include <QPaintEvent>

#include <functional>
#include <memory>

namespace {

constexpr int32_t kPanelColor = 7292981;

template <class Control>
using Change = std::function<void(Control&)>;

// The demo's meter, transparent over the panel.
void DemoMeter(TKvMeter& m) { kvdemo::ApplyDemoSettings(m, "frmMeters", "KvMeter"); }

// The demo's clock, stopped at the time its description gives.
void DemoClock(TKvLedClock& c) {
  kvdemo::ApplyDemoSettings(c, "frmQelDemo", "KvLedClock1");
  c.SetActive(false);
  c.SetHours(20);
  c.SetMinutes(12);
  c.SetSeconds(55);
}

void DemoCheckLed(TKvCheckLed& led) { kvdemo::ApplyDemoSettings(led, "frmLeds", "KvCheckLed"); }

// The demo's gauge, part lit.
void DemoGauge(TKvGauge& g) {
  kvdemo::ApplyDemoSettings(g, "frmMeters", "KvGauge1");
  g.SetPosition(40);
}

// Paints a control made by Setup, applies each change to it and compares its picture with
// that of a control made fresh with the same settings: the static parts recorded before
// the change must not show afterwards.
template <class Control>
void ExpectChangesRedrawn(const Change<Control>& setup,
                          const std::vector<std::pair<const char*, Change<Control>>>& changes) {
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    Control painted(nullptr);
    setup(painted);
    kvtest::RenderControl(&painted, kPanelColor, 2);
    change(painted);
    Control fresh(nullptr);
    setup(fresh);
    change(fresh);
    EXPECT_SAME_PIXELS(kvtest::RenderControl(&painted, kPanelColor, 2),
                       kvtest::RenderControl(&fresh, kPanelColor, 2));
  }
}

// Paints a control made by Setup once, then shows each of Frames on it in turn: every
// picture must be that of a control made fresh and given the same frames unpainted (a peak
// marker remembers the values before).
template <class Control>
void ExpectFramesLikeFresh(const Change<Control>& setup,
                           const std::vector<Change<Control>>& frames) {
  Control live(nullptr);
  setup(live);
  kvtest::RenderControl(&live, kPanelColor, 2);
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    frames[i](live);
    Control fresh(nullptr);
    setup(fresh);
    for (size_t j = 0; j <= i; ++j) frames[j](fresh);
    ASSERT_SAME_PIXELS(kvtest::RenderControl(&live, kPanelColor, 2),
                       kvtest::RenderControl(&fresh, kPanelColor, 2));
  }
}

// Gives a control made by Setup, shown on a form of its own, each of Frames in turn, painted by
// the setters' own repaints and by the event loop for those that leave it theirs (a colour):
// after each, the form shows what a control made fresh and given the same frames shows. (A
// control that stays shown keeps its image from frame to frame.)
template <class Control>
void ExpectShownFramesLikeFresh(const Change<Control>& setup,
                                const std::vector<Change<Control>>& frames) {
  TForm form(nullptr);
  form.SetColor(TColor(kPanelColor));
  auto* live = new Control(&form);
  setup(*live);
  live->SetBounds(2, 2, live->Width(), live->Height());
  kvtest::ShowForm(&form, live->Width() + 4, live->Height() + 4);
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    frames[i](*live);
    Control fresh(nullptr);
    setup(fresh);
    for (size_t j = 0; j <= i; ++j) frames[j](fresh);
    kvtest::Pump();
    ASSERT_SAME_PIXELS(kvtest::Grab(&form), kvtest::RenderControl(&fresh, kPanelColor, 2));
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Static layers follow every property they depend on. The walk in ChangeAfterPaintTest changes
// each property alone, near its value; these are the changes it does not make: two settings
// at once, far values, and parts its starting controls do not show.

TEST(StaticLayer, GaugeRedrawsItsTicks) {
  ExpectChangesRedrawn<TKvGauge>(
      DemoGauge,
      {
          {"lit colour", [](TKvGauge& g) { g.Palette()->SetHigh(clRed); }},
          {"tick height", [](TKvGauge& g) { g.SetTickHeight(4); }},
          {"overlapping ticks",
           [](TKvGauge& g) {
             g.SetTickHeight(4);
             g.SetSpacing(-2);
           }},
      });
}

TEST(StaticLayer, ThermoMeterRedrawsLabelsAndCaption) {
  const auto demo = [](TkvThermoMeter& t) {
    t.SetBounds(0, 0, 93, 137);
    t.Scale()->SetMax(150);
    t.Scale()->SetMin(50);
    t.Scale()->SetOffset(20);
    t.Value()->SetValue(70);
  };
  ExpectChangesRedrawn<TkvThermoMeter>(
      demo,
      {
          {"font", [](TkvThermoMeter& t) { t.Font()->SetColor(clWhite); }},
          {"caption",
           [](TkvThermoMeter& t) {
             t.SetShowCaption(true);
             t.SetCaption(QStringLiteral("C"));
           }},
      });
}

TEST(StaticLayer, JogMeterRedrawsTicksAndCaption) {
  const auto demo = [](TKvJogMeter& j) {
    j.SetBounds(0, 0, 165, 37);
    j.SetFromColor(10446669);
    j.SetToColor(14267539);
    j.Value()->SetValue(-37);
  };
  ExpectChangesRedrawn<TKvJogMeter>(
      demo, {
                {"caption",
                 [](TKvJogMeter& j) {
                   j.SetShowCaption(true);
                   j.SetCaption(QStringLiteral("kHz"));
                 }},
                {"steps",
                 [](TKvJogMeter& j) {
                   j.Scale()->SetStep(7);
                   j.Scale()->SetSmallStep(0.5);
                 }},
                {"tick lengths",
                 [](TKvJogMeter& j) {
                   j.Scale()->SetHeightMax(20);
                   j.Scale()->SetHeightMin(3);
                 }},
            });
  // With the caption shown: each of what it is drawn with, alone.
  ExpectChangesRedrawn<TKvJogMeter>(
      [&](TKvJogMeter& j) {
        demo(j);
        j.SetShowCaption(true);
        j.SetCaption(QStringLiteral("kHz"));
      },
      {
          {"caption text", [](TKvJogMeter& j) { j.SetCaption(QStringLiteral("MHz")); }},
          {"font name", [](TKvJogMeter& j) { j.Font()->SetName(QStringLiteral("Courier New")); }},
          {"font style", [](TKvJogMeter& j) { j.Font()->SetStyle(TFontStyle::fsBold); }},
      });
}

TEST(StaticLayer, ClockRedrawsHugeSecondDots) {
  ExpectChangesRedrawn<TKvLedClock>(
      DemoClock, {
                     {"huge dots", [](TKvLedClock& c) { c.SetSecWidth(100); }},
                 });
}

// ---------------------------------------------------------------------------
// The live frame

namespace {

// A shown form with a transparent meter, an opaque gauge and a transparent clock on it.
struct Panel {
  Panel() {
    form->SetColor(TColor(kPanelColor));
    DemoMeter(*meter);
    meter->SetBounds(4, 4, 240, 105);
    DemoGauge(*gauge);
    gauge->SetBounds(250, 4, 31, 79);
    DemoClock(*clock);
    clock->SetBounds(4, 112, 241, 201);
    kvtest::ShowForm(form.get(), 290, 320);
  }
  void RepaintControls() {
    for (TControl* control : std::initializer_list<TControl*>{meter, gauge, clock})
      control->repaint();
  }
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TKvMeter* meter = new TKvMeter(form.get());
  TKvGauge* gauge = new TKvGauge(form.get());
  TKvLedClock* clock = new TKvLedClock(form.get());
};

// Records the regions a control is asked to paint.
struct PaintRegions : QObject {
  std::vector<QRegion> regions;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(e)->region());
    return false;
  }
};

// Sets each position on a shown control: each asks for one repaint at most (exactly one when
// OnePaint), and the window then shows what the control's own full repaint shows.
template <class Control, class Position>
void ExpectPositionsLikeRepaint(TForm& form, Control& control, PaintRegions& recorder,
                                std::initializer_list<Position> positions, bool onePaint) {
  for (const Position position : positions) {
    SCOPED_TRACE(position);
    recorder.regions.clear();
    control.SetPosition(position);
    if (onePaint) ASSERT_EQ(recorder.regions.size(), 1u);
    else ASSERT_LE(recorder.regions.size(), 1u);
    const QImage live = kvtest::Grab(&form);
    control.repaint();
    ASSERT_SAME_PIXELS(live, kvtest::Grab(&form));
  }
}

}  // namespace

TEST(LiveFrame, WritesWhatAFullRepaintWrites) {
  Panel panel;
  for (int frame = 0; frame < 12; ++frame) {
    SCOPED_TRACE(frame);
    panel.meter->SetPosition(60 + 7 * frame);
    panel.gauge->SetPosition(9 * frame);
    panel.clock->SetSeconds(5 * frame);
    // The setters painted before returning; nothing is pending. A repaint of each control
    // paints its whole face (the window's own repaint may leave children as they are).
    const QImage live = kvtest::Grab(panel.form.get());
    panel.RepaintControls();
    ASSERT_SAME_PIXELS(live, kvtest::Grab(panel.form.get()));
  }
}

TEST(LiveFrame, NeedleMoveRepaintsOnlyAroundTheOldAndNewNeedle) {
  Panel panel;
  panel.meter->SetNeedleWidth(7);
  kvtest::Pump();
  PaintRegions recorder;
  panel.meter->installEventFilter(&recorder);
  for (const int position : {50, 150, 63, 100, 101}) {
    SCOPED_TRACE(position);
    panel.meter->SetPosition(position);
    const QImage live = kvtest::Grab(panel.form.get());
    panel.meter->repaint();
    ASSERT_SAME_PIXELS(live, kvtest::Grab(panel.form.get()));
  }
  recorder.regions.clear();
  panel.meter->SetPosition(102);  // upright, one step on
  ASSERT_EQ(recorder.regions.size(), 1u);
  const QRect painted = recorder.regions[0].boundingRect();
  EXPECT_LT(painted.width(), panel.meter->width() / 4);
  EXPECT_EQ(painted.bottom(), panel.meter->height() - 1);  // the needle's foot is below
}

TEST(LiveFrame, ThermoMeterRepaintsOnlyWhereItsMarkersMove) {
  for (const TKvDirection direction : {TKvDirection::voVertical, TKvDirection::voHorizontal}) {
    SCOPED_TRACE(int(direction));
    TForm form(nullptr);
    form.SetColor(TColor(kPanelColor));
    auto* t = new TkvThermoMeter(&form);
    t->SetBounds(4, 4, 93, 137);
    t->SetDirection(direction);
    t->Scale()->SetMax(150);
    t->Scale()->SetMin(50);
    t->SetPoint()->SetValue(100);
    t->PeakMin()->SetShape(TkvIndicatorShape::voTriangle);
    t->PeakMax()->SetShape(TkvIndicatorShape::voLine);
    t->Value()->SetValue(70);
    kvtest::ShowForm(&form, 160, 160);
    const std::vector<std::function<void()>> frames = {
        [&] { t->Value()->SetValue(71); },
        [&] { t->Value()->SetValue(150); },
        [&] { t->Value()->SetValue(160); },  // beyond Max: the peak follows
        [&] { t->Value()->SetValue(40); },
        [&] { t->Value()->SetValue(99); },
        [&] { t->Value()->SetShape(TkvIndicatorShape::voTriangle); },
        [&] { t->PeakMax()->SetShape(TkvIndicatorShape::voBitmap); },
        [&] { t->SetPoint()->SetVisible(false); },
        [&] { t->PeakMin()->SetColor(clRed); },
        [&] { t->Value()->SetValue(130); },
        [&] { t->SetPoint()->SetVisible(true); },
    };
    for (size_t i = 0; i < frames.size(); ++i) {
      SCOPED_TRACE(i);
      frames[i]();
      const QImage live = kvtest::Grab(&form);
      form.repaint();
      ASSERT_SAME_PIXELS(live, kvtest::Grab(&form));
    }
    PaintRegions recorder;
    t->installEventFilter(&recorder);
    t->Value()->SetValue(131);
    ASSERT_EQ(recorder.regions.size(), 1u);
    const QRect painted = recorder.regions[0].boundingRect();
    const int along = direction == TKvDirection::voVertical ? painted.height() : painted.width();
    EXPECT_LT(along, 40);
  }
}

TEST(LiveFrame, TransparentControlShowsTheParentsNewPixels) {
  Panel panel;
  // Inside the meter, under its face: no tick, label, needle or caption there.
  const int x = 4 + 30, y = 4 + 80;
  ASSERT_EQ(kvtest::PixelAt(panel.form.get(), x, y), kPanelColor);
  panel.meter->SetPosition(100);
  EXPECT_EQ(kvtest::PixelAt(panel.form.get(), x, y), kPanelColor);

  // The parent repaints with a new colour: the control captures it afresh and keeps it for
  // the frames it paints itself.
  panel.form->SetColor(clTeal);
  kvtest::Pump();
  EXPECT_EQ(kvtest::PixelAt(panel.form.get(), x, y), clTeal.Value);
  panel.meter->SetPosition(120);
  EXPECT_EQ(kvtest::PixelAt(panel.form.get(), x, y), clTeal.Value);
  panel.clock->SetSeconds(30);
  EXPECT_EQ(kvtest::PixelAt(panel.form.get(), 4 + 5, 112 + 5), clTeal.Value);
  const QImage live = kvtest::Grab(panel.form.get());
  panel.RepaintControls();
  EXPECT_SAME_PIXELS(live, kvtest::Grab(panel.form.get()));
}

namespace {

class ScrollingBanner : public TKvBanner {
public:
  using TKvBanner::ScrollStep;
  using TKvBanner::TKvBanner;
};

// Shows a control made by Show on a form of its own and a twin on another, and gives both
// frames 0 ... Frames - 1 of Step: after each, the control's window must show what the twin
// shows, which takes each step while hidden and so paints whole (a repaint of the control
// itself would use what it keeps).
template <class Control>
void ExpectFramesLikeTwin(const std::function<Control*(TForm&)>& show, int frames,
                          const std::function<void(Control&, int frame)>& step) {
  TForm form(nullptr), twinForm(nullptr);
  Control* control = show(form);
  Control* twin = show(twinForm);
  for (int frame = 0; frame < frames && !testing::Test::HasFailure(); ++frame) {
    SCOPED_TRACE(frame);
    step(*control, frame);
    twin->SetVisible(false);
    step(*twin, frame);
    twin->SetVisible(true);
    kvtest::Pump();
    EXPECT_SAME_PIXELS(kvtest::Grab(&form), kvtest::Grab(&twinForm));
  }
}

}  // namespace

// A step across moves the face along its tape and draws only the columns it brings in: every
// frame, through the tape's ends, the picture's wrap and in every direction, equals the full
// repaint of a twin given the same steps (a repaint of the banner itself would start its tape
// anew).
TEST(LiveFrame, BannerStepsWriteWhatAFullRepaintWrites) {
  for (const TKvBannerDirection direction :
       {TKvBannerDirection::bdRightToLeft, TKvBannerDirection::bdLeftToRight,
        TKvBannerDirection::bdTopToBottom, TKvBannerDirection::bdBottomToTop}) {
    for (const int width : {9, 40}) {
      SCOPED_TRACE(testing::Message() << int(direction) << ", picture " << width);
      kvtest::Picture picture(width, 7, clBlack);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < width; ++x)
          picture.bitmap.ScanLine(y)[x] = (x * 7 + y * 3) % 5 < 2 ? 0xFFFF8040u : 0xFF200808u;
      const auto show = [&](TForm& form) {
        auto* banner = new ScrollingBanner(&form);
        banner->SetBounds(4, 4, 90, 30);
        banner->SetBitmap(&picture.bitmap);
        banner->Bevel()->SetOuterStyle(TKvBevelStyle::bsRaised);
        banner->Bevel()->SetOuterWidth(3);
        banner->SetDirection(direction);
        kvtest::ShowForm(&form, 100, 40);
        return banner;
      };
      ExpectFramesLikeTwin<ScrollingBanner>(show, 120, [](ScrollingBanner& b, int step) {
        if (step == 30) b.Bevel()->SetInnerWidth(1);
        b.ScrollStep();
      });
    }
  }
}

// A step repaints what lies inside the bevel, once; the window keeps the bevel.
TEST(LiveFrame, BannerStepRepaintsInsideItsBevel) {
  TForm form(nullptr);
  auto* banner = new ScrollingBanner(&form);
  banner->SetBounds(4, 4, 90, 30);
  kvtest::Picture picture(40, 7, clRed);
  banner->SetBitmap(&picture.bitmap);
  banner->Bevel()->SetOuterStyle(TKvBevelStyle::bsRaised);
  kvtest::ShowForm(&form, 100, 40);
  PaintRegions recorder;
  banner->installEventFilter(&recorder);
  TRect inside = banner->ClientRect();
  banner->Bevel()->GetVisibleArea(inside);
  ASSERT_GT(inside.Left, 0);
  banner->ScrollStep();
  ASSERT_EQ(recorder.regions.size(), 1u);
  EXPECT_EQ(recorder.regions[0].boundingRect(),
            QRect(inside.Left, inside.Top, inside.Width(), inside.Height()));
}

// A scrolling banner draws a new picture, an edit of its picture or a new pitch at its next
// step, which may be one pitch from the last: that step must not move the old face.
TEST(LiveFrame, BannerStepsAfterChangesThatWaitForTheStep) {
  const std::vector<std::pair<const char*, std::function<void(TKvBanner&)>>> changes = {
      {"pixel edited", [](TKvBanner& b) { b.Bitmap()->Canvas()->SetPixels(3, 2, clLime); }},
      {"new picture",
       [](TKvBanner& b) {
         kvtest::Picture other(40, 7, clBlue);
         b.SetBitmap(&other.bitmap);
       }},
      {"pixel size", [](TKvBanner& b) { b.SetPixelSize(3); }},
      {"spacing", [](TKvBanner& b) { b.SetSpacing(2); }},
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    TForm form(nullptr);
    auto* banner = new ScrollingBanner(&form);
    banner->SetBounds(4, 4, 90, 30);
    kvtest::Picture picture(40, 7, clRed);
    banner->SetBitmap(&picture.bitmap);
    banner->SetTimeInterval(-1);
    banner->SetAutoScroll(true);
    kvtest::ShowForm(&form, 100, 40);
    banner->ScrollStep();
    banner->ScrollStep();
    change(*banner);
    for (int step = 0; step < 3; ++step) {
      SCOPED_TRACE(step);
      banner->ScrollStep();
      const QImage live = kvtest::Grab(&form);
      banner->repaint();
      EXPECT_SAME_PIXELS(live, kvtest::Grab(&form));
    }
    banner->SetAutoScroll(false);
  }
}

// The scope panel's LED rows keep their unlit LEDs with the background: every input of an LED
// picture, the row's layout and the zones must draw them again.
TEST(StaticLayer, ScannerAndIndicatorRedrawTheirUnlitLeds) {
  const auto scanner = [](TKvScanner& s) {
    s.SetBounds(0, 0, 236, 26);
    s.SetTransparent(true);
    s.SetPosition(3);
  };
  ExpectChangesRedrawn<TKvScanner>(
      scanner, {
                   {"overlapping",
                    [](TKvScanner& s) {
                      s.SetSpacing(-9);
                      s.SetPosition(2);
                    }},
               });
  ExpectChangesRedrawn<TKvIndicator>(
      [](TKvIndicator& c) {
        c.SetBounds(0, 0, 221, 31);
        c.SetPosition(90);
      },
      {
          {"overlapping", [](TKvIndicator& c) { c.SetSpacing(-12); }},
      });
}

// The scope copies its cleared image and grid from a strip one grid wider and taller than itself.
TEST(StaticLayer, ScopeRedrawsItsGrid) {
  const auto demo = [](TKvScope& s) {
    s.SetBounds(0, 0, 251, 86);
    s.Channels()->Add()->SetStyle(TGraphStyle::gsBar);
    s.SetFrequency(3);
  };
  ExpectChangesRedrawn<TKvScope>(
      demo, {
                {"grid wider than the scope", [](TKvScope& s) { s.SetGridSize(300); }},
            });
}

namespace {

// The scope panel's animated controls on a shown form, each fed by hand.
class TickingScope : public TKvScope {
public:
  using TKvScope::Tick;
  using TKvScope::TKvScope;
};
class StepScanner : public TKvScanner {
public:
  using TKvScanner::Scan;
  using TKvScanner::TKvScanner;
};

}  // namespace

TEST(LiveFrame, ScopePanelFramesWriteWhatAFullRepaintWrites) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetColor(TColor(kPanelColor));
  auto* scanner = new StepScanner(form.get());
  scanner->SetBounds(4, 4, 236, 26);
  scanner->SetTransparent(true);
  auto* indicator = new TKvIndicator(form.get());
  indicator->SetBounds(4, 34, 221, 31);
  auto* overlapping = new TKvIndicator(form.get());
  overlapping->SetBounds(4, 68, 221, 31);
  overlapping->SetSpacing(-10);
  auto* scope = new TickingScope(form.get());
  scope->SetBounds(4, 102, 251, 86);
  scope->SetFrequency(3);
  for (TColor color : {clYellow, clRed}) {
    TKvChannel* channel = scope->Channels()->Add();
    channel->SetColor(color);
    channel->SetStyle(color == clRed ? TGraphStyle::gsBar : TGraphStyle::gsLine);
  }
  int sample = 0;
  QObject::connect(scope, &TKvScope::OnNeedData, [&](TObject*, int channel, int& value) {
    value = (sample++ * 37 + channel) % 101;
  });
  kvtest::ShowForm(form.get(), 270, 200);
  for (int frame = 0; frame < 40; ++frame) {
    SCOPED_TRACE(frame);
    scanner->Scan();
    indicator->SetPosition(frame * 13 % 101);
    overlapping->SetPosition(frame * 29 % 101);
    if (frame == 20) scope->SetDirection(TScrolldirection::sdLeftToRight);
    scope->Tick();
    const QImage live = kvtest::Grab(form.get());
    for (TControl* control :
         std::initializer_list<TControl*>{scanner, indicator, overlapping, scope})
      control->repaint();
    ASSERT_SAME_PIXELS(live, kvtest::Grab(form.get()));
  }
}

namespace {

// A scope on a shown form whose tick scrolls its last frame, fed a fixed sequence.
class ScrollingScope {
public:
  explicit ScrollingScope(const std::function<void(TKvScope&)>& setup) {
    form->SetColor(TColor(kPanelColor));
    scope->SetBounds(4, 4, 251, 86);
    scope->SetFrequency(3);
    QObject::connect(scope, &TKvScope::OnNeedData, [this](TObject*, int channel, int& value) {
      value = (sample++ * 37 + channel * 11) % 101;
    });
    setup(*scope);
    kvtest::ShowForm(form.get(), 262, 94);
  }
  // What the window shows after the ticks must be what a full repaint shows.
  QImage ExpectTicksLikeRepaint(int ticks) {
    for (int i = 0; i < ticks; ++i) scope->Tick();
    const QImage live = kvtest::Grab(form.get());
    // The scope's own repaint: the form's leaves the scope's pixels in the window as they are.
    scope->repaint();
    EXPECT_SAME_PIXELS(live, kvtest::Grab(form.get()));
    return live;
  }
  // A pixel written into the kept image only: it moves with a scrolled frame and is gone
  // after a whole one.
  void Mark(int x, int y) { scope->FrameCanvas()->SetPixels(x, y, kv::PixelToColor(kMark)); }
  int32_t At(int x, int y) { return kvtest::PixelAt(form.get(), 4 + x, 4 + y); }
  static bool Marked(const QImage& shot) {
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x)
        if ((shot.pixel(x, y) | 0xFF000000u) == kMark) return true;
    return false;
  }
  static constexpr uint32_t kMark = 0xFFFF00FFu;

  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  class Probe : public TickingScope {
  public:
    using TickingScope::TickingScope;
    using TickingScope::FrameCanvas;
  }* scope = new Probe(form.get());
  int sample = 0;
};

constexpr int32_t kMarked = 0xFF00FF;  // the mark as a TColor

void TwoTraces(TKvScope& s, TGraphStyle first, int width) {
  s.Channels()->Add()->SetStyle(first);
  TKvChannel* second = s.Channels()->Add();
  second->SetColor(clRed);
  second->SetStyle(TGraphStyle::gsBar);
  second->SetWidth(width);
}

}  // namespace

// Every scrolled frame equals a full repaint: both directions, both styles, thin and wide
// pens, histories that grow from nothing and ones whose oldest sample falls out in sight, and a
// scope wider than its form on both sides, whose columns come into sight as they scroll.
TEST(LiveFrame, ScopeScrolledFramesWriteWhatAFullRepaintWrites) {
  struct Case {
    const char* name;
    TScrolldirection direction;
    TGraphStyle style;
    int width, buffer, frequency;
    int left = 4, scopeWidth = 251;
  };
  for (const Case& c : {
           Case{"leftwards", TScrolldirection::sdRightToLeft, TGraphStyle::gsBar, 1, 999, 3},
           Case{"rightwards", TScrolldirection::sdLeftToRight, TGraphStyle::gsBar, 1, 999, 3},
           Case{"lines", TScrolldirection::sdRightToLeft, TGraphStyle::gsLine, 1, 999, 3},
           Case{"lines rightwards", TScrolldirection::sdLeftToRight, TGraphStyle::gsLine, 1, 999,
                5},
           Case{"wide pen", TScrolldirection::sdRightToLeft, TGraphStyle::gsLine, 4, 999, 3},
           Case{"wide pen rightwards", TScrolldirection::sdLeftToRight, TGraphStyle::gsBar, 3, 999,
                2},
           Case{"short history", TScrolldirection::sdRightToLeft, TGraphStyle::gsBar, 1, 25, 3},
           Case{"short history rightwards", TScrolldirection::sdLeftToRight, TGraphStyle::gsLine, 3,
                25, 4},
           Case{"step past the grid", TScrolldirection::sdRightToLeft, TGraphStyle::gsBar, 1, 999,
                20},
           Case{"wider than the form", TScrolldirection::sdRightToLeft, TGraphStyle::gsLine, 2,
                999, 3, -70, 420},
           Case{"wider than the form rightwards", TScrolldirection::sdLeftToRight,
                TGraphStyle::gsBar, 1, 999, 4, -70, 420},
       }) {
    SCOPED_TRACE(c.name);
    ScrollingScope s([&](TKvScope& scope) {
      TwoTraces(scope, c.style, c.width);
      scope.SetDirection(c.direction);
      scope.SetBufferSize(c.buffer);
      scope.SetFrequency(c.frequency);
      scope.SetBounds(c.left, 4, c.scopeWidth, 86);
    });
    for (int frame = 0; frame < 45 && !HasFailure(); ++frame) {
      SCOPED_TRACE(frame);
      s.ExpectTicksLikeRepaint(1);
    }
    // Frames built one on another.
    s.ExpectTicksLikeRepaint(30);
  }
}

TEST(LiveFrame, ScopeScrollsItsLastFrameOnATick) {
  ScrollingScope s([](TKvScope& scope) { TwoTraces(scope, TGraphStyle::gsLine, 1); });
  s.ExpectTicksLikeRepaint(5);
  s.Mark(120, 5);
  s.scope->Tick();
  EXPECT_EQ(s.At(117, 5), kMarked);
  s.scope->SetDirection(TScrolldirection::sdLeftToRight);
  s.ExpectTicksLikeRepaint(1);
  s.Mark(120, 5);
  s.scope->Tick();
  EXPECT_EQ(s.At(123, 5), kMarked);
}

// What the last frame cannot stand for is drawn whole: each change below comes without a
// repaint of its own, or leaves more than one tick before the next frame.
TEST(LiveFrame, ScopeDrawsAWholeFrameAfterAnyOtherChange) {
  const std::vector<std::pair<const char*, std::function<void(ScrollingScope&)>>> changes = {
      {"fewer samples kept", [](ScrollingScope& s) { s.scope->SetBufferSize(10); }},
      {"grid standing still", [](ScrollingScope& s) { s.scope->SetAnimateGrid(false); }},
      {"hidden and shown",
       [](ScrollingScope& s) {
         s.scope->SetVisible(false);
         s.scope->Tick();
         s.scope->SetVisible(true);
         kvtest::Pump();
       }},
      {"histories emptied",
       [](ScrollingScope& s) {
         QObject::connect(s.scope, &TKvScope::OnNeedData, [&s](TObject*, int channel, int&) {
           if (channel == 1) s.scope->Channels()->Items(0)->ClearData();
         });
       }},
      {"channel replaced",
       [](ScrollingScope& s) {
         s.scope->Channels()->Delete(1);
         s.scope->Channels()->Add()->SetStyle(TGraphStyle::gsBar);
       }},
      {"colour in the tick",
       [](ScrollingScope& s) {
         QObject::connect(s.scope, &TKvScope::OnNeedData, [&s](TObject*, int, int&) {
           s.scope->Channels()->Items(1)->SetColor(clAqua);
         });
       }},
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    ScrollingScope s([](TKvScope& scope) { TwoTraces(scope, TGraphStyle::gsBar, 1); });
    s.ExpectTicksLikeRepaint(30);
    s.Mark(120, 5);
    change(s);
    EXPECT_FALSE(ScrollingScope::Marked(s.ExpectTicksLikeRepaint(1)));
    s.ExpectTicksLikeRepaint(1);
  }
}

TEST(StaticLayer, DigitGroupRedrawsItsCells) {
  ExpectChangesRedrawn<TKvDigitGroup>(
      [](TKvDigitGroup& g) {
        g.SetValue(12.5);
        g.SetTransparent(true);
      },
      {
          // Every digit, with and without the point, after the cells of 12.5 were kept.
          {"all digits", [](TKvDigitGroup& g) { g.SetValue(9876.543210); }},
          {"narrow cells", [](TKvDigitGroup& g) { g.SetBounds(0, 0, 9, 35); }},
      });
}

TEST(StaticLayer, LabelRedrawsItsFace) {
  ExpectChangesRedrawn<TKvLabel>(
      [](TKvLabel& l) {
        l.SetCaption(QStringLiteral("Kelvara"));
        l.SetStyle(TKvLabelStyle::lsShadow);
      },
      {
          {"raised highlight",
           [](TKvLabel& l) {
             l.SetStyle(TKvLabelStyle::lsRaised);
             l.SetColorHighlight(clYellow);
           }},
          {"angle", [](TKvLabel& l) { l.SetAngle(90); }},
      });
}

TEST(StaticLayer, CheckLedRedrawsItsBox) {
  ExpectChangesRedrawn<TKvCheckLed>(
      DemoCheckLed,
      {
          {"lit colour",
           [](TKvCheckLed& l) {
             l.SetChecked(true);
             l.Palette()->SetHigh(clAqua);
           }},
      });
}

TEST(StaticLayer, LightsFollowTheirLamps) {
  ExpectChangesRedrawn<TKvLights>(
      [](TKvLights& l) {
        l.SetLedState(TKvLightsState::lsGreen);
        l.SetTransparent(true);
      },
      {
          {"all lit", [](TKvLights& l) { l.SetLedState(TKvLights::kAllLamps); }},
          {"cut off", [](TKvLights& l) { l.SetBounds(0, 0, 30, 12); }},
      });
}

TEST(StaticLayer, ImageLedFollowsItsPalette) {
  ExpectChangesRedrawn<TKvImageLed>(
      [](TKvImageLed& l) { l.SetActive(true); },
      {
          {"palette after symbols",
           [](TKvImageLed& l) {
             l.SetImageType(TKvImageType(3));
             l.SetImageType(TKvImageType(0));
             l.Palette()->SetHigh(clYellow);
             l.SetImageType(TKvImageType(3));
           }},
      });
}

TEST(StaticLayer, HyperLinkRedrawsAWrappedCaption) {
  ExpectChangesRedrawn<TKvHyperLink>(
      [](TKvHyperLink& l) {
        l.SetBounds(0, 0, 186, 25);
        l.SetCaption(QStringLiteral("Visit Brontel"));
      },
      {
          {"wrapped", [](TKvHyperLink& l) { l.SetBounds(0, 0, 60, 50); }},
      });
}

// A new position repaints only the blocks between the old and the new end: every such
// frame equals a full repaint, filling and emptying, in blocks and smooth, both ways round.
TEST(LiveFrame, ProgressBarPositionsWriteWhatAFullRepaintWrites) {
  for (const bool smooth : {false, true}) {
    for (const bool vertical : {false, true}) {
      SCOPED_TRACE(testing::Message() << "smooth " << smooth << ", vertical " << vertical);
      auto form = std::make_unique<TForm>(nullptr);
      auto* bar = new TKvProgressBar(form.get());
      bar->SetBounds(4, 4, 200, 16);
      bar->SetSmooth(smooth);
      if (vertical) bar->SetOrientation(TKvOrientation::voVertical);
      bar->Bevel()->SetOuterWidth(2);
      kvtest::ShowForm(form.get(), 210, 210);
      for (const int position : {50, 45, 51, 0, 100, 99, 3, 64, 63, 100, 1}) {
        SCOPED_TRACE(position);
        bar->SetPosition(position);
        const QImage live = kvtest::Grab(form.get());
        bar->repaint();
        ASSERT_SAME_PIXELS(live, kvtest::Grab(form.get()));
      }
    }
  }
}

TEST(LiveFrame, LevelBarPositionsWriteWhatAFullRepaintWrites) {
  for (const bool vertical : {false, true}) {
    for (const bool fromTop : {false, true}) {
      SCOPED_TRACE(testing::Message() << "vertical " << vertical << ", top/right " << fromTop);
      auto form = std::make_unique<TForm>(nullptr);
      auto* bar = new TKvLevelBar(form.get());
      if (!vertical) bar->SetOrientation(TKvOrientation::voHorizontal);
      bar->SetBounds(4, 4, vertical ? 20 : 169, vertical ? 169 : 20);
      if (fromTop) bar->SetStyle(TKvProgressStyle::psTopRight);
      bar->SetTickHeight(2);
      bar->SetMaxValue(150);
      bar->SetMinValue(50);
      kvtest::ShowForm(form.get(), 180, 180);
      PaintRegions recorder;
      bar->installEventFilter(&recorder);
      ExpectPositionsLikeRepaint(*form, *bar, recorder,
                                 {70, 71, 150, 149, 50, 51, 100, 60, 140, 50}, true);
      if (testing::Test::HasFatalFailure()) return;
      // One step on repaints a tick or two, not the bar.
      recorder.regions.clear();
      bar->SetPosition(51);
      ASSERT_EQ(recorder.regions.size(), 1u);
      const QRect painted = recorder.regions[0].boundingRect();
      EXPECT_LE(vertical ? painted.height() : painted.width(), 6);
    }
  }
}

TEST(LiveFrame, TankLevelsWriteWhatAFullRepaintWrites) {
  for (const TTankShape shape : {TTankShape::tsRectangle, TTankShape::tsRoundedRectangle,
                                 TTankShape::tsEllipse, TTankShape::tsTriangle}) {
    for (const bool pipe : {true, false}) {
      for (const bool transparent : {false, true}) {
        SCOPED_TRACE(testing::Message() << "shape " << int(shape) << ", pipe " << pipe
                                        << ", transparent " << transparent);
        auto form = std::make_unique<TForm>(nullptr);
        form->SetColor(clTeal);
        auto* tank = new TKvTank(form.get());
        tank->SetBounds(4, 4, 60, 101);
        tank->SetShape(shape);
        tank->Container()->SetVisible(pipe);
        tank->SetTransparent(transparent);
        tank->SetMax(150);
        tank->SetMin(50);
        tank->SetPosition(70);
        kvtest::ShowForm(form.get(), 80, 120);
        PaintRegions recorder;
        tank->installEventFilter(&recorder);
        // Up and down, to the ends, past them (clamped) and back, and one that moves no row.
        ExpectPositionsLikeRepaint(*form, *tank, recorder,
                                   {71.0, 150.0, 149.0, 50.0, 51.0, 20.0, 200.0, 99.0, 99.2},
                                   false);
        if (testing::Test::HasFatalFailure()) return;
        // One step repaints the row or two the surface crossed, not the tank.
        recorder.regions.clear();
        tank->SetPosition(100);
        ASSERT_EQ(recorder.regions.size(), 1u);
        EXPECT_LE(recorder.regions[0].boundingRect().height(), 2);
      }
    }
  }
}

TEST(LiveFrame, WheelTurnsWriteWhatAFullRepaintWrites) {
  for (const bool transparent : {true, false}) {
    SCOPED_TRACE(testing::Message() << "transparent " << transparent);
    auto form = std::make_unique<TForm>(nullptr);
    form->SetColor(clTeal);
    auto* wheel = new TKvWheel(form.get());
    wheel->SetLeft(4);
    wheel->SetTop(4);
    wheel->SetTransparent(transparent);
    wheel->SetBaseAngle(30);
    wheel->SetMaxValue(150);
    wheel->SetMinValue(50);
    wheel->SetPosition(70);
    kvtest::ShowForm(form.get(), 100, 100);
    PaintRegions recorder;
    wheel->installEventFilter(&recorder);
    // Small and large turns both ways, to the ends and past them (clamped).
    ExpectPositionsLikeRepaint(*form, *wheel, recorder, {71, 150, 149, 50, 51, 100, 20, 200, 60},
                               false);
    if (testing::Test::HasFatalFailure()) return;
    // One step repaints about the handle, not the knob.
    recorder.regions.clear();
    wheel->SetPosition(61);
    ASSERT_EQ(recorder.regions.size(), 1u);
    const QRect painted = recorder.regions[0].boundingRect();
    EXPECT_LT(painted.width() * painted.height(), wheel->Width() * wheel->Height() / 4);
  }
}

TEST(StaticLayer, DemoButtonRedrawsItsDisabledCaption) {
  ExpectChangesRedrawn<TKvDemoButton>(
      [](TKvDemoButton& b) {
        b.SetCaption(QStringLiteral("Close"));
        b.Font3D()->SetStyle(TKvFont3DStyle::f3dShadow);
      },
      {
          {"disabled colour",
           [](TKvDemoButton& b) {
             b.SetEnabled(false);
             b.SetDisabledTextColor(clYellow);
           }},
      });
}

// ---------------------------------------------------------------------------
// The switches panel's and the meters panel's controls: a kept face under a moving value

TEST(FaceBase, ThumbControlsRedrawWhatLiesUnderTheThumb) {
  ExpectChangesRedrawn<TKvTrackBar>(
      [](TKvTrackBar& t) { t.SetPosition(30); },
      {
          {"tick colour", [](TKvTrackBar& t) { t.SetTickColor(clRed); }},
          {"frequency", [](TKvTrackBar& t) { t.SetFrequency(25); }},
          {"range", [](TKvTrackBar& t) { t.SetMaxValue(50); }},
          {"gutter", [](TKvTrackBar& t) { t.SetGutterColor(clLime); }},
          {"gutter bevel", [](TKvTrackBar& t) { t.GutterBevel()->SetOuterWidth(3); }},
          {"scale offset", [](TKvTrackBar& t) { t.SetScaleOffset(6); }},
          {"ticks above", [](TKvTrackBar& t) { t.SetTickMarks(TKvTickMarks::tmTopLeft); }},
          {"from the right", [](TKvTrackBar& t) { t.SetStyle(TKvProgressStyle::psTopRight); }},
          {"colour", [](TKvTrackBar& t) { t.SetColor(clNavy); }},
          {"vertical", [](TKvTrackBar& t) { t.SetOrientation(TKvOrientation::voVertical); }},
      });
  ExpectChangesRedrawn<TKvSlider>(
      [](TKvSlider& s) { s.SetPosition(40); },
      {
          {"lit colour", [](TKvSlider& s) { s.Palette()->SetHigh(clRed); }},
          {"unlit colour", [](TKvSlider& s) { s.Palette()->SetLow(clNavy); }},
          {"hatched", [](TKvSlider& s) { s.SetSolidFill(false); }},
          {"border", [](TKvSlider& s) { s.SetBorderColor(clYellow); }},
          {"bevel", [](TKvSlider& s) { s.Bevel()->SetInnerWidth(4); }},
          {"size", [](TKvSlider& s) { s.SetBounds(0, 0, 40, 120); }},
      });
  ExpectChangesRedrawn<TKvSwitch>(
      [](TKvSwitch& s) { s.SetOffset(1); },
      {
          {"border", [](TKvSwitch& s) { s.SetBorderColor(clYellow); }},
          {"border width", [](TKvSwitch& s) { s.SetBorderWidth(3); }},
          {"bevel", [](TKvSwitch& s) { s.Bevel()->SetInnerColor(clRed); }},
          {"colour", [](TKvSwitch& s) { s.SetColor(clMaroon); }},
      });
}

TEST(FaceBase, ThumbControlsShowEachPositionAsAFreshControl) {
  std::vector<Change<TKvTrackBar>> track;
  for (int v : {25, 26, 0, 100, 73}) track.push_back([v](TKvTrackBar& t) { t.SetPosition(v); });
  ExpectFramesLikeFresh<TKvTrackBar>([](TKvTrackBar&) {}, track);
  std::vector<Change<TKvSlider>> slider;
  for (int v : {20, 21, 100, 0, 64}) slider.push_back([v](TKvSlider& s) { s.SetPosition(v); });
  ExpectFramesLikeFresh<TKvSlider>(
      [](TKvSlider& s) {
        s.SetOrientation(TKvOrientation::voHorizontal);
        s.SetStyle(TKvSliderStyle::ssTopRight);
      },
      slider);
  std::vector<Change<TKvSwitch>> stops;
  for (int v : {1, 0, 3, 2}) stops.push_back([v](TKvSwitch& s) { s.SetOffset(v); });
  ExpectFramesLikeFresh<TKvSwitch>([](TKvSwitch&) {}, stops);
}

TEST(FaceBase, PowerButtonKeepsBothLedStates) {
  const auto demo = [](TKvPowerButton& b) { b.SetCaption(QStringLiteral("TKvPowerButton")); };
  ExpectFramesLikeFresh<TKvPowerButton>(demo, {[](TKvPowerButton& b) { b.SetActive(true); },
                                               [](TKvPowerButton& b) { b.SetActive(false); },
                                               [](TKvPowerButton& b) { b.SetActive(true); }});
  ExpectChangesRedrawn<TKvPowerButton>(
      demo, {
                {"caption", [](TKvPowerButton& b) { b.SetCaption(QStringLiteral("Power")); }},
                {"font colour", [](TKvPowerButton& b) { b.Font()->SetColor(clRed); }},
                {"disabled", [](TKvPowerButton& b) { b.SetEnabled(false); }},
                {"lit colour",
                 [](TKvPowerButton& b) {
                   b.SetActive(true);
                   b.Palette()->SetHigh(clYellow);
                 }},
                {"outline", [](TKvPowerButton& b) { b.SetOutlineColor(clBlue); }},
                {"led size", [](TKvPowerButton& b) { b.SetLedWidth(20); }},
            });
}

TEST(FaceBase, CounterDrawsTheDigitsThatChanged) {
  std::vector<Change<TKvCounter>> values;
  for (int v : {4711, 4712, 4799, 5000, 1234567, 12, 999999})
    values.push_back([v](TKvCounter& c) { c.SetValue(v); });
  ExpectFramesLikeFresh<TKvCounter>([](TKvCounter& c) { c.SetAutoSize(true); }, values);
  ExpectChangesRedrawn<TKvCounter>(
      [](TKvCounter& c) { c.SetValue(4711); },
      {
          {"colour", [](TKvCounter& c) { c.SetColor(clRed); }},
          {"digits", [](TKvCounter& c) { c.SetDigits(8); }},
          {"spacing", [](TKvCounter& c) { c.SetSpacing(3); }},
          {"overlapping cells", [](TKvCounter& c) { c.SetSpacing(-4); }},
          {"strip",
           [](TKvCounter& c) {
             kvtest::Picture strip(40, 9, clYellow);
             c.SetBitmap(&strip.bitmap);
           }},
      });
}

// A whole frame of the clock puts its face back only under the last frame's second dots while
// nothing else changed its image: fewer dots, dots after a partial frame, dots drawn rather
// than stamped, and a drawing on the image through its canvas between frames leave no trace.
TEST(FaceBase, ClockPutsItsFaceBackUnderTheLastSecondDots) {
  const auto indicator = [](bool on) {
    return [on](TKvLedClock& c) { c.SetSecondsIndicator(on); };
  };
  const auto dots = [](int radius) { return [radius](TKvLedClock& c) { c.SetSecWidth(radius); }; };
  const Change<TKvLedClock> seconds5 = [](TKvLedClock& c) { c.SetSeconds(5); };
  const Change<TKvLedClock> repaint = [](TKvLedClock& c) { c.SetHours(c.Hours()); };
  const Change<TKvLedClock> scribble = [](TKvLedClock& c) {
    c.BitmapCanvas()->Brush()->SetColor(clYellow);
    c.BitmapCanvas()->FillRect(kv::Rect(0, 0, 241, 201));
  };
  ExpectShownFramesLikeFresh<TKvLedClock>(
      DemoClock, {indicator(false), indicator(true), repaint, seconds5, repaint, indicator(false),
                  dots(1), scribble, repaint, indicator(true), dots(70), repaint, dots(2)});
}

TEST(FaceBase, CounterRedrawsAStripDrawnOnThroughItsCanvas) {
  // Drawing on a bitmap again leaves its image's cache key alone; its change stamp moves.
  const auto drawOnStrip = [](TKvCounter& c, TColor color) {
    TCanvas* canvas = c.Bitmap()->Canvas();
    canvas->Brush()->SetColor(color);
    canvas->FillRect(kv::Rect(0, 0, 40, 4));
  };
  ExpectChangesRedrawn<TKvCounter>(
      [&](TKvCounter& c) {
        c.SetValue(4711);
        drawOnStrip(c, clBlue);
      },
      {{"drawn on", [&](TKvCounter& c) { drawOnStrip(c, clRed); }}});
}

TEST(FaceBase, LevelBarLightsItsTicksFromTheKeptFaces) {
  const auto demo = [](TKvLevelBar& b) {
    b.SetOrientation(TKvOrientation::voHorizontal);
    b.SetBounds(0, 0, 169, 20);
  };
  std::vector<Change<TKvLevelBar>> levels;
  for (int v : {40, 41, 100, 0, 77}) levels.push_back([v](TKvLevelBar& b) { b.SetPosition(v); });
  ExpectFramesLikeFresh<TKvLevelBar>(demo, levels);
  ExpectFramesLikeFresh<TKvLevelBar>(
      [&](TKvLevelBar& b) {
        demo(b);
        b.SetStyle(TKvProgressStyle::psTopRight);
        b.SetTickHeight(3);
      },
      levels);
  ExpectChangesRedrawn<TKvLevelBar>(
      [](TKvLevelBar& b) { b.SetPosition(70); },
      {
          {"lit colour", [](TKvLevelBar& b) { b.Palette1()->SetHigh(clWhite); }},
          {"top zone", [](TKvLevelBar& b) { b.Palette3()->SetHigh(clFuchsia); }},
          {"zones", [](TKvLevelBar& b) { b.SetPercent1(30); }},
          {"tick height", [](TKvLevelBar& b) { b.SetTickHeight(4); }},
          {"overlapping ticks",
           [](TKvLevelBar& b) {
             b.SetTickHeight(4);
             b.SetSpacing(-2);
           }},
          {"background", [](TKvLevelBar& b) { b.SetColor(clNavy); }},
          {"bevel", [](TKvLevelBar& b) { b.Bevel()->SetInnerColor(clRed); }},
      });
}

TEST(FaceBase, MetersShowEachValueAsAFreshControl) {
  std::vector<Change<TKvTank>> tank;
  for (double v : {70.0, 71.0, 150.0, 50.0, 20.0, 99.0})
    tank.push_back([v](TKvTank& t) { t.SetPosition(v); });
  for (TTankShape shape : {TTankShape::tsRectangle, TTankShape::tsEllipse, TTankShape::tsTriangle})
    ExpectFramesLikeFresh<TKvTank>(
        [shape](TKvTank& t) {
          t.SetMax(150);
          t.SetMin(50);
          t.SetShape(shape);
        },
        tank);
  std::vector<Change<TKvJogMeter>> jog;
  for (double v : {-37.0, -36.0, -36.5, 0.0, 0.25, 160.0, 1e10, 12.5, -37.0})
    jog.push_back([v](TKvJogMeter& j) { j.Value()->SetValue(v); });
  ExpectFramesLikeFresh<TKvJogMeter>([](TKvJogMeter& j) { j.SetBounds(0, 0, 165, 37); }, jog);
  // Minor ticks longer than the major ones reach the labels: drawn over them every frame.
  ExpectFramesLikeFresh<TKvJogMeter>(
      [](TKvJogMeter& j) {
        j.SetBounds(0, 0, 165, 37);
        j.Scale()->SetHeightMin(20);
        j.Scale()->SetHeightMax(10);
      },
      jog);
  std::vector<Change<TkvThermoMeter>> thermo;
  for (double v : {70.0, 71.0, 150.0, 50.0})
    thermo.push_back([v](TkvThermoMeter& t) { t.Value()->SetValue(v); });
  ExpectFramesLikeFresh<TkvThermoMeter>(
      [](TkvThermoMeter& t) {
        t.SetBounds(0, 0, 93, 137);
        t.Scale()->SetMax(150);
        t.Scale()->SetMin(50);
      },
      thermo);
  std::vector<Change<TKvWheel>> wheel;
  for (int v : {70, 71, 150, 50}) wheel.push_back([v](TKvWheel& w) { w.SetPosition(v); });
  ExpectFramesLikeFresh<TKvWheel>(
      [](TKvWheel& w) {
        w.SetMaxValue(150);
        w.SetMinValue(50);
      },
      wheel);
}

TEST(FaceBase, PieGraphShowsEachValueAsAFreshControl) {
  const auto demo = [](TKvPieGraph& p) { p.SetTransparent(true); };
  std::vector<Change<TKvPieGraph>> values;
  for (int v : {80, 81, 25, 50, 51, 75, 100, 1, 97, 62})
    values.push_back([v](TKvPieGraph& p) { p.SetValue(v); });
  ExpectFramesLikeFresh<TKvPieGraph>(demo, values);
  ExpectChangesRedrawn<TKvPieGraph>(
      demo, {
                {"outline", [](TKvPieGraph& p) { p.SetOutlineColor(clWhite); }},
                {"used", [](TKvPieGraph& p) { p.SetUsedColor(clGreen); }},
                {"free", [](TKvPieGraph& p) { p.SetFreeColor(clYellow); }},
                {"free shadow", [](TKvPieGraph& p) { p.SetFreeShadowColor(clRed); }},
                {"full pie",
                 [](TKvPieGraph& p) {
                   p.SetValue(100);
                   p.SetUsedShadowColor(clYellow);
                 }},
                {"depth", [](TKvPieGraph& p) { p.SetDepth(25); }},
                {"size", [](TKvPieGraph& p) { p.SetBounds(0, 0, 90, 120); }},
                {"opaque",
                 [](TKvPieGraph& p) {
                   p.SetTransparent(false);
                   p.SetColor(clAqua);
                 }},
            });
}

// Smooth, the frames of a moving value are copied from the faces kept for each angle: after
// any change of the looks or of what lies under them, they are those of a fresh pie.
TEST(FaceBase, SmoothPieGraphFramesFollowEveryChangeOfItsLooks) {
  const kv::RenderQuality was = kv::GetRenderQuality();
  kv::SetRenderQuality(kv::RenderQuality::Smooth);
  const std::vector<Change<TKvPieGraph>> looks = {
      [](TKvPieGraph&) {},
      [](TKvPieGraph& p) { p.SetUsedColor(clGreen); },
      [](TKvPieGraph& p) { p.SetFreeShadowColor(clRed); },
      [](TKvPieGraph& p) { p.SetOutlineColor(clWhite); },
      [](TKvPieGraph& p) { p.SetValue(100); },  // the side takes the used shadow
      [](TKvPieGraph& p) { p.SetValue(1); },    // and the free one again
      [](TKvPieGraph& p) { p.SetDepth(14); },
      [](TKvPieGraph& p) {
        p.SetTransparent(false);
        p.SetColor(clAqua);
      },
      [](TKvPieGraph& p) { p.SetColor(clYellow); },
  };
  std::vector<Change<TKvPieGraph>> frames;
  for (const Change<TKvPieGraph>& change : looks) {
    frames.push_back(change);
    for (int v : {30, 33, 62, 80, 41})
      frames.push_back([v](TKvPieGraph& p) { p.SetValue(v); });
  }
  ExpectShownFramesLikeFresh<TKvPieGraph>([](TKvPieGraph& p) { p.SetTransparent(true); },
                                          frames);
  kv::SetRenderQuality(was);
}

// A boundary that moves repaints only the sector it swept; every frame shows what a full
// repaint shows.
TEST(LiveFrame, PercentPieRepaintsTheSweptSectorOnly) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetColor(TColor(kPanelColor));
  auto* pie = new TKvPercentPie(form.get());
  pie->SetBounds(6, 5, 97, 97);
  pie->SetTransparent(true);
  for (auto [colour, value] :
       {std::pair{clMoneyGreen, 20.0}, std::pair{clSkyBlue, 30.0}, std::pair{clRed, 10.0}}) {
    TKvPercentGraphItem* item = pie->Segments()->Add();
    item->SetColor(colour);
    item->SetValue(value);
  }
  pie->Segments()->Items(2)->SetPattern(TKvBrushPattern::bpDiagCross);
  kvtest::ShowForm(form.get(), 110, 110);
  struct PaintRegions : QObject {
    std::vector<QRegion> regions;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(e)->region());
      return false;
    }
  } recorder;
  pie->installEventFilter(&recorder);
  const std::pair<int, double> frames[] = {{1, 31}, {1, 30}, {0, 70},   {2, 0.2},
                                           {2, 55}, {0, 1},  {1, 0},    {1, 45},
                                           {0, 20}, {2, 10}, {0, 20.4}, {1, 29.6}};
  for (const auto& [index, value] : frames) {
    SCOPED_TRACE(value);
    pie->Segments()->Items(index)->SetValue(value);
    const QImage live = kvtest::Grab(form.get());
    pie->repaint();
    ASSERT_SAME_PIXELS(live, kvtest::Grab(form.get()));
  }
  pie->Segments()->Items(0)->SetColor(clYellow);
  const QImage live = kvtest::Grab(form.get());
  pie->repaint();
  ASSERT_SAME_PIXELS(live, kvtest::Grab(form.get()));
  // The demo's step: the first boundary moves from 40 to 39 percent.
  pie->Segments()->Items(0)->SetValue(20);
  pie->Segments()->Items(1)->SetValue(30);
  pie->Segments()->Items(2)->SetValue(0);
  recorder.regions.clear();
  pie->Segments()->Items(1)->SetValue(31);
  ASSERT_EQ(recorder.regions.size(), 1u);
  EXPECT_LT(recorder.regions[0].boundingRect().width(), pie->Width() / 2);
  EXPECT_LT(recorder.regions[0].boundingRect().height(), pie->Height() / 2 + 4);
}

namespace {

// Shows a control made by Setup at (4, 4) on a form of the panel's colour, shows Frames on it,
// then for each change applies it and shows Frames again: after every frame the window must
// show what the control's own full repaint shows, and at the end what a control made fresh
// with the same settings and the last frame shows.
template <class Control>
void ExpectFramesAroundChanges(
    const Change<Control>& setup, const std::vector<Change<Control>>& frames,
    const std::vector<std::pair<const char*, Change<Control>>>& changes) {
  const auto show = [&](TForm& form, Control*& control) {
    form.SetColor(TColor(kPanelColor));
    control = new Control(&form);
    setup(*control);
    kvtest::ShowForm(&form, control->Left() + control->Width() + 4,
                     control->Top() + control->Height() + 4);
  };
  const auto expectFramesLikeRepaint = [&](TForm& form, Control& control) {
    for (size_t i = 0; i < frames.size() && !testing::Test::HasFailure(); ++i) {
      SCOPED_TRACE(i);
      frames[i](control);
      const QImage live = kvtest::Grab(&form);
      control.repaint();
      EXPECT_SAME_PIXELS(live, kvtest::Grab(&form));
    }
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    TForm form(nullptr);
    Control* live = nullptr;
    show(form, live);
    expectFramesLikeRepaint(form, *live);
    change(*live);
    expectFramesLikeRepaint(form, *live);
    TForm freshForm(nullptr);
    Control* fresh = nullptr;
    show(freshForm, fresh);
    change(*fresh);
    frames.back()(*fresh);
    kvtest::Pump();
    EXPECT_SAME_PIXELS(kvtest::Grab(&form), kvtest::Grab(&freshForm));
  }
}

}  // namespace

// A position change repaints only the LEDs from the old to the new last lit one.
TEST(LiveFrame, IndicatorRepaintsOnlyTheLedsThatChange) {
  TForm form(nullptr);
  form.SetColor(TColor(kPanelColor));
  auto* indicator = new TKvIndicator(&form);
  // Ten LEDs 20 wide, 2 apart, from x = 1.
  indicator->SetBounds(4, 4, 221, 31);
  indicator->SetLeds(10);
  indicator->SetPosition(50);
  kvtest::ShowForm(&form, 240, 40);
  PaintRegions recorder;
  indicator->installEventFilter(&recorder);
  // The LEDs from the first to the last whose light changes, as columns.
  const auto leds = [](int from, int to) {
    const int a = std::min(PercentToValue(from, 10), PercentToValue(to, 10));
    const int b = std::max(PercentToValue(from, 10), PercentToValue(to, 10));
    return QRect(a * 22 + 1, 0, (b - a) * 22 - 2, 31);
  };
  indicator->SetPosition(80);
  ASSERT_EQ(recorder.regions.size(), 1u);
  EXPECT_EQ(recorder.regions[0].boundingRect(), leds(50, 80));
  indicator->SetPosition(20);
  ASSERT_EQ(recorder.regions.size(), 2u);
  EXPECT_EQ(recorder.regions[1].boundingRect(), leds(80, 20));
  // The same LEDs lit: the window already shows it.
  indicator->SetPosition(PercentToValue(20, 10) == PercentToValue(21, 10) ? 21 : 20);
  EXPECT_EQ(recorder.regions.size(), 2u);
}

TEST(LiveFrame, IndicatorFramesAroundOtherChanges) {
  std::vector<Change<TKvIndicator>> frames;
  for (const int position : {90, 0, 100, 45, 46, 13, 77, 100, 3})
    frames.push_back([position](TKvIndicator& c) { c.SetPosition(position); });
  ExpectFramesAroundChanges<TKvIndicator>(
      [](TKvIndicator& c) { c.SetBounds(4, 4, 221, 31); }, frames,
      {
          {"zones", [](TKvIndicator& c) { c.SetPercent1(20); }},
          {"zone style", [](TKvIndicator& c) { c.LedStyle3()->SetPaletteHigh1(clAqua); }},
          {"leds", [](TKvIndicator& c) { c.SetLeds(12); }},
          {"spacing", [](TKvIndicator& c) { c.SetSpacing(7); }},
          {"overlapping", [](TKvIndicator& c) { c.SetSpacing(-9); }},
          {"range", [](TKvIndicator& c) { c.SetMaxValue(200); }},
          {"background", [](TKvIndicator& c) { c.SetColor(clNavy); }},
          {"transparent", [](TKvIndicator& c) { c.SetTransparent(true); }},
          {"size", [](TKvIndicator& c) { c.SetBounds(4, 4, 150, 20); }},
      });
}

// A change of the seconds repaints only the dots from the old to the new count: one dot for
// a step on, the whole ring when the minute turns over.
TEST(LiveFrame, ClockRepaintsOnlyTheSecondDotsThatChange) {
  Panel panel;
  kvtest::Pump();
  PaintRegions recorder;
  panel.clock->installEventFilter(&recorder);
  const QRect face = panel.clock->rect();
  panel.clock->SetSeconds(56);
  ASSERT_EQ(recorder.regions.size(), 1u);
  const QRect step = recorder.regions[0].boundingRect();
  EXPECT_LE(step.width() * step.height(), 100);
  panel.clock->SetSeconds(0);
  ASSERT_EQ(recorder.regions.size(), 2u);
  const QRect ring = recorder.regions[1].boundingRect();
  EXPECT_TRUE(face.contains(ring));
  EXPECT_GT(ring.width(), face.width() / 2);
  EXPECT_GT(ring.height(), face.height() / 2);
}

TEST(LiveFrame, ClockFramesAroundOtherChanges) {
  std::vector<Change<TKvLedClock>> frames;
  for (const int seconds : {56, 57, 59, 0, 1, 30, 29, 45, 59, 58})
    frames.push_back([seconds](TKvLedClock& c) { c.SetSeconds(seconds); });
  ExpectFramesAroundChanges<TKvLedClock>(
      [](TKvLedClock& c) {
        DemoClock(c);
        c.SetBounds(4, 4, 241, 201);
      },
      frames,
      {
          {"dot width", [](TKvLedClock& c) { c.SetSecWidth(5); }},
          {"huge dots", [](TKvLedClock& c) { c.SetSecWidth(100); }},
          {"negative width", [](TKvLedClock& c) { c.SetSecWidth(-4); }},
          {"tick width", [](TKvLedClock& c) { c.SetTickWidth(7); }},
          {"dot colour", [](TKvLedClock& c) { c.SetSecHandColor(clAqua); }},
          {"no seconds", [](TKvLedClock& c) { c.SetSecondsIndicator(false); }},
          {"minutes", [](TKvLedClock& c) { c.SetMinutes(13); }},
          {"opaque", [](TKvLedClock& c) { c.SetTransparent(false); }},
          {"size", [](TKvLedClock& c) { c.SetBounds(4, 4, 90, 150); }},
      });
}

// A value change repaints only the cells whose digit or point changed.
TEST(LiveFrame, DigitGroupRepaintsOnlyTheCellsThatChange) {
  TForm form(nullptr);
  form.SetColor(TColor(kPanelColor));
  auto* group = new TKvDigitGroup(&form);
  group->SetBounds(4, 4, 120, 35);  // four cells 30 wide
  group->SetValue(1.25);
  kvtest::ShowForm(&form, 130, 45);
  PaintRegions recorder;
  group->installEventFilter(&recorder);
  group->SetValue(1.375);  // 1.250 -> 1.375
  ASSERT_EQ(recorder.regions.size(), 1u);
  EXPECT_EQ(recorder.regions[0].boundingRect(), QRect(30, 0, 90, 35));
  group->SetValue(2.375);
  ASSERT_EQ(recorder.regions.size(), 2u);
  EXPECT_EQ(recorder.regions[1].boundingRect(), QRect(0, 0, 30, 35));
  // The same digits shown: the window already shows them.
  group->SetValue(2.3751);
  EXPECT_EQ(recorder.regions.size(), 2u);
}

// The demo's count, through every digit: each frame, made from cells kept over many frames,
// equals the full repaint of a twin (a repaint of the group itself would capture its ground
// anew and make its cells again).
TEST(LiveFrame, DigitGroupFramesEqualATwinsRepaints) {
  for (const bool transparent : {true, false}) {
    SCOPED_TRACE(transparent);
    const auto show = [&](TForm& form) {
      form.SetColor(TColor(kPanelColor));
      // A frame under the cells: each place has a ground of its own.
      (new TKvBorder(&form))->SetBounds(30, 10, 40, 20);
      auto* group = new TKvDigitGroup(&form);
      group->SetBounds(4, 4, 120, 35);
      group->SetTransparent(transparent);
      kvtest::ShowForm(&form, 130, 45);
      return group;
    };
    ExpectFramesLikeTwin<TKvDigitGroup>(show, 100, [](TKvDigitGroup& g, int frame) {
      g.SetValue(((frame + 1) % 80) * 0.125);
    });
  }
}

// The cells a group keeps whole hold what lay under them: a new ground shows in the next frame.
TEST(LiveFrame, DigitGroupCellsFollowTheirGround) {
  for (const bool transparent : {true, false}) {
    SCOPED_TRACE(transparent);
    TForm form(nullptr);
    form.SetColor(TColor(kPanelColor));
    auto* group = new TKvDigitGroup(&form);
    group->SetBounds(4, 4, 120, 35);
    group->SetTransparent(transparent);
    group->SetValue(1.25);
    kvtest::ShowForm(&form, 130, 45);
    const double values[] = {1.375, 1.5, 1.25};
    for (const double value : values) group->SetValue(value);
    if (transparent) form.SetColor(clTeal);
    else group->SetColor(clNavy);
    kvtest::Pump();
    for (const double value : values) {
      SCOPED_TRACE(value);
      group->SetValue(value);
      const QImage live = kvtest::Grab(&form);
      group->repaint();
      EXPECT_SAME_PIXELS(live, kvtest::Grab(&form));
    }
  }
}

TEST(LiveFrame, DigitGroupFramesAroundOtherChanges) {
  std::vector<Change<TKvDigitGroup>> frames;
  // More cells than fit, then the usual count again.
  for (const double value :
       {0.125, 0.25, 9.875, 10.0, 3.5, 3.625, 0.0, 7.001, 12.5, 98765.25, 98765.375, 12.5})
    frames.push_back([value](TKvDigitGroup& g) { g.SetValue(value); });
  for (const bool transparent : {true, false}) {
    SCOPED_TRACE(transparent);
    ExpectFramesAroundChanges<TKvDigitGroup>(
        [transparent](TKvDigitGroup& g) {
          g.SetBounds(4, 4, 120, 35);
          g.SetTransparent(transparent);
        },
        frames,
        {
            {"lit colour", [](TKvDigitGroup& g) { g.Palette()->SetHigh(clYellow); }},
            {"active only", [](TKvDigitGroup& g) { g.SetActiveOnly(true); }},
            {"blank cells", [](TKvDigitGroup& g) { g.SetLeadingZero(false); }},
            {"cells", [](TKvDigitGroup& g) { g.SetDigits(5); }},
            {"decimals", [](TKvDigitGroup& g) { g.SetDecimals(1); }},
            {"background", [](TKvDigitGroup& g) { g.SetColor(clNavy); }},
            {"odd width", [](TKvDigitGroup& g) { g.SetBounds(4, 4, 133, 35); }},
            // Cells so narrow that segments reach into the next one: whole frames.
            {"narrow cells", [](TKvDigitGroup& g) { g.SetBounds(4, 4, 12, 35); }},
        });
  }
}

// A value change repaints only what changed; every frame, across the front and the back and
// in jumps, shows what a twin shows that draws its face, on round, flat and tall pies, and so
// do frames after a change of colours, depth, size, background or maximum (whole pies) and
// after a repaint of part of the pie from outside.
TEST(LiveFrame, PieGraphFramesShowWhatTheDrawingShows) {
  using PieChange = std::function<void(TKvPieGraph&)>;
  std::vector<PieChange> frames;
  const auto value = [](int v) { return [v](TKvPieGraph& p) { p.SetValue(v); }; };
  for (int v = 2; v <= 100; ++v) frames.push_back(value(v));
  // Jumps, and an edge line that comes back to where it stood.
  for (int v : {1, 30, 70, 52, 48, 99, 3, 75, 25, 60, 40, 80, 81, 80}) frames.push_back(value(v));
  for (const PieChange& change : std::initializer_list<PieChange>{
           [](TKvPieGraph& p) {
             p.SetOutlineColor(clRed);
             p.SetFreeShadowColor(clRed);
             p.SetUsedColor(clRed);
           },
           [](TKvPieGraph& p) { p.SetDepth(p.Depth() + 3); },
           [](TKvPieGraph& p) { p.SetBounds(7, 4, p.Width() - 5, p.Height() - 2); },
           [](TKvPieGraph& p) {
             p.SetTransparent(false);
             p.SetColor(clAqua);
           },
           [](TKvPieGraph& p) { p.SetMaxValue(50); },
           [](TKvPieGraph& p) { p.repaint(3, 3, 40, 30); }}) {
    frames.push_back(change);
    for (int v : {79, 30, 31, 64, 100, 2}) frames.push_back(value(v));
  }
  struct Shape {
    int w, h, depth;
  };
  for (const Shape& shape : {Shape{135, 75, 10}, Shape{300, 200, 30}, Shape{220, 40, 6},
                             Shape{45, 130, 25}, Shape{20, 12, 3}}) {
    SCOPED_TRACE(shape.w);
    const auto show = [&](TForm& form) {
      form.SetColor(TColor(kPanelColor));
      auto* pie = new TKvPieGraph(&form);
      pie->SetBounds(7, 4, shape.w, shape.h);
      pie->SetDepth(shape.depth);
      pie->SetTransparent(true);
      pie->SetValue(1);
      kvtest::ShowForm(&form, shape.w + 14, shape.h + 10);
      return pie;
    };
    ExpectFramesLikeTwin<TKvPieGraph>(show, int(frames.size()),
                                      [&](TKvPieGraph& p, int frame) { frames[size_t(frame)](p); });
  }
}

TEST(LiveFrame, PieGraphStepOnTheBackRepaintsLittle) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetColor(TColor(kPanelColor));
  auto* pie = new TKvPieGraph(form.get());
  pie->SetBounds(6, 5, 135, 75);
  pie->SetTransparent(true);
  pie->SetValue(20);
  kvtest::ShowForm(form.get(), 150, 90);
  PaintRegions recorder;
  pie->installEventFilter(&recorder);
  pie->SetValue(21);
  ASSERT_EQ(recorder.regions.size(), 1u);
  EXPECT_LT(recorder.regions[0].boundingRect().width(), pie->Width() / 2);
  EXPECT_LT(recorder.regions[0].boundingRect().height(), pie->Height() / 2);
}

// The percent pie works its slices out once per change of the segments: every kind of change
// after frames shows what a fresh pie with the same segments shows.
TEST(LiveFrame, PercentPieChangesAfterFramesShowAsAFreshPie) {
  const auto add = [](TKvPercentPie& p, TColor colour, double value) {
    TKvPercentGraphItem* item = p.Segments()->Add();
    item->SetColor(colour);
    item->SetValue(value);
  };
  std::vector<Change<TKvPercentPie>> frames;
  for (double v : {31.0, 30.0, 45.0})
    frames.push_back([v](TKvPercentPie& p) { p.Segments()->Items(1)->SetValue(v); });
  ExpectFramesAroundChanges<TKvPercentPie>(
      [&](TKvPercentPie& p) {
        p.SetBounds(4, 4, 97, 97);
        p.SetTransparent(true);
        add(p, clMoneyGreen, 20);
        add(p, clSkyBlue, 30);
      },
      frames,
      {
          {"colour", [](TKvPercentPie& p) { p.Segments()->Items(0)->SetColor(clRed); }},
          {"pattern",
           [](TKvPercentPie& p) {
             p.Segments()->Items(1)->SetPattern(TKvBrushPattern::bpDiagCross);
           }},
          {"added", [&](TKvPercentPie& p) { add(p, clYellow, 25); }},
          {"deleted",
           [&](TKvPercentPie& p) {
             add(p, clYellow, 25);
             p.Segments()->Delete(0);
             p.Segments()->Items(0)->SetValue(30);
           }},
          {"size", [](TKvPercentPie& p) { p.SetBounds(4, 4, 120, 80); }},
          {"assigned",
           [&](TKvPercentPie& p) {
             TKvPercentPie other(nullptr);
             add(other, clNavy, 5);
             add(other, clLime, 95);
             p.SetSegments(other.Segments());
           }},
      });
}
