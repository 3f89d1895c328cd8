// The smooth rendering seen through the controls: pictures of a few faces, a walk over every
// registered control showing that only edges change, a switch at run time, and the
// environment variable read when the library loads.
#include "Controls.h"
#include "DemoSettings.h"
#include "Forms.h"
#include "GraphicsSmooth.h"
#include "KvFrameCache.h"
#include "KvButtons.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"
#include "RegisteredControls.h"
#include "RenderQuality.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QProcess>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int32_t kPanelColor = 7292981;

// The quality for a scope, and the clock at one time, so that the clock's face is the same in
// every picture.
class QualityScope {
public:
  explicit QualityScope(kv::RenderQuality quality) : FWas(kv::GetRenderQuality()) {
    kv::SetRenderQuality(quality);
  }
  ~QualityScope() { kv::SetRenderQuality(FWas); }
  QualityScope(const QualityScope&) = delete;
  QualityScope& operator=(const QualityScope&) = delete;

private:
  kvtest::FixedClock FClock;
  kv::RenderQuality FWas;
};

const kv::TRegisteredClass* ClassNamed(const QString& name) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls())
    if (kvtest::ClassNameOf(*c) == name) return c;
  return nullptr;
}

// A control of a demo's form, as the demo has it.
struct DemoFace {
  const char* className;
  const char* form;
  const char* component;
  const char* reference;
  int margin;
};

const DemoFace kFaces[] = {
    {"TKvMeter", "frmMeters", "KvMeter", "lib/smooth-meter", 2},
    {"TKvLedClock", "frmQelDemo", "KvLedClock1", "lib/smooth-ledclock", 4},
    {"TKvWheel", "frmMeters", "KvWheel", "lib/smooth-wheel", 0},
    {"TKvPieGraph", "frmMisc", "KvPieGraph", "lib/smooth-piegraph", 2},
    {"TKvLabel", "frmMeters", "KvLabel1", "lib/smooth-label", 2},
};

std::unique_ptr<TControl> MakeFace(const DemoFace& face) {
  const kv::TRegisteredClass* c = ClassNamed(QString::fromLatin1(face.className));
  if (!c) return nullptr;
  std::unique_ptr<TControl> control(kvtest::NewControl(*c, nullptr));
  kvdemo::ApplyDemoSettings(*control, QString::fromLatin1(face.form),
                            QString::fromLatin1(face.component));
  return control;
}

// The control painted off-screen over the panel's colour (a transparent one captures it).
QImage Painted(TControl& control) {
  QImage picture(control.Width(), control.Height(), QImage::Format_RGB32);
  if (picture.isNull()) return picture;
  picture.fill(kv::ColorToPixel(TColor(kPanelColor)));
  control.render(&picture);
  return picture;
}

// Calls Check with a maker of each registered control, as made and as the demo has it (the
// first of its class on the demo's forms), under a trace that names it.
void ForEveryControl(
    const std::function<void(const std::function<std::unique_ptr<TControl>()>&)>& check) {
  const std::vector<kvdemo::DemoComponent> demo = kvdemo::DemoComponents();
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const QString name = kvtest::ClassNameOf(*c);
    std::vector<std::optional<kvdemo::DemoComponent>> starts = {std::nullopt};
    for (const kvdemo::DemoComponent& d : demo)
      if (d.className.compare(name, Qt::CaseInsensitive) == 0) {
        starts.push_back(d);
        break;
      }
    for (const auto& start : starts) {
      SCOPED_TRACE(name.toStdString() + (start ? " as the demo's " + start->name.toStdString()
                                               : std::string(" as made")));
      check([&] {
        std::unique_ptr<TControl> control(kvtest::NewControl(*c, nullptr));
        if (start) kvdemo::ApplyDemoSettings(*control, start->form, start->name);
        return control;
      });
    }
  }
}

}  // namespace

TEST(SmoothRendering, DemoFacesMatchTheirPictures) {
  const QualityScope smooth(kv::RenderQuality::Smooth);
  for (const DemoFace& face : kFaces) {
    SCOPED_TRACE(face.reference);
    const std::unique_ptr<TControl> control = MakeFace(face);
    ASSERT_TRUE(control);
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(control.get(), kPanelColor, face.margin),
                             face.reference);
  }
}

