// A property changed on a painted control shows as on a control built with it: whatever a
// control keeps from one paint to the next (static layers, face bases, tapes, strips, cells)
// must be keyed by every input it was drawn from. The walk covers every registered control and
// every property a user can change, the style objects' own included, so that later controls
// and later kept parts are covered without cases of their own.
#include "Controls.h"
#include "FormDescriptionsModel.h"
#include "Properties.h"
#include "RegisteredControls.h"
#include "Pixels.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <QImage>

#include <memory>

namespace {

constexpr int32_t kPanelColor = 7292981;

// The LED clock shows the time it reads: one fixed time for both pictures.
TDateTime FixedNow() { return kv::EncodeDate(2024, 3, 15) + kv::EncodeTime(20, 12, 55, 0); }

struct FixedClock {
  FixedClock() { kv::SetClockForTesting(&FixedNow); }
  ~FixedClock() { kv::SetClockForTesting(nullptr); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
};

// The control painted off-screen over the panel's colour, which a transparent one captures.
QImage Painted(TControl& control) {
  QImage picture(control.Width(), control.Height(), QImage::Format_RGB32);
  picture.fill(kv::ColorToPixel(TColor(kPanelColor)));
  control.render(&picture);
  return picture;
}

// Gives Target's property at Path the value Source's holds, as description text for the trace.
std::string CopyProperty(QObject* source, QObject* target, const QByteArray& path) {
  const auto [holder, property] = kvtest::PropertyAt(source, path);
  const QVariant value = property.read(holder);
  property.write(kvtest::PropertyAt(target, path).holder, value);
  const kv::form::PropertyKind kind = kv::form::KindOf(property, holder);
  return kv::form::IsSimpleKind(kind) ? kv::form::FormatValue(property, kind, value).toStdString()
                                      : "a picture";
}

// Timers do not run here (no event loop), so blinking, scanning and scrolling controls keep
// their first frame; the clock reads the fixed time. Nothing needs to be skipped.
TEST(ChangeAfterPaint, EveryPropertyShowsAsOnAFreshControl) {
  const FixedClock clock;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const QString className = kvtest::ClassNameOf(*c);
    const std::unique_ptr<TControl> probe(kvtest::NewControl(*c, nullptr));
    for (const QByteArray& path : kvtest::ChangeablePropertyPaths(probe.get())) {
      const std::unique_ptr<TControl> painted(kvtest::NewControl(*c, nullptr));
      Painted(*painted);
      if (!kvtest::ChangeProperty(painted.get(), path)) continue;
      const std::unique_ptr<TControl> fresh(kvtest::NewControl(*c, nullptr));
      const std::string value = CopyProperty(painted.get(), fresh.get(), path);
      SCOPED_TRACE(className.toStdString() + '.' + path.toStdString() + " = " + value);
      EXPECT_SAME_PIXELS(Painted(*painted), Painted(*fresh));
    }
  }
}

}  // namespace
