// Every registered control in windows of a device pixel ratio other than 1. These tests run
// under QT_SCALE_FACTOR (ctest DeviceRatio.At2, DeviceRatio.At1_5) and most skip at ratio 1:
// at 2 a control draws finer than doubled pixels, at 1.5 no column of its detail is doubled.
// The partial repaints (the pies', every control's value change) are checked at every ratio,
// 1.25 and 1.75 too (ctest DeviceRatio.PartsAt1_25, DeviceRatio.PartsAt1_75).
// ArtworkRatio runs at ratio 1 and paints the controls with built-in artwork at 2 as well.
// TwoScreens runs on two off-screen screens scaled by 1 and 2 (ctest DeviceRatio.TwoScreens)
// and moves a window from one to the other and back.
#include "Forms.h"
#include "KvFrameCache.h"
#include "KvGraphs.h"
#include "KvLabel.h"
#include "KvMeter.h"
#include "KvPieGraph.h"
#include "KvScope.h"
#include "KvWheel.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "RegisteredControls.h"
#include "RenderQuality.h"

#include <gtest/gtest.h>

#include <QBackingStore>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSet>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// A control alone on a form of its size, with a caption where it shows one (a new label's
// is empty).
struct Alone {
  TForm form{nullptr};
  std::unique_ptr<TControl> control;
  explicit Alone(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, nullptr)) {
    if (control->property("Caption").toString().isEmpty())
      control->setProperty("Caption", QStringLiteral("Kg 42"));
    form.SetColor(TColor(0x406080));
    control->SetParent(&form);
    control->SetBounds(0, 0, control->Width(), control->Height());
    kvtest::ShowForm(&form, control->Width(), control->Height());
  }
};

// What a fresh paint of the form gives, in device pixels.
QImage Painted(TForm& form) {
  QImage image = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
  image.setDevicePixelRatio(1);
  return image;
}

// Of the device columns of more than one colour, how many are one of an isolated pair of
// equal columns (a run of exactly two), and how many there are: enlarging a picture by 1.5
// without drawing it finer doubles every other column of its detail. Runs of three and more
// are faces and bevels, the same across.
std::pair<int, int> DoubledDetailedColumns(const QImage& image) {
  const auto same = [&](int a, int b) {
    if (a < 0 || b >= image.width()) return false;
    for (int y = 0; y < image.height(); ++y)
      if (image.pixel(a, y) != image.pixel(b, y)) return false;
    return true;
  };
  const auto flat = [&](int x) {
    for (int y = 1; y < image.height(); ++y)
      if (image.pixel(x, y) != image.pixel(x, 0)) return false;
    return true;
  };
  int doubled = 0, detailed = 0;
  for (int x = 1; x < image.width(); ++x) {
    if (flat(x)) continue;
    ++detailed;
    doubled += same(x - 1, x) && !same(x - 2, x - 1) && !same(x, x + 1) ? 1 : 0;
  }
  return {doubled, detailed};
}

double WindowRatio() { return QGuiApplication::primaryScreen()->devicePixelRatio(); }

// Controls whose face as made shows nothing finer than whole canvas pixels: boxes, squares,
// axis-aligned ticks and strips, the dot matrix (its cells are pixel art at 2x too). A control
// with built-in artwork draws its 2x version.
const QSet<QString> kWholePixelFaces = {
    QStringLiteral("TKvBanner"),    QStringLiteral("TKvBorder"),     QStringLiteral("TKvGauge"),
    QStringLiteral("TKvIndicator"), QStringLiteral("TKvLevelBar"),   QStringLiteral("TKvMatrix"),
    QStringLiteral("TKvScanner"),   QStringLiteral("TKvScope"),
    QStringLiteral("TKvSpectrum"),  QStringLiteral("TKvUserLed"),    QStringLiteral("TScrollBox"),
    QStringLiteral("TKvPercentPie"), QStringLiteral("TKvProgressBar"),
};

TEST(DeviceRatio, AtTwoAControlWithTextOrCurvesDrawsFinerThanDoubledPixels) {
  if (WindowRatio() != 2) GTEST_SKIP() << "runs at QT_SCALE_FACTOR=2";
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    if (!kvtest::TakesAnyParent(*c)) continue;
    const QString name = kvtest::ClassNameOf(*c);
    SCOPED_TRACE(name.toStdString());
    Alone a(*c);
    const QImage picture = Painted(a.form);
    ASSERT_EQ(picture.size(), a.form.size() * 2);
    if (!kWholePixelFaces.contains(name)) {
      EXPECT_GT(kvtest::MixedBlocks(picture, 2), 0) << "doubled pixels";
    }
  }
}

