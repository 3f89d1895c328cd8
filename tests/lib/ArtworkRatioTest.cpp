// Controls that draw built-in artwork, painted at one ratio and then at another (as when the
// window moves to a screen of another ratio): at 2 they draw their 2x artwork, finer than
// doubled pixels, and back at 1 exactly what they drew at 1 before.
#include "Forms.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSet>

#include <memory>

namespace {

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

// Aligned 2 x 2 blocks whose pixels are not all one colour.
int MixedBlocks(const QImage& image) {
  int mixed = 0;
  for (int y = 0; y + 1 < image.height(); y += 2)
    for (int x = 0; x + 1 < image.width(); x += 2) {
      const QRgb a = image.pixel(x, y);
      mixed += a != image.pixel(x + 1, y) || a != image.pixel(x, y + 1) ||
                       a != image.pixel(x + 1, y + 1)
                   ? 1
                   : 0;
    }
  return mixed;
}

TEST(ArtworkRatio, AControlPaintedAtOneThenTwoDrawsItsTwoTimesArtworkAndComesBack) {
  QSet<QString> seen;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const QString name = kvtest::ClassNameOf(*c);
    if (!kArtworkControls.contains(name)) continue;
    seen.insert(name);
    SCOPED_TRACE(name.toStdString());
    TForm form(nullptr);
    std::unique_ptr<TControl> control(kvtest::NewControl(*c, nullptr));
    control->SetParent(&form);
    control->SetBounds(0, 0, control->Width(), control->Height());
    kvtest::ShowForm(&form, control->Width(), control->Height());
    const QImage one = PaintedAt(form, 1);
    EXPECT_EQ(MixedBlocks(one.scaled(one.size() * 2)), 0);
    const QImage two = PaintedAt(form, 2);
    ASSERT_EQ(two.size(), one.size() * 2);
    EXPECT_GT(MixedBlocks(two), 0) << "the artwork is 1x doubled";
    EXPECT_EQ(PaintedAt(form, 1), one);
  }
  EXPECT_EQ(seen, kArtworkControls);
}

}  // namespace
