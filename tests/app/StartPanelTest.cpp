#include "_frmStart.h"

#include "KvLabelsInternal.h"
#include "KvSysUtils.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <QUrl>

#include <memory>

using kv::Bounds, kv::DT_CALCRECT, kv::DT_EXPANDTABS, kv::DT_WORDBREAK, kv::DrawText, kv::Rect;

namespace {

constexpr TColor kPanelColor = 7292981;
constexpr TColor kHeadingColor = 14267539;
constexpr TColor kHeadingShadow = 10446669;

int CountColor(const QImage& shot, const TRect& area, TColor color) {
  return kvtest::CountPixels(shot.copy(area.Left, area.Top, area.Width(), area.Height()), color);
}

}  // namespace

TEST(StartPanel, HeadingFollowsThePanelConventions) {
  TfrmStart form(nullptr);
  const TKvLabel* h = form.KvLabel10;
  EXPECT_EQ(h->Caption(), QStringLiteral("Kelvara"));
  EXPECT_EQ(h->Style(), TKvLabelStyle::lsShadow);
  EXPECT_EQ(h->ColorHighlight(), kHeadingColor);
  EXPECT_EQ(h->ColorShadow(), kHeadingShadow);
  EXPECT_TRUE(h->Transparent());
  EXPECT_TRUE(h->AutoSize());
  EXPECT_FALSE(h->ParentColor());
  EXPECT_FALSE(h->ParentFont());
  EXPECT_EQ(h->Color(), kPanelColor);
  EXPECT_EQ(h->Font()->Name(), QStringLiteral("Arial"));
  EXPECT_EQ(h->Font()->Height(), -19);
  EXPECT_EQ(h->Font()->Color(), kHeadingColor);
  EXPECT_EQ(h->Font()->Style(), TFontStyles());
  // Auto-sized to the caption once it and the font were read.
  TCanvas measure;
  measure.SetFont(h->Font());
  const TPoint text = TextSize(&measure, h->Caption());
  EXPECT_EQ(h->BoundsRect(), Bounds(13, 11, text.X + 4, text.Y + 4));
}

TEST(StartPanel, IntroductionNamesTheLibraryAndWhatItOffers) {
  TfrmStart form(nullptr);
  const TLabel* intro = form.Label1;
  EXPECT_EQ(intro->BoundsRect(), Bounds(15, 45, 416, 100));
  EXPECT_FALSE(intro->AutoSize());
  EXPECT_TRUE(intro->WordWrap());
  EXPECT_FALSE(intro->ParentFont());
  EXPECT_EQ(intro->Font()->Height(), -13);
  EXPECT_EQ(intro->Font()->Color(), clWhite);
  const QString caption = intro->Caption();
  EXPECT_GE(caption.size(), 330);
  EXPECT_LE(caption.size(), 400);
  for (const char* word : {"Kelvara", "LEDs", "scopes", "banners", "sliders", "knobs", "buttons",
                           "meters", "panels", "background"})
    EXPECT_TRUE(caption.contains(QLatin1String(word))) << word;
  // The wrapped paragraph fits its box.
  TCanvas measure;
  measure.SetFont(intro->Font());
  TRect r = Rect(0, 0, 416, 0);
  DrawText(&measure, caption, r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
  EXPECT_LE(r.Height(), 100);
}

TEST(StartPanel, WebLabelPointsAtTheMakersReservedAddress) {
  TfrmStart form(nullptr);
  const TKvWebLabel* web = form.KvWebLabel;
  EXPECT_EQ(web->BoundsRect(), Bounds(127, 155, 186, 25));
  EXPECT_EQ(web->Cursor(), 99);
  EXPECT_EQ(web->Caption(), QStringLiteral("Visit Brontel"));
  EXPECT_TRUE(web->Transparent());
  EXPECT_EQ(QUrl(web->URL()).host(), QStringLiteral("www.brontel.example"));
  for (const TFont* font : {web->FontEnter(), web->FontLeave()}) {
    EXPECT_EQ(font->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(font->Height(), -16);
    EXPECT_EQ(font->Style(), TFontStyle::fsBold | TFontStyle::fsUnderline);
  }
  EXPECT_EQ(web->FontEnter()->Color(), clLime);
  EXPECT_EQ(web->FontLeave()->Color(), clGreen);
}

TEST(StartPanel, Picture) {
  // The pointer rests away from the panel, so that the web label shows its leave look.
  QCursor::setPos(QPoint(-1000, -1000));
  kvtest::Pump();
  TfrmStart form(nullptr);
  const QImage shot = kvtest::RenderForm(&form);
  EXPECT_MATCHES_REFERENCE(shot, QStringLiteral("app/start-panel"));
  // The heading: shadowed text over the panel colour it lets through.
  const TRect heading = form.KvLabel10->BoundsRect();
  EXPECT_EQ(kvtest::PixelAt(shot, heading.Left, heading.Top), kPanelColor.Value);
  EXPECT_GT(CountColor(shot, heading, kHeadingColor), 50);
  EXPECT_GT(CountColor(shot, heading, kHeadingShadow), 20);
  // The web label, not hovered: green letters with their navy outline on the panel.
  const TRect web = form.KvWebLabel->BoundsRect();
  EXPECT_GT(CountColor(shot, web, clGreen), 50);
  EXPECT_GT(CountColor(shot, web, clNavy), 50);
  EXPECT_EQ(CountColor(shot, web, clLime), 0);
  EXPECT_GT(CountColor(shot, web, kPanelColor), 186 * 25 / 2);
  // Hovered, the letters turn lime.
  QTest::mouseMove(form.KvWebLabel, QPoint(90, 12));
  const QImage hovered = kvtest::Grab(&form);
  EXPECT_GT(CountColor(hovered, web, clLime), 50);
  EXPECT_EQ(CountColor(hovered, web, clGreen), 0);
}

TEST(StartPanel, ClickingTheWebLabelOpensTheAddress) {
  std::vector<QString> opened;
  kv::SetUrlOpenerForTesting([&](const QString& url) {
    opened.push_back(url);
    return true;
  });
  {
    TfrmStart form(nullptr);
    kvtest::ShowForm(&form, 441, 317);
    QTest::mouseMove(form.KvWebLabel, QPoint(90, 12));
    QTest::mouseClick(form.KvWebLabel, Qt::LeftButton, {}, QPoint(90, 12));
  }
  kv::SetUrlOpenerForTesting(nullptr);
  EXPECT_EQ(opened, std::vector<QString>{QStringLiteral("https://www.brontel.example/")});
}
