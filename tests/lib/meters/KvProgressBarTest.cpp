#include "KvProgressBar.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "KvSysUtils.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <climits>
#include <string>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

constexpr int32_t Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

// The demo's bar: a lowered one-pixel bevel without an inner ring, as the initial one.
void ApplyDemoSettings(TKvProgressBar& p) {
  kvdemo::ApplyDemoSettings(p, "frmLeds", "KvProgressBar");
}

class LoggingBar : public TKvProgressBar {
public:
  using TKvProgressBar::TKvProgressBar;
  std::vector<std::string> log;

protected:
  void Paint() override {
    TKvProgressBar::Paint();
    log.push_back("paint");
  }
};

QImage Shot(TKvProgressBar& p) { return kvtest::RenderControl(&p, kPanelColor); }

bool Lit(const QImage& shot, int x, int y) {
  const int32_t c = PixelAt(shot, x, y);
  return c != clBlack.Value && c != -1;
}

// The first column of every run of lit pixels along row Y, and the last.
std::vector<std::pair<int, int>> Blocks(const QImage& shot, int y) {
  std::vector<std::pair<int, int>> runs;
  for (int x = 0; x < shot.width(); ++x) {
    if (!Lit(shot, x, y) || x == 0 || x == shot.width() - 1) continue;
    if (!runs.empty() && runs.back().second == x - 1) runs.back().second = x;
    else runs.push_back({x, x});
  }
  return runs;
}

// Runs of lit rows along column X.
std::vector<std::pair<int, int>> VerticalBlocks(const QImage& shot, int x) {
  std::vector<std::pair<int, int>> runs;
  for (int y = 1; y < shot.height() - 1; ++y) {
    if (!Lit(shot, x, y)) continue;
    if (!runs.empty() && runs.back().second == y - 1) runs.back().second = y;
    else runs.push_back({y, y});
  }
  return runs;
}

// What a bar with nothing filled shows: the clear and the bevel.
QImage ClearAndBevel(const TKvProgressBar& p) {
  kvtest::Picture expected(p.Width(), p.Height(), p.Color());
  TRect r = Rect(0, 0, p.Width(), p.Height());
  p.Bevel()->Paint(expected.c, r);
  return expected.Image();
}

}  // namespace