TEST(DeviceRatio, AtOneAndAHalfNoColumnOfAControlsDetailIsDoubled) {
  if (WindowRatio() != 1.5) GTEST_SKIP() << "runs at QT_SCALE_FACTOR=1.5";
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    if (!kvtest::TakesAnyParent(*c)) continue;
    const QString name = kvtest::ClassNameOf(*c);
    if (kWholePixelFaces.contains(name)) continue;
    SCOPED_TRACE(name.toStdString());
    Alone a(*c);
    if (a.control->Width() < 8) continue;
    const auto [doubled, detailed] = DoubledDetailedColumns(Painted(a.form));
    EXPECT_LT(doubled, detailed / 8);
  }
}

// Every control drawing a built-in picture whose other drawing is whole canvas pixels, so
// that detail finer than 2 x 2 at ratio 2 can only come from the picture's 2x version.
const QSet<QString> kArtworkControls = {
    QStringLiteral("TKvArrow"),       QStringLiteral("TKvCounter"), QStringLiteral("TKvImageLed"),
    QStringLiteral("TKvLights"),      QStringLiteral("TKvMediaButton"), QStringLiteral("TKvSlider"),
    QStringLiteral("TKvSpinner"),     QStringLiteral("TKvSwitch"),  QStringLiteral("TKvTrackBar"),
    QStringLiteral("TKvWheel"),
};

// The form painted into an image of the given ratio, in device pixels.
QImage PaintedAt(TForm& form, double ratio) {
  QImage image(form.size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::magenta);
  form.render(&image);
  image.setDevicePixelRatio(1);
  return image;
}

TEST(ArtworkRatio, AControlPaintedAtOneThenTwoDrawsItsTwoTimesArtworkAndComesBack) {
  QSet<QString> seen;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const QString name = kvtest::ClassNameOf(*c);
    if (!kArtworkControls.contains(name)) continue;
    seen.insert(name);
    SCOPED_TRACE(name.toStdString());
    Alone a(*c);
    const QImage one = PaintedAt(a.form, 1);
    const QImage two = PaintedAt(a.form, 2);
    ASSERT_EQ(two.size(), one.size() * 2);
    EXPECT_GT(kvtest::MixedBlocks(two, 2), 0) << "the artwork is 1x doubled";
    EXPECT_EQ(PaintedAt(a.form, 1), one);
  }
  EXPECT_EQ(seen, kArtworkControls);
}

// The scope scrolls its face on a tape: at 2 the tape holds device pixels, so its traces step
// finer than the doubled pixels of a tape kept at 1x.
TEST(DeviceRatio, AtTwoTheScopesTapeIsDrawnInDevicePixels) {
  if (WindowRatio() != 2) GTEST_SKIP() << "runs at QT_SCALE_FACTOR=2";
  TForm form{nullptr};
  auto* scope = new TKvScope(&form);
  scope->SetBounds(0, 0, 120, 60);
  if (scope->Channels()->Count() == 0) scope->Channels()->Add();
  kvtest::ShowForm(&form, 120, 60);
  for (int i = 0; i < 40; ++i) scope->AddValue(i % 2 ? 85 : 15 + i);
  EXPECT_GT(kvtest::MixedBlocks(Painted(form), 2), 0) << "doubled pixels";
}

// The screen of that ratio, if there is one.
QScreen* ScreenOfRatio(double ratio) {
  for (QScreen* screen : QGuiApplication::screens())
    if (screen->devicePixelRatio() == ratio) return screen;
  return nullptr;
}

// What the window's backing store holds, in device pixels: the pixels its own paints left
// there, not a fresh rendering. A copy: the store's image may only borrow its memory.
QImage BackingStorePixels(QWidget& window) {
  const auto* pixels = dynamic_cast<const QImage*>(window.backingStore()->paintDevice());
  if (!pixels) return {};
  QImage image = pixels->copy().convertToFormat(QImage::Format_RGB32);
  image.setDevicePixelRatio(1);
  return image;
}

// Moves the window onto the screen and lets it repaint there.
void MoveOnto(QWidget& window, QScreen* screen) {
  window.move(screen->geometry().topLeft() + QPoint(20, 20));
  for (int i = 0; i < 50 && window.screen() != screen; ++i) kvtest::Pump(10);
  kvtest::Pump();
}

