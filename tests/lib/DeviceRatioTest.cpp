// Every registered control drawn at device pixel ratios other than 1: finer than doubled
// pixels at 2, laid out as at 1, drawn at 2 and reduced (not enlarged from 1) at 1.5, and
// redrawn at the new ratio when the ratio changes.
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <QSet>

#include <cmath>
#include <memory>

namespace {

// A control alone on a form of its size.
struct Alone {
  TForm form{nullptr};
  std::unique_ptr<TControl> control;
  explicit Alone(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, nullptr)) {
    form.SetColor(TColor(0x406080));
    control->SetParent(&form);
    control->SetBounds(0, 0, control->Width(), control->Height());
    kvtest::ShowForm(&form, control->Width(), control->Height());
  }
};

// What the form shows, drawn at the ratio into an image of device pixels.
QImage RenderedAt(TForm& form, double ratio) {
  QImage image((QSizeF(form.size()) * ratio).toSize(), QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(0xFF00FF00u);
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

// The mean difference of the colour channels of two pictures of one size.
double MeanDifference(const QImage& a, const QImage& b) {
  int64_t sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  return double(sum) / (3.0 * a.width() * a.height());
}

// Controls whose face shows nothing but whole-pixel boxes as made (nothing finer to show),
// and the one that keeps its face at 1x.
const QSet<QString> kCoarse = {
    QStringLiteral("TKvPieGraph"),
};

TEST(DeviceRatio, AtTwoEveryControlDrawsFinerThanDoubledPixelsWhereItWasAt1x) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    if (!kvtest::TakesAnyParent(*c)) continue;
    const QString name = kvtest::ClassNameOf(*c);
    SCOPED_TRACE(name.toStdString());
    Alone a(*c);
    if (a.control->Width() < 2 || a.control->Height() < 2) continue;
    const QImage once = RenderedAt(a.form, 1), twice = RenderedAt(a.form, 2);
    ASSERT_EQ(twice.size(), once.size() * 2);
    if (!kCoarse.contains(name)) EXPECT_GT(MixedBlocks(twice), 0) << "doubled pixels";
    // Laid out as at 1x: the top left pixel of each block mostly is the 1x pixel (text and
    // curves, traced finer, may differ on their edges).
    int differing = 0;
    for (int y = 0; y < once.height(); ++y)
      for (int x = 0; x < once.width(); ++x) differing += once.pixel(x, y) != twice.pixel(2 * x, 2 * y);
    EXPECT_LE(differing, once.width() * once.height() / 6);
  }
}

TEST(DeviceRatio, AtAFractionalRatioAControlIsDrawnFinerAndReducedNotEnlarged) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    if (!kvtest::TakesAnyParent(*c)) continue;
    const QString name = kvtest::ClassNameOf(*c);
    if (kCoarse.contains(name)) continue;
    SCOPED_TRACE(name.toStdString());
    Alone a(*c);
    if (a.control->Width() < 4 || a.control->Height() < 4) continue;
    const QImage once = RenderedAt(a.form, 1), twice = RenderedAt(a.form, 2);
    const QImage fractional = RenderedAt(a.form, 1.5);
    if (MixedBlocks(twice) == 0) continue;
    const QSize size = fractional.size();
    const QImage reduced = twice.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage enlarged = once.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(MeanDifference(fractional, reduced), MeanDifference(fractional, enlarged));
  }
}

TEST(DeviceRatio, AControlRedrawsAtEachNewRatioAndBackAgain) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    if (!kvtest::TakesAnyParent(*c)) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Alone a(*c);
    const QImage first = RenderedAt(a.form, 1);
    if (RenderedAt(a.form, 1) != first) continue;  // a face that moves by itself (a clock)
    const QImage fine = RenderedAt(a.form, 2);
    EXPECT_EQ(RenderedAt(a.form, 3).size(), first.size() * 3);
    EXPECT_SAME_PIXELS(RenderedAt(a.form, 1), first);
    EXPECT_SAME_PIXELS(RenderedAt(a.form, 2), fine);
  }
}

}  // namespace
