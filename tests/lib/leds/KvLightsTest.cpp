#include "KvLights.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QPointer>

#include <climits>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

void ApplyDemoSettings(TKvLights& l) { kvdemo::ApplyDemoSettings(l, "frmLeds", "KvLights"); }

// The strip cell of lamp K (green 0, yellow 1, red 2) as drawn over Background.
QImage Cell(const char* resource, int k, int32_t background) {
  TBitmap strip;
  strip.LoadFromResourceName(QString::fromLatin1(resource));
  const int w = strip.Width() / 3, h = strip.Height();
  return kvtest::PictureOf(w, h, [&](int x, int y) {
    const int32_t p = PixelAt(strip.Image(), k * w + x, y);
    return p == clBlack.Value ? background : p;
  });
}

QImage Part(const QImage& shot, int x, int y, int w, int h) { return shot.copy(x, y, w, h); }

}  // namespace

TEST(Lights, ConstructionAndPublishedProperties) {
  TKvLights l(nullptr);
  EXPECT_EQ(l.BoundsRect(), Rect(0, 0, 80, 45));
  EXPECT_EQ(l.LedState(), TKvLightsStates());
  EXPECT_EQ(l.LedsVisible(), TKvLights::kAllLamps);
  EXPECT_EQ(l.Spacing(), 5);
  EXPECT_EQ(l.LedType(), TKvLightsType::ltGlassRect);
  EXPECT_EQ(l.Color(), clBlack);
  EXPECT_FALSE(l.Transparent());
  const std::vector<QByteArray> order = {
      "LedState",       "Spacing",     "Order",  "Orientation", "LedsVisible",
      "LedType",        "Transparent", "Align",  "Color",       "ParentColor",
      "ParentShowHint", "ShowHint",    "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvLights::staticMetaObject), order);
}

TEST(Lights, InitialRectangularLampsStartAtNineNineteen) {
  TKvLights l(nullptr);
  EXPECT_EQ(l.FirstLampOrigin(), TPoint(9, 19));
  const QImage shot = kvtest::RenderControl(&l, kPanelColor);
  for (int k = 0; k < 3; ++k)
    EXPECT_SAME_PIXELS(Part(shot, 9 + 22 * k, 19, 17, 7),
                       Cell("LIGHTS_RECT_OFF", k, clBlack.Value));
}

TEST(Lights, DemoRoundedLampsStartAtFifteenElevenAndWithoutYellowAtTwentyFour) {
  TKvLights l(nullptr);
  ApplyDemoSettings(l);
  EXPECT_EQ(l.FirstLampOrigin(), TPoint(15, 11));
  QImage shot = kvtest::RenderControl(&l, kPanelColor);
  EXPECT_SAME_PIXELS(Part(shot, 15, 11, 13, 13), Cell("LIGHTS_RND_ON", 0, kPanelColor));
  EXPECT_SAME_PIXELS(Part(shot, 33, 11, 13, 13), Cell("LIGHTS_RND_OFF", 1, kPanelColor));
  EXPECT_SAME_PIXELS(Part(shot, 51, 11, 13, 13), Cell("LIGHTS_RND_OFF", 2, kPanelColor));
  l.SetLedsVisible(TKvLightsState::lsGreen | TKvLightsState::lsRed);
  EXPECT_EQ(l.FirstLampOrigin(), TPoint(24, 11));
  shot = kvtest::RenderControl(&l, kPanelColor);
  EXPECT_SAME_PIXELS(Part(shot, 24, 11, 13, 13), Cell("LIGHTS_RND_ON", 0, kPanelColor));
  EXPECT_SAME_PIXELS(Part(shot, 42, 11, 13, 13), Cell("LIGHTS_RND_OFF", 2, kPanelColor));
  // Red to green, stacked: red on top.
  TKvLights v(nullptr);
  ApplyDemoSettings(v);
  v.SetOrder(TKvLightsOrder::loRedToGreen);
  v.SetOrientation(TKvOrientation::voVertical);
  v.SetBounds(0, 0, 20, 60);
  shot = kvtest::RenderControl(&v, kPanelColor);
  EXPECT_EQ(v.FirstLampOrigin(), TPoint(3, (60 - 49) / 2));
  EXPECT_SAME_PIXELS(Part(shot, 3, 5, 13, 13), Cell("LIGHTS_RND_OFF", 2, kPanelColor));
  EXPECT_SAME_PIXELS(Part(shot, 3, 41, 13, 13), Cell("LIGHTS_RND_ON", 0, kPanelColor));
}

TEST(Lights, OnChangeFollowsEveryDifferentStateAndOnlyThoseOfTheThreeLamps) {
  TKvLights l(nullptr);
  int changes = 0;
  QObject::connect(&l, &TKvLights::OnChange, [&] { ++changes; });
  l.SetLedState(TKvLightsState::lsGreen);
  l.SetLedState(TKvLightsState::lsGreen);
  EXPECT_EQ(changes, 1);
  l.SetLedsVisible(TKvLightsState::lsGreen);
  l.SetLedState(TKvLightsState::lsGreen | TKvLightsState::lsRed);  // a hidden lamp
  EXPECT_EQ(changes, 2);
  l.SetLedState(TKvLightsStates::fromInt(8));
  l.SetLedsVisible(TKvLightsStates::fromInt(-1));
  EXPECT_EQ(l.LedState(), TKvLightsState::lsGreen | TKvLightsState::lsRed);
  EXPECT_EQ(l.LedsVisible(), TKvLightsState::lsGreen);
  EXPECT_EQ(changes, 2);
  l.SetLedType(TKvLightsType(9));
  EXPECT_EQ(l.LedType(), TKvLightsType::ltGlassRect);
}

TEST(Lights, HugeSpacingsPaint) {
  TKvLights l(nullptr);
  l.SetLedState(TKvLights::kAllLamps);
  for (int spacing : {INT_MAX, INT_MIN}) {
    l.SetSpacing(spacing);
    for (auto o : {TKvOrientation::voHorizontal, TKvOrientation::voVertical}) {
      l.SetOrientation(o);
      kvtest::RenderControl(&l, kPanelColor);
    }
  }
}

TEST(Lights, DescriptionsKeepTheSets) {
  TForm form(nullptr);
  auto* l = new TKvLights(&form);
  l->SetName(QStringLiteral("L"));
  l->SetLedState(TKvLightsState::lsYellow);
  l->SetLedsVisible(TKvLightsState::lsGreen | TKvLightsState::lsRed);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* c = dynamic_cast<TKvLights*>(copy.FindComponent(QStringLiteral("L")));
  EXPECT_EQ(c->LedState(), TKvLightsState::lsYellow);
  EXPECT_EQ(c->LedsVisible(), TKvLightsState::lsGreen | TKvLightsState::lsRed);
}

TEST(Lights, ReferencePictures) {
  TKvLights initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, kPanelColor), "lib/lights-initial");
  TKvLights l(nullptr);
  ApplyDemoSettings(l);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&l, kPanelColor), "lib/lights-demo");
  const char* names[] = {"rounded", "rect", "square", "diamond"};
  l.SetTransparent(false);
  l.SetLedState(TKvLightsState::lsGreen | TKvLightsState::lsRed);
  for (int t = 0; t < 4; ++t) {
    l.SetLedType(TKvLightsType(t));
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&l, kPanelColor),
                             QStringLiteral("lib/lights-%1").arg(names[t]));
  }
  l.SetOrder(TKvLightsOrder::loRedToGreen);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&l, kPanelColor), "lib/lights-redtogreen");
  l.SetOrientation(TKvOrientation::voVertical);
  l.SetBounds(0, 0, 30, 60);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&l, kPanelColor), "lib/lights-vertical");
}
