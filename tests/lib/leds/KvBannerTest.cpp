#include "KvBanner.h"

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
#include <QFile>
#include <QPointer>

#include <climits>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

std::unique_ptr<TBitmap> DemoPicture() {
  auto b = std::make_unique<TBitmap>();
  b->LoadFromFile(QStringLiteral(KV_TEST_REFERENCE_DIR "/../../app/pictures/DEMO_BANNER.bmp"));
  return b;
}

// The demo banner (359 x 59, the bevel with its inner space removed, the demo picture),
// standing still.
void ApplyDemoSettings(TKvBanner& b) {
  kvdemo::ApplyDemoSettings(b, "frmLeds", "KvBanner");
  b.SetAutoScroll(false);
}

class TestBanner : public TKvBanner {
public:
  using TKvBanner::ScrollStep;
  using TKvBanner::TKvBanner;
};

template <class F>
bool PumpUntil(F done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2000) kvtest::Pump(5);
  return done();
}

// The face drawn the long way: the grid, the picture rendered whole as squares by
// exclusive-or, and, or and exclusive-or again, drawn at the offset, then the bevel.
QImage LiteralFace(const TKvBanner& b, int64_t offsetX, int64_t offsetY) {
  const TBitmap* source = b.Bitmap();
  const int p = int(b.Pitch()), w = source->Width() * p, h = source->Height() * p;
  kvtest::Picture mask(w, h), work(w, h), stretched(w, h);
  DrawDotPattern(mask.c, Rect(0, 0, w, h), clBlack, b.Spacing(), b.PixelSize(), clWhite);
  DrawDotPattern(work.c, Rect(0, 0, w, h), b.PixelColor(), b.Spacing(), b.PixelSize(), b.Color());
  stretched.c->StretchDraw(Rect(0, 0, w, h), source);
  work.c->SetCopyMode(TCopyMode::cmSrcInvert);
  work.c->CopyRect(Rect(0, 0, w, h), stretched.c, Rect(0, 0, w, h));
  work.c->SetCopyMode(TCopyMode::cmSrcAnd);
  work.c->CopyRect(Rect(0, 0, w, h), mask.c, Rect(0, 0, w, h));
  work.c->SetCopyMode(TCopyMode::cmSrcInvert);
  work.c->CopyRect(Rect(0, 0, w, h), stretched.c, Rect(0, 0, w, h));
  const TColor square = b.PixelMode() == TKvBannerPixelMode::pmCustom || source->Empty()
                            ? b.PixelColor()
                            : work.bitmap.Canvas()->Pixels(0, 0);
  kvtest::Picture face(b.Width(), b.Height());
  DrawDotPattern(face.c, Rect(0, 0, b.Width(), b.Height()), square, b.Spacing(), b.PixelSize(),
                 b.Color());
  face.c->Draw(int(offsetX), int(offsetY), &work.bitmap);
  TRect r = Rect(0, 0, b.Width(), b.Height());
  b.Bevel()->Paint(face.c, r);
  return face.Image();
}

QImage Shot(TKvBanner& b) { return kvtest::RenderControl(&b, kPanelColor); }

long ResidentKilobytes() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> parts = f.readAll().split(' ');
  return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}

}  // namespace

