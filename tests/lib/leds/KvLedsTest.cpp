#include "KvLeds.h"

#include "DemoSettings.h"
#include "Forms.h"
#include "KvSysUtils.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>

#include <climits>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

void ApplyDemoSettings(TKvUserLed& led) { kvdemo::ApplyDemoSettings(led, "frmLeds", "KvUserLed"); }

}  // namespace

TEST(UserLed, ConstructionAndPublishedProperties) {
  TKvUserLed led(nullptr);
  EXPECT_EQ(led.BoundsRect(), Rect(0, 0, 20, 10));
  EXPECT_EQ(led.Bevel()->InnerStyle(), TKvBevelStyle::bsNone);
  EXPECT_EQ(led.Bevel()->InnerHighlight(), clLime);
  EXPECT_EQ(led.Bevel()->InnerShadow(), clGreen);
  EXPECT_EQ(led.PaletteEx()->Low1(), clMaroon);
  EXPECT_EQ(led.PaletteEx()->High1(), clRed);
  EXPECT_EQ(led.PaletteEx()->Low2(), clBlack);
  EXPECT_EQ(led.PaletteEx()->High2(), clBlack);
  EXPECT_FALSE(led.Active());
  EXPECT_EQ(led.OutlineWidth(), 0);
  const std::vector<QByteArray> order = {"Bevel",        "PaletteEx", "Active", "OutlineColor",
                                         "OutlineWidth", "DrawStyle", "Align",  "ParentShowHint",
                                         "ShowHint",     "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvUserLed::staticMetaObject), order);
}

TEST(UserLed, TheDemoFaceIsABandedGradientInsideTheBevel) {
  TKvUserLed led(nullptr);
  ApplyDemoSettings(led);
  QImage shot = kvtest::RenderControl(&led, kPanelColor);
  // The face is (3, 3)-(88, 33): 30 rows from the first colour toward black.
  EXPECT_EQ(kvtest::InkBounds(shot, 128), Rect(3, 3, 88, 4));
  EXPECT_EQ(PixelAt(shot, 40, 32), 5);
  EXPECT_EQ(PixelAt(shot, 2, 10), ColorToRGBValue(clBtnFace).Value);  // the inner space
  led.SetActive(true);
  shot = kvtest::RenderControl(&led, kPanelColor);
  EXPECT_EQ(kvtest::InkBounds(shot, 255), Rect(3, 3, 88, 4));
  EXPECT_EQ(PixelAt(shot, 40, 32), 9);
}

TEST(UserLed, ActiveRepaintsThenFiresOnChangeOnlyWhenItChanges) {
  TKvUserLed led(nullptr);
  int changes = 0;
  QObject::connect(&led, &TKvUserLed::OnChange, [&] { ++changes; });
  led.SetActive(false);
  EXPECT_EQ(changes, 0);
  led.SetActive(true);
  led.SetActive(true);
  EXPECT_EQ(changes, 1);
  QPointer<TKvUserLed> doomed(new TKvUserLed(nullptr));
  QObject::connect(doomed, &TKvUserLed::OnChange, [&] { delete doomed.data(); });
  doomed->SetActive(true);
  // Retired under the setter that fired the event, gone once the event loop runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(doomed.isNull());
}

TEST(UserLed, OutlinesOfAnyWidthAndNone) {
  TKvUserLed led(nullptr);
  led.SetBounds(0, 0, 30, 20);
  led.SetOutlineColor(clBlue);
  led.SetOutlineWidth(INT_MAX);
  QElapsedTimer clock;
  clock.start();
  QImage shot = kvtest::RenderControl(&led, kPanelColor);
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_EQ(kvtest::CountPixels(shot, clBlue.Value), 30 * 20);
  led.SetOutlineWidth(-1);
  shot = kvtest::RenderControl(&led, kPanelColor);
  EXPECT_EQ(kvtest::CountPixels(shot, clBlue.Value), 0);
  led.SetOutlineWidth(2);
  shot = kvtest::RenderControl(&led, kPanelColor);
  EXPECT_EQ(PixelAt(shot, 1, 1), clBlue.Value);
  EXPECT_NE(PixelAt(shot, 2, 2), clBlue.Value);
}

TEST(UserLed, OwnerDrawShowsTheColourThenTheHandlersDrawing) {
  TKvUserLed led(nullptr);
  led.SetDrawStyle(TKvDrawStyle::dsOwnerDraw);
  led.SetColor(clNavy);
  QImage shot = kvtest::RenderControl(&led, kPanelColor);
  EXPECT_EQ(kvtest::CountPixels(shot, clNavy.Value), 20 * 10);
  TRect given;
  QObject::connect(&led, &TKvUserLed::OnDraw, [&](TObject*, TCanvas* c, const TRect& r) {
    given = r;
    c->Brush()->SetColor(clYellow);
    c->FillRect(Rect(0, 0, 5, 5));
  });
  shot = kvtest::RenderControl(&led, kPanelColor);
  EXPECT_EQ(given, Rect(0, 0, 20, 10));
  EXPECT_EQ(kvtest::CountPixels(shot, clYellow.Value), 25);
  EXPECT_EQ(kvtest::CountPixels(shot, clNavy.Value), 200 - 25);
}

TEST(UserLed, ReferencePictures) {
  TKvUserLed initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, kPanelColor), "lib/userled-initial");
  TKvUserLed led(nullptr);
  ApplyDemoSettings(led);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&led, kPanelColor), "lib/userled-off");
  led.SetActive(true);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&led, kPanelColor), "lib/userled-on");
  led.SetDrawStyle(TKvDrawStyle::dsOwnerDraw);
  led.SetColor(clTeal);
  QObject::connect(&led, &TKvUserLed::OnDraw, [](TObject*, TCanvas* c, const TRect& r) {
    c->Brush()->SetColor(clYellow);
    c->Ellipse(r);
  });
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&led, kPanelColor), "lib/userled-ownerdraw");
}
