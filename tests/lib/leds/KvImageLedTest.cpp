#include "KvImageLed.h"

#include "DemoSettings.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPointer>

#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

void ApplyDemoSettings(TKvImageLed& l) { kvdemo::ApplyDemoSettings(l, "frmLeds", "KvImageLed"); }

template <class F>
bool PumpUntil(F done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2000) kvtest::Pump(5);
  return done();
}

// The face as the rules give it, from the untinted resource: grey becomes Low, silver High,
// black leaves the background; inverted, the field's colour exclusive-or the tinted pixel.
QImage ExpectedFace(const char* resource, int width, int height, bool active, bool inverted,
                    TColor background) {
  TBitmap raw;
  raw.LoadFromResourceName(QString::fromLatin1(resource));
  const int w = raw.Width() / 2, h = raw.Height();
  const int x0 = (width - w) / 2, y0 = (height - h) / 2;
  const int32_t field = active ? clLime.Value : clGreen.Value;
  return kvtest::PictureOf(width, height, [&](int x, int y) {
    const int sx = x - x0, sy = y - y0;
    int32_t tinted = -1;
    if (sx >= 0 && sx < w && sy >= 0 && sy < h) {
      tinted = PixelAt(raw.Image(), sx + (active ? w : 0), sy);
      if (tinted == clGray.Value) tinted = clGreen.Value;
      else if (tinted == clSilver.Value) tinted = clLime.Value;
    }
    if (inverted) return tinted < 0 ? field : field ^ tinted;
    return tinted < 0 || tinted == clBlack.Value ? int32_t(background) : tinted;
  });
}

}  // namespace

TEST(ImageLed, ConstructionAndPublishedProperties) {
  TKvImageLed l(nullptr);
  EXPECT_EQ(l.BoundsRect(), Rect(0, 0, 40, 40));
  EXPECT_TRUE(l.Threaded());
  EXPECT_FALSE(l.Blink());
  EXPECT_FALSE(l.Active());
  EXPECT_EQ(l.ImageType(), TKvImageType::itSound);
  EXPECT_EQ(l.Palette()->Low(), clGreen);
  EXPECT_EQ(l.Palette()->High(), clLime);
  EXPECT_EQ(l.TimeInterval(), 1000);
  EXPECT_FALSE(l.Inverted());
  EXPECT_EQ(l.Color(), clBlack);
  EXPECT_EQ(l.Picture()->Width(), 44);
  EXPECT_EQ(l.Picture()->Height(), 22);
  const std::vector<QByteArray> order = {
      "Threaded",     "Blink",       "Active",         "ImageType", "Palette",
      "TimeInterval", "Inverted",    "Transparent",    "Align",     "Color",
      "Hint",         "ParentColor", "ParentShowHint", "ShowHint",  "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvImageLed::staticMetaObject), order);
  EXPECT_EQ(kvtest::StreamingDefaults(TKvImageLed::staticMetaObject).count("Threaded"), 0u);
  l.SetImageType(TKvImageType(12));
  l.SetImageType(TKvImageType(-1));
  EXPECT_EQ(l.ImageType(), TKvImageType::itSound);
}

TEST(ImageLed, TheCellIsCentredAndTintedAndItsBlackLetsTheBackgroundThrough) {
  TKvImageLed l(nullptr);
  l.SetColor(clNavy);
  EXPECT_SAME_PIXELS(kvtest::RenderControl(&l, kPanelColor),
                     ExpectedFace("IT_SOUND", 40, 40, false, false, clNavy));
  l.SetActive(true);
  EXPECT_SAME_PIXELS(kvtest::RenderControl(&l, kPanelColor),
                     ExpectedFace("IT_SOUND", 40, 40, true, false, clNavy));
  // Smaller than a cell: centred at (-6, -6) and clipped.
  l.SetBounds(0, 0, 10, 10);
  EXPECT_SAME_PIXELS(kvtest::RenderControl(&l, kPanelColor),
                     ExpectedFace("IT_SOUND", 10, 10, true, false, clNavy));
}

TEST(ImageLed, InvertedCombinesTheCellIntoAFieldOfTheStateColour) {
  TKvImageLed l(nullptr);
  l.SetImageType(TKvImageType::itCD);
  l.SetInverted(true);
  EXPECT_SAME_PIXELS(kvtest::RenderControl(&l, kPanelColor),
                     ExpectedFace("IT_CD", 40, 40, false, true, clBlack));
  l.SetActive(true);
  EXPECT_SAME_PIXELS(kvtest::RenderControl(&l, kPanelColor),
                     ExpectedFace("IT_CD", 40, 40, true, true, clBlack));
}

TEST(ImageLed, ActiveFiresOnChangeAfterTheRepaintOnlyOnAChange) {
  TKvImageLed l(nullptr);
  int changes = 0;
  QObject::connect(&l, &TKvImageLed::OnChange, [&] { ++changes; });
  l.SetActive(false);
  EXPECT_EQ(changes, 0);
  l.SetActive(true);
  l.SetActive(true);
  EXPECT_EQ(changes, 1);
  // Switching blinking on turns the LED off first, with its event; off again keeps Active.
  l.SetTimeInterval(-1);
  l.SetBlink(true);
  EXPECT_FALSE(l.Active());
  EXPECT_EQ(changes, 2);
  l.SetActive(true);
  l.SetBlink(false);
  EXPECT_TRUE(l.Active());
  EXPECT_EQ(l.TimeInterval(), -1);
}

TEST(ImageLed, BlinkingToggles) {
  TKvImageLed l(nullptr);
  l.SetTimeInterval(500);
  int changes = 0;
  QObject::connect(&l, &TKvImageLed::OnChange, [&] { ++changes; });
  l.SetBlink(true);
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 1200) kvtest::Pump(10);
  // Two ticks a second; a loaded machine may deliver one late.
  EXPECT_GE(changes, 1);
  EXPECT_LE(changes, 3);
  l.SetBlink(false);
}