// A meter (its scale is a kept layer), a wheel (built-in artwork) and a label (text) on a
// window moved from a screen of ratio 1 to one of ratio 2 and back: on the second screen
// the window repaints itself in device pixels, each control finer than doubled pixels, and
// back on the first it shows exactly what it showed there before.
TEST(TwoScreens, AWindowMovedToAScreenOfAnotherRatioRedrawsAtIt) {
  QScreen* one = ScreenOfRatio(1);
  QScreen* two = ScreenOfRatio(2);
  if (!one || !two)
    GTEST_SKIP() << "runs on two screens of ratios 1 and 2 (ctest DeviceRatio.TwoScreens)";
  TForm form{nullptr};
  form.SetColor(TColor(0x406080));
  const std::vector<TControl*> controls = {new TKvMeter(&form), new TKvWheel(&form),
                                           new TKvLabel(&form)};
  int x = 0, height = 0;
  for (TControl* control : controls) {
    control->SetParent(&form);
    control->SetBounds(x, 0, control->Width(), control->Height());
    x += control->Width();
    height = std::max(height, control->Height());
  }
  static_cast<TKvLabel*>(controls.back())->SetCaption(QStringLiteral("Kg 42"));
  kvtest::ShowForm(&form, x, height);
  MoveOnto(form, one);
  const QImage atOne = BackingStorePixels(form);
  ASSERT_EQ(atOne.size(), form.size());

  MoveOnto(form, two);
  ASSERT_EQ(form.devicePixelRatioF(), 2);
  const QImage atTwo = BackingStorePixels(form);
  ASSERT_EQ(atTwo.size(), form.size() * 2);
  for (TControl* control : controls) {
    SCOPED_TRACE(control->metaObject()->className());
    const QRect device(control->Left() * 2, control->Top() * 2, control->Width() * 2,
                       control->Height() * 2);
    EXPECT_GT(kvtest::MixedBlocks(atTwo.copy(device), 2), 0) << "doubled pixels";
  }

  MoveOnto(form, one);
  EXPECT_SAME_PIXELS(BackingStorePixels(form), atOne);
}

// Two pie graphs (one too large for an angle map) and a percent pie with a hatched slice on a
// form, and steps that change them: the pie graphs grow, shrink, cross their front and their
// start, fill and empty; the percent pie's boundaries move either way, a slice goes and comes
// back, one segment takes the whole pie and gives it back; boundaries lie along the axes.
struct PiesOnAForm {
  TForm form{nullptr};
  TKvPieGraph* graph = new TKvPieGraph(&form);
  TKvPieGraph* large = new TKvPieGraph(&form);
  TKvPercentPie* pie = new TKvPercentPie(&form);

  PiesOnAForm() {
    form.SetColor(TColor(0x406080));
    graph->SetBounds(3, 2, 135, 75);
    graph->SetTransparent(true);
    large->SetBounds(3, 103, 270, 140);
    large->SetDepth(17);
    pie->SetBounds(141, 2, 97, 97);
    for (const auto& [colour, value] : {std::pair{clMoneyGreen, 20.0},
                                        std::pair{clSkyBlue, 30.0}, std::pair{clRed, 10.0}}) {
      TKvPercentGraphItem* item = pie->Segments()->Add();
      item->SetColor(colour);
      item->SetValue(value);
    }
    pie->Segments()->Items(2)->SetPattern(TKvBrushPattern::bpDiagCross);
    kvtest::ShowForm(&form, 276, 246);
  }
  void Set(int graphValue, int segment, double segmentValue) {
    graph->SetValue(graphValue);
    large->SetValue(graphValue);
    pie->Segments()->Items(segment)->SetValue(segmentValue);
  }
  void RepaintWhole() {
    for (TControl* c : std::initializer_list<TControl*>{graph, large, pie}) c->repaint();
    kvtest::Pump();
  }
};

struct PieStep {
  const char* what;
  int graphValue, segment;
  double segmentValue;
};
constexpr PieStep kPieSteps[] = {
    {"growing by one", 81, 1, 31},
    {"shrinking by one", 80, 1, 30},
    {"across the front", 30, 0, 55},
    {"back across it", 70, 0, 20},
    {"past the start", 2, 2, 90},
    {"full", 100, 2, 10},
    {"from full to the least", 1, 0, 0},
    {"a slice back", 99, 0, 20},
    {"one segment all", 50, 1, 1e9},
    {"and back", 51, 1, 30},
    {"boundaries along the axes", 50, 2, 50},
    {"and along the other", 25, 2, 10},
};

