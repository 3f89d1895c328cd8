#include "KvDigit.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLocale>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

QImage Shot(double value, int digits = 4, int decimals = 3) {
  TKvDigitGroup g(nullptr);
  g.SetDigits(digits);
  g.SetDecimals(decimals);
  g.SetValue(value);
  return kvtest::RenderControl(&g, kPanelColor);
}

// Restores the default locale when it goes.
struct LocaleScope {
  QLocale saved;
  explicit LocaleScope(const QLocale& l) { QLocale::setDefault(l); }
  ~LocaleScope() { QLocale::setDefault(saved); }
};

}  // namespace

TEST(DigitGroup, ConstructionAndPublishedProperties) {
  TKvDigitGroup g(nullptr);
  EXPECT_EQ(g.BoundsRect(), Rect(0, 0, 120, 35));
  EXPECT_EQ(g.Value(), 0.0);
  EXPECT_EQ(g.Decimals(), 3);
  EXPECT_EQ(g.Digits(), 4);
  EXPECT_EQ(g.Palette()->Low(), clGreen);
  EXPECT_EQ(g.Palette()->High(), clLime);
  EXPECT_TRUE(g.LeadingZero());
  EXPECT_EQ(g.Color(), clBlack);
  const std::vector<QByteArray> order = {
      "Value",       "Decimals",       "Digits",       "Palette", "ActiveOnly",
      "LeadingZero", "Transparent",    "OutlineColor", "Align",   "Color",
      "ParentColor", "ParentShowHint", "ShowHint",     "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvDigitGroup::staticMetaObject), order);
  EXPECT_EQ(kvtest::StreamingDefaults(TKvDigitGroup::staticMetaObject).count("Value"), 0u);
  EXPECT_EQ(g.DisplayText(), QStringLiteral("0.000"));
}

TEST(DigitGroup, TheInitialGroupShowsZeroPointZeroZeroZero) {
  const QImage shot = Shot(0);
  // Cells of 30: D = 25, t = 2. The first cell's decimal point (25, 30)-(29, 34) is lit.
  EXPECT_EQ(PixelAt(shot, 26, 31), clLime.Value);
  EXPECT_EQ(PixelAt(shot, 27, 32), clLime.Value);
  EXPECT_EQ(PixelAt(shot, 56, 31), clBlack.Value);  // the second cell has none
  // Each 0 lights its top segment and leaves the middle one dark.
  for (int cell = 0; cell < 4; ++cell) {
    EXPECT_EQ(PixelAt(shot, 30 * cell + 12, 2), clLime.Value) << cell;
    EXPECT_EQ(PixelAt(shot, 30 * cell + 12, 17), clGreen.Value) << cell;
  }
}

TEST(DigitGroup, TwelvePointFiveShowsItsLeadingDigits) {
  const QImage shot = Shot(12.5);
  EXPECT_EQ(PixelAt(shot, 12, 2), clGreen.Value);    // "1": no top
  EXPECT_EQ(PixelAt(shot, 56, 31), clLime.Value);    // "2" with its point
  EXPECT_EQ(PixelAt(shot, 26, 31), clBlack.Value);   // none after "1"
  EXPECT_EQ(PixelAt(shot, 72, 17), clLime.Value);    // "5": middle lit
  EXPECT_EQ(PixelAt(shot, 102, 17), clGreen.Value);  // "0": middle dark
  // The text is 12.500: its last 0 falls outside, so 12.50 with five cells' text looks alike.
  EXPECT_SAME_PIXELS(shot, Shot(12.5, 4, 2));
}

TEST(DigitGroup, NegativeValuesShowTheirAbsoluteValueInEveryLocale) {
  EXPECT_SAME_PIXELS(Shot(-3.25), Shot(3.25));
  EXPECT_SAME_PIXELS(Shot(-0.0), Shot(0));
  const QImage plain = Shot(12.5);
  for (const char* name : {"de_DE", "ar_EG", "hi_IN"}) {
    LocaleScope scope{QLocale(QString::fromLatin1(name))};
    EXPECT_SAME_PIXELS(Shot(12.5), plain) << name;
  }
}

TEST(DigitGroup, WithoutDecimalsTheLastDigitStaysOnTheDisplay) {
  TKvDigitGroup g(nullptr);
  g.SetDecimals(0);
  g.SetValue(7);
  EXPECT_EQ(g.DisplayText(), QStringLiteral("0007"));
  g.SetLeadingZero(false);
  EXPECT_EQ(g.DisplayText(), QStringLiteral("   7"));
  const QImage shot = kvtest::RenderControl(&g, kPanelColor);
  EXPECT_EQ(PixelAt(shot, 12, 2), clBlack.Value);  // blank cell
  EXPECT_EQ(PixelAt(shot, 102, 2), clLime.Value);  // "7": top lit
}

TEST(DigitGroup, RangesAreRefused) {
  TKvDigitGroup g(nullptr);
  for (int v : {0, -1, INT_MAX, 1025}) g.SetDigits(v);
  EXPECT_EQ(g.Digits(), 4);
  for (int v : {-1, INT_MAX, 1025}) g.SetDecimals(v);
  EXPECT_EQ(g.Decimals(), 3);
  int changes = 0;
  QObject::connect(&g, &TKvDigitGroup::OnChange, [&] { ++changes; });
  g.SetValue(std::numeric_limits<double>::quiet_NaN());
  g.SetValue(std::numeric_limits<double>::infinity());
  g.SetValue(-std::numeric_limits<double>::infinity());
  g.SetValue(0);
  EXPECT_EQ(g.Value(), 0.0);
  EXPECT_EQ(changes, 0);
  g.SetValue(0.125);
  EXPECT_EQ(changes, 1);
}

TEST(DigitGroup, ManyCellsAndTheWidestNumbersPaintQuickly) {
  TKvDigitGroup g(nullptr);
  g.SetDigits(1024);  // cells of width 0
  g.SetDecimals(1024);
  g.SetValue(std::numeric_limits<double>::max());
  QElapsedTimer clock;
  clock.start();
  kvtest::RenderControl(&g, kPanelColor);
  g.SetDigits(4);
  kvtest::RenderControl(&g, kPanelColor);
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_LE(g.DisplayText().size(), 309 + 1 + 1024);
}

TEST(DigitGroup, ActiveOnlyLeavesUnlitSegmentsOut) {
  TKvDigitGroup g(nullptr);
  g.SetActiveOnly(true);
  g.SetValue(1);
  const QImage shot = kvtest::RenderControl(&g, kPanelColor);
  EXPECT_EQ(kvtest::CountPixels(shot, clGreen.Value), 0);
  EXPECT_GT(kvtest::CountPixels(shot, clLime.Value), 0);
}

TEST(DigitGroup, TheValueIsAlwaysStored) {
  TForm form(nullptr);
  auto* g = new TKvDigitGroup(&form);
  g->SetName(QStringLiteral("G"));
  const QByteArray text = kv::WriteComponent(&form);
  EXPECT_TRUE(text.contains("Value = 0")) << text.constData();
  g->SetValue(-3.25);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  EXPECT_EQ(dynamic_cast<TKvDigitGroup*>(copy.FindComponent(QStringLiteral("G")))->Value(), -3.25);
}

TEST(DigitGroup, ReferencePictures) {
  EXPECT_MATCHES_REFERENCE(Shot(0), "lib/digitgroup-initial");
  EXPECT_MATCHES_REFERENCE(Shot(12.5), "lib/digitgroup-12.5");
  TKvDigitGroup g(nullptr);
  g.SetActiveOnly(true);
  g.SetValue(12.5);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&g, kPanelColor), "lib/digitgroup-activeonly");
  TKvDigitGroup demo(nullptr);
  demo.SetBounds(305, 140, 120, 35);
  demo.SetTransparent(true);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor), "lib/digitgroup-demo");
}