TEST(Banner, ConstructionAndPublishedProperties) {
  TKvBanner b(nullptr);
  // 320 x 40 snaps to whole cells of pitch 3: the height keeps 13 cells.
  EXPECT_EQ(b.BoundsRect(), Rect(0, 0, 320, 38));
  EXPECT_TRUE(b.Threaded());
  EXPECT_TRUE(b.Bitmap()->Empty());
  EXPECT_EQ(b.PixelSize(), 2);
  EXPECT_EQ(b.PixelColor(), clGray);
  EXPECT_EQ(b.PixelMode(), TKvBannerPixelMode::pmAuto);
  EXPECT_EQ(b.Spacing(), 1);
  EXPECT_EQ(b.TimeInterval(), 50);
  EXPECT_EQ(b.Bevel()->InnerStyle(), TKvBevelStyle::bsLowered);
  EXPECT_EQ(b.Bevel()->InnerWidth(), 2);
  EXPECT_EQ(b.Bevel()->InnerSpace(), 0);
  EXPECT_EQ(b.Bevel()->InnerColor(), clBlack);
  EXPECT_EQ(b.Direction(), TKvBannerDirection::bdRightToLeft);
  EXPECT_FALSE(b.AutoScroll());
  EXPECT_EQ(b.Color(), clBlack);
  const std::vector<QByteArray> order = {
      "Threaded",     "Bitmap",         "PixelSize", "PixelColor", "PixelMode", "Spacing",
      "TimeInterval", "Bevel",          "Direction", "AutoScroll", "Color",     "Hint",
      "ParentColor",  "ParentShowHint", "ShowHint",  "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvBanner::staticMetaObject), order);
  EXPECT_EQ(kvtest::StreamingDefaults(TKvBanner::staticMetaObject).count("Threaded"), 0u);
}

TEST(Banner, SizesSnapToWholeCellsAndPicturesAreCentredOnTheGrid) {
  TKvBanner b(nullptr);
  b.SetBounds(0, 0, 360, 60);
  EXPECT_EQ(b.BoundsRect(), Rect(0, 0, 359, 59));
  b.SetBounds(0, 0, 1, 1);
  EXPECT_EQ(b.BoundsRect(), Rect(0, 0, 0, 0));
  b.SetBounds(0, 0, 360, 60);
  kvtest::Picture narrow(10, 4, clRed);
  b.SetBitmap(&narrow.bitmap);
  EXPECT_EQ(b.RenderedWidth(), 30);
  EXPECT_EQ(b.OffsetX(), 162);
  EXPECT_EQ(b.OffsetY(), 3 * ((59 - 12) / 2 / 3));
  b.SetBitmap(DemoPicture().get());
  EXPECT_EQ(b.RenderedWidth(), 738);
  EXPECT_EQ(b.RenderedHeight(), 60);
  EXPECT_EQ(b.OffsetX(), 0);
  EXPECT_EQ(b.OffsetY(), 0);
}

TEST(Banner, PitchPartsBelowOneOrBeyondTheIntRangeAreRefused) {
  TKvBanner b(nullptr);
  for (int v : {0, -1, INT_MAX}) {
    b.SetPixelSize(v);
    b.SetSpacing(v);
  }
  EXPECT_EQ(b.PixelSize(), 2);
  EXPECT_EQ(b.Spacing(), 1);
  b.SetPixelSize(INT_MAX - 1);
  EXPECT_EQ(b.Pitch(), INT_MAX);
  EXPECT_EQ(b.BoundsRect(), Rect(0, 0, 0, 0));
  kvtest::Pump();
}

TEST(Banner, WithoutAPictureOnlyTheGridShows) {
  for (auto mode : {TKvBannerPixelMode::pmAuto, TKvBannerPixelMode::pmCustom}) {
    TKvBanner b(nullptr);
    b.SetPixelMode(mode);
    b.Bevel()->SetVisible(false);
    const QImage shot = Shot(b);
    EXPECT_EQ(PixelAt(shot, 0, 0), clGray.Value);
    EXPECT_EQ(PixelAt(shot, 1, 1), clGray.Value);
    EXPECT_EQ(PixelAt(shot, 2, 0), clBlack.Value);
    EXPECT_EQ(PixelAt(shot, 3, 2), clBlack.Value);
    EXPECT_EQ(PixelAt(shot, 3, 3), clGray.Value);
    EXPECT_EQ(PixelAt(shot, 318, 36), clGray.Value);
  }
}

TEST(Banner, ThePictureShowsSquareBySquareAndTheModePicksTheGridColour) {
  TKvBanner b(nullptr);
  b.Bevel()->SetVisible(false);
  b.SetBounds(0, 0, 30, 30);
  kvtest::Picture picture(2, 2, clBlue);
  picture.c->SetPixels(1, 0, clRed);
  b.SetBitmap(&picture.bitmap);
  // 6 x 6 squares centred on a 29 x 29 sign: at 3 * (23 / 2 / 3) = 9.
  ASSERT_EQ(b.OffsetX(), 9);
  QImage shot = Shot(b);
  EXPECT_EQ(PixelAt(shot, 9, 9), clBlue.Value);
  EXPECT_EQ(PixelAt(shot, 12, 10), clRed.Value);
  EXPECT_EQ(PixelAt(shot, 11, 9), clBlack.Value);  // a gap of the picture
  EXPECT_EQ(PixelAt(shot, 0, 0), clBlue.Value);    // the grid takes the top-left colour
  b.SetPixelMode(TKvBannerPixelMode::pmCustom);
  b.SetPixelColor(clOlive);
  shot = Shot(b);
  EXPECT_EQ(PixelAt(shot, 0, 0), clOlive.Value);
  EXPECT_EQ(PixelAt(shot, 9, 9), clBlue.Value);
}

TEST(Banner, DemoFramesEqualTheLiteralRendering) {
  TestBanner b(nullptr);
  ApplyDemoSettings(b);
  b.SetTimeInterval(-1);
  b.SetAutoScroll(true);
  EXPECT_SAME_PIXELS(Shot(b), LiteralFace(b, 0, 0));
  b.ScrollStep();
  EXPECT_EQ(b.OffsetX(), -3);
  EXPECT_SAME_PIXELS(Shot(b), LiteralFace(b, -3, 0));
  for (int i = 0; i < 99; ++i) b.ScrollStep();
  EXPECT_EQ(b.OffsetX(), -300);
  EXPECT_SAME_PIXELS(Shot(b), LiteralFace(b, -300, 0));
  b.SetPixelMode(TKvBannerPixelMode::pmCustom);
  EXPECT_SAME_PIXELS(Shot(b), LiteralFace(b, -300, 0));
  b.SetAutoScroll(false);
}

TEST(Banner, EachDirectionRestartsAfterThePictureHasLeft) {
  struct Case {
    TKvBannerDirection dir;
    int firstDone;
    int64_t restart;
    int period;
  } cases[] = {{TKvBannerDirection::bdRightToLeft, 247, 357, 366},
               {TKvBannerDirection::bdLeftToRight, 121, -738, 0},
               {TKvBannerDirection::bdTopToBottom, 21, -60, 0},
               {TKvBannerDirection::bdBottomToTop, 21, 57, 0}};
  for (const Case& c : cases) {
    TestBanner b(nullptr);
    ApplyDemoSettings(b);
    b.SetDirection(c.dir);
    std::vector<int> done;
    int tick = 0;
    QObject::connect(&b, &TKvBanner::OnScrollDone, [&] { done.push_back(tick); });
    for (tick = 1; tick <= c.firstDone; ++tick) b.ScrollStep();
    ASSERT_EQ(done, std::vector<int>{c.firstDone}) << int(c.dir);
    const bool horizontal =
        c.dir == TKvBannerDirection::bdRightToLeft || c.dir == TKvBannerDirection::bdLeftToRight;
    EXPECT_EQ(horizontal ? b.OffsetX() : b.OffsetY(), c.restart) << int(c.dir);
    if (c.period == 0) continue;
    for (; tick <= c.firstDone + c.period; ++tick) b.ScrollStep();
    EXPECT_EQ(done, (std::vector<int>{c.firstDone, c.firstDone + c.period}));
  }
}

TEST(Banner, AHugePictureScrollsWithoutRenderingItWhole) {
  const long before = ResidentKilobytes();
  TestBanner b(nullptr);
  b.SetBounds(0, 0, 360, 60);
  kvtest::Picture huge(1000, 1000, clNavy);
  huge.c->SetPixels(0, 0, clYellow);
  b.SetPixelSize(8);
  b.SetBitmap(&huge.bitmap);
  EXPECT_EQ(b.RenderedWidth(), 9000);
  QImage shot = Shot(b);
  EXPECT_EQ(PixelAt(shot, 5, 5), clYellow.Value);
  b.ScrollStep();
  shot = Shot(b);
  EXPECT_EQ(PixelAt(shot, 5, 5), clNavy.Value);
  EXPECT_LT(ResidentKilobytes() - before, 64 * 1024);
}

TEST(Banner, AScrollDoneHandlerMayFreeTheBannerOrSwitchItsTimer) {
  for (bool threaded : {true, false}) {
    auto* b = new TKvBanner(nullptr);
    b->SetThreaded(threaded);
    b->SetBounds(0, 0, 20, 20);
    b->SetTimeInterval(1);
    QPointer<TKvBanner> alive(b);
    QObject::connect(b, &TKvBanner::OnScrollDone, [&] { delete b; });
    b->SetAutoScroll(true);
    EXPECT_TRUE(PumpUntil([&] { return alive.isNull(); })) << threaded;
    kvtest::Pump(20);
  }
  for (bool threaded : {true, false}) {
    TKvBanner b(nullptr);
    b.SetThreaded(threaded);
    b.SetBounds(0, 0, 20, 20);
    b.SetTimeInterval(1);
    int done = 0;
    QObject::connect(&b, &TKvBanner::OnScrollDone, [&] {
      ++done;
      b.SetThreaded(!b.Threaded());
    });
    b.SetAutoScroll(true);
    EXPECT_TRUE(PumpUntil([&] { return done >= 3; })) << threaded;
    b.SetAutoScroll(false);
  }
}

TEST(Banner, AutoScrollTogglesNeverBlock) {
  TKvBanner b(nullptr);
  b.SetTimeInterval(1);
  for (int i = 0; i < 10000; ++i) b.SetAutoScroll(i % 2 == 0);
  EXPECT_FALSE(b.AutoScroll());
  TKvBanner fresh(nullptr);
  fresh.SetTimeInterval(-1);
  EXPECT_EQ(fresh.TimeInterval(), -1);
}

TEST(Banner, ANegativeIntervalNeverTicks) {
  TKvBanner b(nullptr);
  b.SetTimeInterval(-1);
  EXPECT_EQ(b.TimeInterval(), -1);
  int done = 0;
  QObject::connect(&b, &TKvBanner::OnScrollDone, [&] { ++done; });
  b.SetAutoScroll(true);
  const int64_t x = b.OffsetX();
  kvtest::Pump(50);
  EXPECT_EQ(b.OffsetX(), x);
  EXPECT_EQ(done, 0);
  b.SetAutoScroll(false);
}

TEST(Banner, ALoadedBannerStartsScrollingOnItsFirstPaint) {
  TForm form(nullptr);
  kv::ReadComponent(&form,
                    "object Form: TForm\n"
                    "  object Probe: TKvBanner\n"
                    "    Width = 60\n"
                    "    Height = 30\n"
                    "    TimeInterval = 1\n"
                    "    AutoScroll = True\n"
                    "  end\n"
                    "end\n",
                    QStringLiteral("banner.kvf"));
  auto* b = dynamic_cast<TKvBanner*>(form.FindComponent(QStringLiteral("Probe")));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->BoundsRect(), Rect(0, 0, 59, 29));
  int done = 0;
  QObject::connect(b, &TKvBanner::OnScrollDone, [&] { ++done; });
  kvtest::Pump(30);
  EXPECT_EQ(done, 0);  // never painted yet
  kvtest::RenderControl(b, kPanelColor);
  EXPECT_TRUE(PumpUntil([&] { return done >= 1; }));
  b->SetAutoScroll(false);
}

// ---------------------------------------------------------------------------
// Reference pictures

TEST(Banner, ReferencePictures) {
  TestBanner demo(nullptr);
  ApplyDemoSettings(demo);
  demo.SetTimeInterval(-1);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor, 4), "lib/banner-demo");
  demo.SetAutoScroll(true);
  for (int i = 0; i < 40; ++i) demo.ScrollStep();
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor, 4), "lib/banner-offset-120");
  for (int i = 0; i < 230; ++i) demo.ScrollStep();
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor, 4), "lib/banner-leaving");
  demo.SetPixelMode(TKvBannerPixelMode::pmCustom);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&demo, kPanelColor, 4), "lib/banner-custom");
  demo.SetAutoScroll(false);
  TKvBanner initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, clWhite, 4), "lib/banner-initial");
}
