// A property changed on a painted control shows as on a control built with it: whatever a
// control keeps from one paint to the next (static layers, face bases, tapes, strips, cells)
// must be keyed by every input it was drawn from. The walk covers every registered control and
// every property a user can change, the style objects' own included, so that later controls
// and later kept parts are covered without cases of their own.
#include "Controls.h"
#include "DemoSettings.h"
#include "FormDescriptionsModel.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "RegisteredControls.h"
#include "RenderQuality.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kPanelColor = 7292981;

// The control painted off-screen over the panel's colour, which a transparent one captures,
// in device pixels of the ratio; again when the paint settled its size (a bar snapping to
// whole ticks).
QImage Painted(TControl& control, int ratio = 1) {
  const auto paint = [&] {
    QImage picture(control.Width() * ratio, control.Height() * ratio, QImage::Format_RGB32);
    if (picture.isNull()) return picture;
    picture.setDevicePixelRatio(ratio);
    picture.fill(kv::ColorToPixel(TColor(kPanelColor)));
    control.render(&picture);
    picture.setDevicePixelRatio(1);
    return picture;
  };
  const QImage picture = paint();
  return picture.size() == QSize(control.Width(), control.Height()) * ratio ? picture : paint();
}

// What cannot be compared. A form shape draws its mask over the last frame without clearing
// it first, so a smaller mask leaves the rest of the last frame, by its rules.
bool Incomparable(const QString& className, const QByteArray& path) {
  return className == QLatin1String("TKvFormShape") && path == "Mask";
}

// Gives Target's property at Path the value Source's holds; returns it as description text.
std::string CopyProperty(QObject* source, QObject* target, const QByteArray& path) {
  const auto [holder, property] = kvtest::PropertyAt(source, path);
  const QVariant value = property.read(holder);
  property.write(kvtest::PropertyAt(target, path).holder, value);
  const kv::form::PropertyKind kind = kv::form::KindOf(property, holder);
  return kv::form::IsSimpleKind(kind) ? kv::form::FormatValue(property, kind, value).toStdString()
                                      : "a picture";
}

// Where the walk starts from: the control as it is made, and as the demo has it (the first
// of its class on the demo's forms), whose captions, pictures and colours draw more of a face.
struct Start {
  std::string name;
  std::function<void(TControl&)> setup;
};

std::vector<Start> StartsOf(const QString& className,
                            const std::vector<kvdemo::DemoComponent>& demo) {
  std::vector<Start> starts = {{"as made", [](TControl&) {}}};
  const auto sameClass = [&](const kvdemo::DemoComponent& d) {
    return d.className.compare(className, Qt::CaseInsensitive) == 0;
  };
  if (const auto d = std::find_if(demo.begin(), demo.end(), sameClass); d != demo.end())
    starts.push_back({"as the demo's " + d->name.toStdString(), [d = *d](TControl& control) {
                        kvdemo::ApplyDemoSettings(control, d.form, d.name);
                      }});
  return starts;
}

// A maker of a control of one class from one start, sized to Bounds when given.
using Maker = std::function<std::unique_ptr<TControl>(const TRect* bounds)>;

// Calls Check for every registered control, every start and every property path a user can
// change, with a maker of that control and a name for the trace.
void ForEveryProperty(
    const std::function<void(const Maker&, const QByteArray& path, const std::string& name)>&
        check) {
  const std::vector<kvdemo::DemoComponent> demo = kvdemo::DemoComponents();
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const QString className = kvtest::ClassNameOf(*c);
    const std::unique_ptr<TControl> probe(kvtest::NewControl(*c, nullptr));
    const QByteArrayList paths = kvtest::ChangeablePropertyPaths(probe.get());
    for (const auto& [startName, setup] : StartsOf(className, demo)) {
      const Maker make = [&, setup = setup](const TRect* bounds) {
        std::unique_ptr<TControl> control(kvtest::NewControl(*c, nullptr));
        setup(*control);
        if (bounds) control->SetBoundsRect(*bounds);
        return control;
      };
      for (const QByteArray& path : paths)
        if (!Incomparable(className, path))
          check(make, path, className.toStdString() + ' ' + startName + ": " + path.toStdString());
    }
  }
}

// Timers do not run here (no event loop), so blinking, scanning and scrolling controls keep
// their first frame; the clock reads the fixed time. The fresh control takes the size the
// painted one settled to before the change: a bar snapped to whole ticks only ever shrinks.
TEST(ChangeAfterPaint, EveryPropertyShowsAsOnAFreshControl) {
  const kvtest::FixedClock clock;  // one time for both pictures of the LED clock
  ForEveryProperty([](const Maker& make, const QByteArray& path, const std::string& name) {
    const std::unique_ptr<TControl> painted = make(nullptr);
    Painted(*painted);
    const TRect settled = painted->BoundsRect();
    if (!kvtest::ChangeProperty(painted.get(), path)) return;
    const std::unique_ptr<TControl> fresh = make(&settled);
    const std::string value = CopyProperty(painted.get(), fresh.get(), path);
    SCOPED_TRACE(name + " = " + value);
    EXPECT_SAME_PIXELS(Painted(*painted), Painted(*fresh));
  });
}

// Smooth faces are costly, so more of them is kept: layers with blended edges, faces per look
// (a blink, a toggle) copied back when the look returns. Every property changed, changed back
// and changed again, with a paint after each step, at ratio 1 and 2: each picture is that of
// a control given the same values unpainted, so that nothing kept for one look shows at
// another. (Some steps do not go back: a raised minimum clamps the value for good.)
TEST(ChangeAfterPaint, SmoothLooksComeAndGoAsOnFreshControls) {
  const kvtest::FixedClock clock;
  kv::SetRenderQuality(kv::RenderQuality::Smooth);
  ForEveryProperty([](const Maker& make, const QByteArray& path, const std::string& name) {
    for (const int ratio : {1, 2}) {
      const std::unique_ptr<TControl> live = make(nullptr);
      Painted(*live, ratio);
      if (!kvtest::ChangeProperty(live.get(), path)) return;
      const std::unique_ptr<TControl> after = make(nullptr), before = make(nullptr);
      const std::string value = CopyProperty(live.get(), after.get(), path);
      SCOPED_TRACE(name + " = " + value + " at ratio " + std::to_string(ratio));
      std::vector<TControl*> given = {after.get()};
      for (TControl* next : {before.get(), after.get(), static_cast<TControl*>(nullptr)}) {
        const QImage shown = Painted(*live, ratio);
        const TRect bounds = live->BoundsRect();
        const std::unique_ptr<TControl> fresh = make(&bounds);
        for (TControl* values : given) CopyProperty(values, fresh.get(), path);
        const QImage expected = Painted(*fresh, ratio);
        // A step that moved the bounds (a bar snapping to whole ticks, an orientation turning
        // the sides) has no fresh twin of that size; the walk above covers its first change.
        if (expected.size() == shown.size()) {
          EXPECT_SAME_PIXELS(shown, expected) << "after " << given.size() << " steps";
        }
        if (!next) break;
        CopyProperty(next, live.get(), path);
        given.push_back(next);
      }
    }
  });
  kv::SetRenderQuality(kv::RenderQuality::Classic);
}

}  // namespace
