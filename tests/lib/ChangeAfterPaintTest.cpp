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

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kPanelColor = 7292981;

// The control painted off-screen over the panel's colour, which a transparent one captures;
// again when the paint settled its size (a bar snapping to whole ticks).
QImage Painted(TControl& control) {
  const auto paint = [&] {
    QImage picture(control.Width(), control.Height(), QImage::Format_RGB32);
    if (picture.isNull()) return picture;
    picture.fill(kv::ColorToPixel(TColor(kPanelColor)));
    control.render(&picture);
    return picture;
  };
  const QImage picture = paint();
  return picture.size() == QSize(control.Width(), control.Height()) ? picture : paint();
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

// Timers do not run here (no event loop), so blinking, scanning and scrolling controls keep
// their first frame; the clock reads the fixed time. The fresh control takes the size the
// painted one settled to before the change: a bar snapped to whole ticks only ever shrinks.
TEST(ChangeAfterPaint, EveryPropertyShowsAsOnAFreshControl) {
  const kvtest::FixedClock clock;  // one time for both pictures of the LED clock
  const std::vector<kvdemo::DemoComponent> demo = kvdemo::DemoComponents();
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const QString className = kvtest::ClassNameOf(*c);
    const std::unique_ptr<TControl> probe(kvtest::NewControl(*c, nullptr));
    const QByteArrayList paths = kvtest::ChangeablePropertyPaths(probe.get());
    for (const auto& [startName, setup] : StartsOf(className, demo)) {
      for (const QByteArray& path : paths) {
        if (Incomparable(className, path)) continue;
        const std::unique_ptr<TControl> painted(kvtest::NewControl(*c, nullptr));
        setup(*painted);
        Painted(*painted);
        const TRect settled = painted->BoundsRect();
        if (!kvtest::ChangeProperty(painted.get(), path)) continue;
        const std::unique_ptr<TControl> fresh(kvtest::NewControl(*c, nullptr));
        setup(*fresh);
        fresh->SetBoundsRect(settled);
        const std::string value = CopyProperty(painted.get(), fresh.get(), path);
        SCOPED_TRACE(className.toStdString() + ' ' + startName + ": " + path.toStdString() +
                     " = " + value);
        EXPECT_SAME_PIXELS(Painted(*painted), Painted(*fresh));
      }
    }
  }
}

}  // namespace