TEST(ProgressBar, ConstructionAndPublishedProperties) {
  TKvProgressBar p(nullptr);
  EXPECT_EQ(p.BoundsRect(), Rect(0, 0, 200, 16));
  EXPECT_EQ(p.MaxValue(), 100);
  EXPECT_EQ(p.MinValue(), 0);
  EXPECT_EQ(p.Position(), 100);
  EXPECT_EQ(p.StartColor(), clNavy);
  EXPECT_EQ(p.EndColor(), clAqua);
  EXPECT_EQ(p.FillType(), TKvProgressBarFill::pfGradient);
  EXPECT_EQ(p.Color(), clBlack);
  EXPECT_EQ(p.Bevel()->InnerStyle(), TKvBevelStyle::bsNone);
  EXPECT_EQ(p.Bevel()->OuterStyle(), TKvBevelStyle::bsLowered);
  const std::vector<QByteArray> order = {
      "Bevel",  "MaxValue",    "MinValue",    "Position",       "StartColor", "EndColor",
      "Smooth", "Orientation", "Step",        "Bitmap",         "FillType",   "Align",
      "Color",  "Hint",        "ParentColor", "ParentShowHint", "ShowHint",   "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvProgressBar::staticMetaObject), order);
}

TEST(ProgressBar, TheFullInitialBarHas25BlocksTheLastCut) {
  TKvProgressBar p(nullptr);
  const QImage shot = Shot(p);
  const auto blocks = Blocks(shot, 2);
  ASSERT_EQ(blocks.size(), 25u);
  for (size_t i = 0; i + 1 < blocks.size(); ++i)
    EXPECT_EQ(blocks[i], std::make_pair(2 + 8 * int(i), 7 + 8 * int(i))) << i;
  EXPECT_EQ(blocks.back(), std::make_pair(194, 197));
  EXPECT_EQ(VerticalBlocks(shot, 3), (std::vector<std::pair<int, int>>{{2, 13}}));
  // The gradient runs from navy at the left to aqua at the right.
  // The gradient runs from navy at the left to aqua at the right, one band per column: the
  // first block starts at column 1 of the fill picture.
  EXPECT_EQ(PixelAt(shot, 2, 5), Rgb(0, 1, 129));
  EXPECT_EQ(PixelAt(shot, 197, 5), Rgb(0, 252, 254));
  EXPECT_EQ(PixelAt(shot, 8, 5), clBlack.Value);
  EXPECT_EQ(PixelAt(shot, 198, 5), clBlack.Value);
}

TEST(ProgressBar, PositionsDrawWholeBlocksOnceTheFillReachesTheirStart) {
  TKvProgressBar p(nullptr);
  p.SetPosition(50);
  auto blocks = Blocks(Shot(p), 5);
  ASSERT_EQ(blocks.size(), 13u);
  EXPECT_EQ(blocks.back(), std::make_pair(98, 103));
  p.SetPosition(10);
  EXPECT_EQ(Blocks(Shot(p), 5).size(), 3u);
  p.SetPosition(5);
  EXPECT_EQ(Blocks(Shot(p), 5).size(), 1u);
  p.SetPosition(p.MinValue());
  EXPECT_SAME_PIXELS(Shot(p), ClearAndBevel(p));
  p.SetPosition(50);
  p.SetSmooth(true);
  EXPECT_EQ(Blocks(Shot(p), 5), (std::vector<std::pair<int, int>>{{2, 99}}));
}

TEST(ProgressBar, OrientationSwapsTheSizeAndTurnsTheBlocksAndTheGradient) {
  TKvProgressBar p(nullptr);
  p.SetOrientation(TKvOrientation::voVertical);
  EXPECT_EQ(p.BoundsRect(), Rect(0, 0, 16, 200));
  const QImage shot = Shot(p);
  const auto blocks = VerticalBlocks(shot, 5);
  ASSERT_EQ(blocks.size(), 25u);
  EXPECT_EQ(blocks.back(), std::make_pair(192, 197));
  EXPECT_EQ(Blocks(shot, 195), (std::vector<std::pair<int, int>>{{2, 13}}));
  // End colour at the top, start colour at the bottom.
  EXPECT_EQ(blocks.front().first, 2);
  EXPECT_EQ(PixelAt(shot, 5, 2), clAqua.Value);
  p.SetPosition(50);
  p.SetSmooth(true);
  EXPECT_EQ(VerticalBlocks(Shot(p), 5), (std::vector<std::pair<int, int>>{{100, 198}}));
}

TEST(ProgressBar, FillTypes) {
  TKvProgressBar p(nullptr);
  const int32_t highlight = kv::ColorToRGB(clHighlight);
  p.SetFillType(TKvProgressBarFill::pfPlain);
  EXPECT_EQ(PixelAt(Shot(p), 50, 5), highlight);
  p.SetFillType(TKvProgressBarFill::pfBitmap);  // without a tile
  EXPECT_EQ(PixelAt(Shot(p), 50, 5), highlight);
  kvtest::Picture tile(3, 3, clRed);
  tile.c->SetPixels(0, 0, clYellow);
  p.SetBitmap(&tile.bitmap);
  const QImage shot = Shot(p);
  // Tiled from the fill picture's corner: column 1 of the picture is bar column 2.
  EXPECT_EQ(PixelAt(shot, 3, 2), clRed.Value);
  EXPECT_EQ(PixelAt(shot, 4, 2), clYellow.Value);
  EXPECT_EQ(PixelAt(shot, 4, 3), clRed.Value);
}

TEST(ProgressBar, OnChangeComesAfterTheRepaintAndWhenTheRangePullsPosition) {
  TForm form(nullptr);
  auto& p = *new LoggingBar(&form);
  p.SetParent(&form);
  kvtest::ShowForm(&form, 200, 16);
  std::vector<std::string>& log = p.log;
  log.clear();
  QObject::connect(&p, &TKvProgressBar::OnChange,
                   [&] { log.push_back("change " + std::to_string(p.Position())); });
  p.SetPosition(50);
  p.SetPosition(50);
  p.SetMaxValue(25);
  p.SetMaxValue(-3);  // not above MinValue
  p.SetMinValue(40);  // not below MaxValue
  EXPECT_EQ(log, (std::vector<std::string>{"paint", "change 50", "paint", "change 25"}));
  EXPECT_EQ(p.MaxValue(), 25);
  EXPECT_EQ(p.MinValue(), 0);
  p.SetPosition(1000);
  EXPECT_EQ(p.Position(), 25);
}

TEST(ProgressBar, ThinBarsAndWideBevelsPaintJustTheBevel) {
  struct Case {
    int w, h;
    TKvOrientation o;
    int border;
  } cases[] = {
      {200, 4, TKvOrientation::voHorizontal, 0}, {200, 3, TKvOrientation::voHorizontal, 0},
      {200, 1, TKvOrientation::voHorizontal, 0}, {200, 0, TKvOrientation::voHorizontal, 0},
      {4, 200, TKvOrientation::voVertical, 0},   {200, 10, TKvOrientation::voHorizontal, 7}};
  for (const Case& c : cases) {
    TKvProgressBar p(nullptr);
    p.SetOrientation(c.o);
    p.SetBounds(0, 0, c.w, c.h);
    p.Bevel()->SetBorderWidth(c.border);
    p.SetPosition(50);
    QElapsedTimer clock;
    clock.start();
    if (c.w > 0 && c.h > 0) {
      EXPECT_SAME_PIXELS(Shot(p), ClearAndBevel(p)) << c.w << "x" << c.h;
    } else {
      kvtest::RenderControl(&p, kPanelColor, 2);
    }
    EXPECT_LT(clock.elapsed(), 2000);  // a watchdog
  }
}

TEST(ProgressBar, TheWidestRangeFillsAsHalfOfAHundred) {
  TKvProgressBar wide(nullptr), plain(nullptr);
  wide.SetMinValue(INT_MIN);
  wide.SetMaxValue(INT_MAX);
  wide.SetPosition(0);
  plain.SetPosition(50);
  const QImage shot = Shot(wide);
  EXPECT_EQ(Blocks(shot, 5).size(), 13u);
  EXPECT_SAME_PIXELS(shot, Shot(plain));
}

TEST(ProgressBar, ADescriptionKeepsARangeWhoseMaximumComesFirst) {
  TForm form(nullptr);
  kv::ReadComponent(&form,
                    "object Form: TForm\n"
                    "  object Probe: TKvProgressBar\n"
                    "    MaxValue = -10\n"
                    "    MinValue = -50\n"
                    "    Position = -30\n"
                    "    Orientation = voVertical\n"
                    "    Width = 16\n"
                    "    Height = 200\n"
                    "  end\n"
                    "end\n",
                    QStringLiteral("progress.kvf"));
  auto* p = dynamic_cast<TKvProgressBar*>(form.FindComponent(QStringLiteral("Probe")));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->MinValue(), -50);
  EXPECT_EQ(p->MaxValue(), -10);
  EXPECT_EQ(p->Position(), -30);
  // Loading stores the size as it came: the orientation does not swap it again.
  EXPECT_EQ(p->Width(), 16);
  EXPECT_EQ(p->Height(), 200);
}