// A value change repaints only what it changed, at every ratio and in both qualities: each
// frame shows what a whole repaint then shows, at a fractional ratio to the last pixel beside
// the part too (the smooth reduction mixes both sides of its edges). Then the pie graphs move
// across the whole pie, up and back down in steps of every size, through the faces they keep
// for each angle.
TEST(DeviceRatio, PiesRepaintedInPartShowWhatAWholeRepaintShows) {
  const kv::RenderQuality was = kv::GetRenderQuality();
  std::vector<PieStep> steps(std::begin(kPieSteps), std::end(kPieSteps));
  for (const int value : {2, 3, 9, 26, 25, 49, 51, 76, 75, 99, 60, 12, 1, 88, 37, 38})
    steps.push_back({"across every angle", value, 0, 20});
  for (const kv::RenderQuality quality : {kv::RenderQuality::Classic, kv::RenderQuality::Smooth}) {
    SCOPED_TRACE(quality == kv::RenderQuality::Smooth ? "smooth" : "classic");
    kv::SetRenderQuality(quality);
    PiesOnAForm pies;
    for (const PieStep& step : steps) {
      SCOPED_TRACE(std::string(step.what) + " to " + std::to_string(step.graphValue));
      pies.Set(step.graphValue, step.segment, step.segmentValue);
      kvtest::Pump();
      const QImage live = kvtest::Grab(&pies.form);
      pies.RepaintWhole();
      EXPECT_SAME_PIXELS(live, kvtest::Grab(&pies.form));
    }
  }
  kv::SetRenderQuality(was);
}

// The smooth pies compose their faces from each wedge's brush drawn whole: at every step, the
// fills are those of the faces the canvas draws, and of their boundaries' pixels only a few
// where the canvas's outlines meet at the centre in a mitre differ by more than a quarter of
// a level's range.
TEST(DeviceRatio, ComposedSmoothPiesShowTheFacesTheCanvasDraws) {
  const kv::RenderQuality was = kv::GetRenderQuality();
  kv::SetRenderQuality(kv::RenderQuality::Smooth);
  PiesOnAForm pies;
  const int ratio = int(std::ceil(pies.form.devicePixelRatioF()));
  for (const PieStep& step : kPieSteps) {
    SCOPED_TRACE(step.what);
    pies.Set(step.graphValue, step.segment, step.segmentValue);
    pies.RepaintWhole();
    const QImage composed = kvtest::Grab(&pies.form);
    const kv::DrawnPieFaces drawing;
    pies.RepaintWhole();
    const QImage drawn = kvtest::Grab(&pies.form);
    ASSERT_EQ(composed.size(), drawn.size());
    const std::optional<QPoint> fill = kvtest::ChangedAwayFromEdges(drawn, composed, ratio);
    EXPECT_FALSE(fill) << "a fill changed at (" << fill->x() << ", " << fill->y() << ")";
    int far = 0;
    for (int y = 0; y < drawn.height(); ++y)
      for (int x = 0; x < drawn.width(); ++x)
        for (int shift = 0; shift < 24; shift += 8)
          far += std::abs(int((drawn.pixel(x, y) >> shift) & 0xFFu) -
                          int((composed.pixel(x, y) >> shift) & 0xFFu)) > 64;
    EXPECT_LE(far, 12 * ratio * ratio);
  }
  kv::SetRenderQuality(was);
}

// The value (or position, or seconds) of every control that has one, stepped up, further and
// back down at an odd offset in the window, at every ratio and in both qualities: each frame
// of the control's own repaint of a part shows what a whole repaint then shows.
TEST(DeviceRatio, ValueChangesRepaintedInPartShowWhatAWholeRepaintShows) {
  const kv::RenderQuality was = kv::GetRenderQuality();
  int stepped = 0;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    for (const kv::RenderQuality quality :
         {kv::RenderQuality::Classic, kv::RenderQuality::Smooth}) {
      kv::SetRenderQuality(quality);
      TForm form(nullptr);
      form.SetColor(TColor(0x406080));
      const std::unique_ptr<TControl> control(kvtest::NewControl(*c, nullptr));
      const char* value = nullptr;
      for (const char* name : {"Position", "Value", "Seconds"})
        if (control->metaObject()->indexOfProperty(name) >= 0) value = name;
      if (!value) break;
      SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString() + "." + value +
                   (quality == kv::RenderQuality::Smooth ? ", smooth" : ", classic"));
      control->SetParent(&form);
      control->SetBounds(3, 5, control->Width(), control->Height());
      kvtest::ShowForm(&form, control->Width() + 7, control->Height() + 9);
      const double start = control->property(value).toDouble();
      for (const double step : {1.0, 7.0, -3.0, -5.0}) {
        SCOPED_TRACE(step);
        control->setProperty(value, control->property(value).toDouble() + step);
        kvtest::Pump();
        const QImage live = kvtest::Grab(&form);
        control->repaint();
        kvtest::Pump();
        EXPECT_SAME_PIXELS(live, kvtest::Grab(&form));
      }
      control->setProperty(value, start);
      ++stepped;
    }
  }
  EXPECT_GE(stepped, 2 * 10) << "too few controls with a value";
  kv::SetRenderQuality(was);
}

}  // namespace