TEST(ImageLed, AnOnChangeHandlerMayFreeTheLed) {
  for (bool threaded : {true, false}) {
    auto* l = new TKvImageLed(nullptr);
    l->SetThreaded(threaded);
    l->SetTimeInterval(1);
    QPointer<TKvImageLed> alive(l);
    int changes = 0;
    QObject::connect(l, &TKvImageLed::OnChange, [&] {
      if (++changes == 3) delete l;
    });
    l->SetBlink(true);
    EXPECT_TRUE(PumpUntil([&] { return alive.isNull(); })) << threaded;
    kvtest::Pump(20);
  }
  // Freed by the event of switching blinking on.
  auto* l = new TKvImageLed(nullptr);
  l->SetActive(true);
  QPointer<TKvImageLed> alive(l);
  QObject::connect(l, &TKvImageLed::OnChange, [&] { delete l; });
  l->SetBlink(true);
  // Retired under the setter that fired the event, gone once the event loop runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
  kvtest::Pump(20);
}

// ---------------------------------------------------------------------------
// Reference pictures

TEST(ImageLed, ReferenceDemoAndInitialSettings) {
  TKvImageLed demo(nullptr);
  ApplyDemoSettings(demo);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor, 4), "lib/imageled-demo");
  TKvImageLed initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, clWhite, 4), "lib/imageled-initial");
}

TEST(ImageLed, ReferenceEverySymbolOffOnAndInverted) {
  // One row per symbol: off, on, inverted off, inverted on.
  QImage sheet(4 * 40, 12 * 40, QImage::Format_RGB32);
  QPainter painter(&sheet);
  for (int t = 0; t < 12; ++t)
    for (int k = 0; k < 4; ++k) {
      TKvImageLed l(nullptr);
      l.SetImageType(TKvImageType(t));
      l.SetActive(k % 2 == 1);
      l.SetInverted(k >= 2);
      painter.drawImage(k * 40, t * 40, kvtest::RenderControl(&l, kPanelColor));
    }
  painter.end();
  EXPECT_MATCHES_REFERENCE(sheet, "lib/imageled-symbols");
}