// ---------------------------------------------------------------------------
// Reference pictures

TEST(ProgressBar, ReferencePictures) {
  TKvProgressBar demo(nullptr);
  ApplyDemoSettings(demo);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor, 4), "lib/progressbar-demo");
  TKvProgressBar initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, clWhite, 4), "lib/progressbar-initial");
  struct Variant {
    const char* name;
    void (*apply)(TKvProgressBar&);
  } variants[] = {
      {"lib/progressbar-empty", [](TKvProgressBar& p) { p.SetPosition(0); }},
      {"lib/progressbar-half", [](TKvProgressBar& p) { p.SetPosition(50); }},
      {"lib/progressbar-smooth",
       [](TKvProgressBar& p) {
         p.SetSmooth(true);
         p.SetPosition(70);
       }},
      {"lib/progressbar-vertical",
       [](TKvProgressBar& p) {
         p.SetOrientation(TKvOrientation::voVertical);
         p.SetPosition(60);
       }},
      {"lib/progressbar-plain",
       [](TKvProgressBar& p) { p.SetFillType(TKvProgressBarFill::pfPlain); }},
      {"lib/progressbar-bitmap",
       [](TKvProgressBar& p) {
         kvtest::Picture tile(5, 5, clMaroon);
         tile.c->Brush()->SetColor(clYellow);
         tile.c->FillRect(Rect(0, 0, 2, 5));
         p.SetBitmap(&tile.bitmap);
         p.SetFillType(TKvProgressBarFill::pfBitmap);
       }},
  };
  for (const Variant& v : variants) {
    TKvProgressBar p(nullptr);
    ApplyDemoSettings(p);
    v.apply(p);
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&p, kPanelColor, 4), v.name);
  }
}

// Bevels as wide as an int allows leave no bar, and the fill's size is worked out without
// overflow (the sanitizer build checks that).
TEST(ProgressBar, BevelsAsWideAsAnIntPaintJustTheBevel) {
  for (const int width : {INT_MAX, INT_MAX - 240}) {
    TKvProgressBar p(nullptr);
    p.SetPosition(50);
    p.Bevel()->SetOuterWidth(width);
    p.Bevel()->SetInnerWidth(width);
    const QImage shot = Shot(p);
    EXPECT_FALSE(shot.isNull());
  }
}