// Every control, as made and as the demo has it: smooth moves only the pixels by an edge of
// the classic face (text included, whose glyphs are set anew), and changes some face at all.
TEST(SmoothRendering, OnlyEdgesDifferFromClassic) {
  int changedFaces = 0;
  ForEveryControl([&](const auto& make) {
    const auto picture = [&](kv::RenderQuality quality) {
      const QualityScope rendering(quality);
      return Painted(*make());
    };
    const QImage classic = picture(kv::RenderQuality::Classic);
    const QImage smooth = picture(kv::RenderQuality::Smooth);
    ASSERT_EQ(classic.size(), smooth.size());
    changedFaces += classic != smooth;
    const std::optional<QPoint> fill = kvtest::ChangedAwayFromEdges(classic, smooth, 2);
    EXPECT_FALSE(fill) << "a fill changed at (" << fill->x() << ", " << fill->y() << ")";
  });
  EXPECT_GE(changedFaces, int(std::size(kFaces)));
}

// The smooth calls of a paint share one painter, kept between paints while they draw on the
// same pixels: every control's first and second frame are as a painter per call draws them.
TEST(SmoothRendering, SharedPainterDrawsEveryControlAsAPainterPerCall) {
  ForEveryControl([&](const auto& make) {
    const auto frames = [&](bool perCall) {
      const QualityScope smooth(kv::RenderQuality::Smooth);
      std::optional<kv::SmoothPainterPerCall> ownPainters;
      if (perCall) ownPainters.emplace();
      const std::unique_ptr<TControl> control = make();
      const QImage first = Painted(*control);
      return std::pair(first, Painted(*control));
    };
    const auto [shared, perCall] = std::pair(frames(false), frames(true));
    EXPECT_SAME_PIXELS(shared.first, perCall.first);
    EXPECT_SAME_PIXELS(shared.second, perCall.second);
  });
}

// A shown face follows the quality at once, kept layers and all, and comes back unchanged.
TEST(SmoothRendering, SwitchingRepaintsEveryControl) {
  for (const DemoFace& face : kFaces) {
    SCOPED_TRACE(face.reference);
    const QualityScope classic(kv::RenderQuality::Classic);
    const std::unique_ptr<TControl> shown = MakeFace(face);
    ASSERT_TRUE(shown);
    const auto expected = [&](kv::RenderQuality quality) {
      const QualityScope rendering(quality);
      const std::unique_ptr<TControl> fresh = MakeFace(face);
      return kvtest::RenderControl(fresh.get(), kPanelColor, face.margin);
    };
    const QImage classicPicture = expected(kv::RenderQuality::Classic);
    const QImage smoothPicture = expected(kv::RenderQuality::Smooth);
    TForm form(nullptr);
    form.SetColor(TColor(kPanelColor));
    shown->SetParent(&form);
    shown->SetBounds(face.margin, face.margin, shown->Width(), shown->Height());
    kvtest::ShowForm(&form, shown->Width() + 2 * face.margin, shown->Height() + 2 * face.margin);
    EXPECT_SAME_PIXELS(kvtest::Grab(&form), classicPicture);
    kv::SetRenderQuality(kv::RenderQuality::Smooth);
    kvtest::Pump();
    EXPECT_SAME_PIXELS(kvtest::Grab(&form), smoothPicture);
    kv::SetRenderQuality(kv::RenderQuality::Classic);
    kvtest::Pump();
    EXPECT_SAME_PIXELS(kvtest::Grab(&form), classicPicture);
    shown->SetParent(nullptr);
  }
}

// The shadow button's shadow keeps its shape while its colours change: smooth, the edge of a
// rounded shadow blends its two colours with what lies under it; a straight one, and any
// classic one, shows only the two. Changed after a paint, it shows what a fresh button shows.
TEST(SmoothRendering, TwoToneShadowBlendsItsEdgesOnlyWhenSmoothAndRounded) {
  struct Case {
    kv::RenderQuality quality;
    TKvShadowButtonStyle style;
    bool blends;
  };
  const Case cases[] = {
      {kv::RenderQuality::Classic, TKvShadowButtonStyle::ssRoundRect, false},
      {kv::RenderQuality::Classic, TKvShadowButtonStyle::ssRectangle, false},
      {kv::RenderQuality::Smooth, TKvShadowButtonStyle::ssRoundRect, true},
      {kv::RenderQuality::Smooth, TKvShadowButtonStyle::ssRectangle, false},
  };
  const TColor outline = clNavy, fill = clYellow;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "smooth " << (c.quality == kv::RenderQuality::Smooth)
                                    << ", style " << int(c.style));
    const QualityScope rendering(c.quality);
    const auto fresh = [&](TColor pen, TColor brush) {
      TKvShadowButton button(nullptr);
      button.SetStyle(c.style);
      button.SetShadowOutline(pen);
      button.SetShadowColor(brush);
      return kvtest::RenderControl(&button, kPanelColor, 2);
    };
    const QImage shadowed = fresh(outline, fill);
    const QImage other = fresh(clRed, clLime);
    int shadowPixels = 0, blended = 0;
    for (int y = 0; y < shadowed.height(); ++y)
      for (int x = 0; x < shadowed.width(); ++x) {
        const int32_t colour = kvtest::PixelAt(shadowed, x, y);
        if (colour == kvtest::PixelAt(other, x, y)) continue;
        ++shadowPixels;
        blended += colour != outline.Value && colour != fill.Value;
      }
    EXPECT_GT(shadowPixels, 100);
    EXPECT_EQ(blended > 0, c.blends) << blended << " blended pixels";
    TKvShadowButton painted(nullptr);
    painted.SetStyle(c.style);
    kvtest::RenderControl(&painted, kPanelColor, 2);
    painted.SetShadowOutline(outline);
    painted.SetShadowColor(fill);
    EXPECT_SAME_PIXELS(kvtest::RenderControl(&painted, kPanelColor, 2), shadowed);
  }
}

// A kept layer blends a smooth drawing's edge pixels with whatever lies under it, as drawing
// straight onto that would (to a rounding step).
TEST(SmoothRendering, StaticLayerReplaysBlendedEdges) {
  const QualityScope smooth(kv::RenderQuality::Smooth);
  const auto drawing = [](TCanvas* c) {
    c->Pen()->SetColor(clRed);
    c->Pen()->SetWidth(2);
    c->Brush()->SetColor(clLime);
    c->Ellipse(3, 3, 37, 29);
    c->Pen()->SetWidth(1);
    c->MoveTo(0, 31);
    c->LineTo(39, 1);
  };
  for (const TColor under : {clWhite, clNavy, TColor(0x336699)}) {
    SCOPED_TRACE(under.Value);
    kvtest::Picture direct(40, 32, under), replayed(40, 32, under);
    drawing(direct.bitmap.Canvas());
    TKvStaticLayer layer;
    layer.Draw(&replayed.bitmap, TKvLayerKey(), drawing);
    EXPECT_TRUE(kvtest::SamePixels(replayed.Image(), direct.Image(), 1));
    EXPECT_NE(replayed.Image(), kvtest::Picture(40, 32, under).Image());
  }
}

// Run by the test below in a process of its own, with the variable set.
TEST(SmoothRendering, DISABLED_ReportQualityAtStartUp) {
  std::printf("quality=%s\n",
              kv::GetRenderQuality() == kv::RenderQuality::Smooth ? "smooth" : "classic");
}

TEST(SmoothRendering, EnvironmentChoosesTheQualityAtStartUp) {
  struct Case {
    const char* value;  // nullptr: unset
    const char* quality;
    bool warns;
  };
  const Case cases[] = {
      {nullptr, "classic", false}, {"classic", "classic", false}, {"smooth", "smooth", false},
      {" Smooth ", "smooth", false}, {"", "classic", false},      {"blurry", "classic", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KELVARA_RENDER"));
    if (c.value) env.insert(QStringLiteral("KELVARA_RENDER"), QString::fromLatin1(c.value));
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_also_run_disabled_tests"),
                   QStringLiteral("--gtest_filter=SmoothRendering.DISABLED_ReportQualityAtStartUp")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(out.contains(QStringLiteral("quality=") + QString::fromLatin1(c.quality))) << out.toStdString();
    EXPECT_EQ(err.contains(QStringLiteral("KELVARA_RENDER=blurry is not a rendering quality")), c.warns)
        << err.toStdString();
  }
}
