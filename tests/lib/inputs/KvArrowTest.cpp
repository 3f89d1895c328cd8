#include "KvArrow.h"

#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

using kv::Bounds, kv::Point, kv::PtInRect;

namespace {

constexpr int32_t kPanelColor = 7292981;

// A shown arrow on a form of the panel colour.
struct Scene {
  TForm form{nullptr};
  TKvArrow* arrow;
  explicit Scene(TKvArrowDirection direction = TKvArrowDirection::pdLeft) {
    form.SetColor(TColor(kPanelColor));
    arrow = new TKvArrow(&form);
    arrow->SetParent(&form);
    arrow->SetDirection(direction);
    kvtest::ShowForm(&form, 100, 100);
  }
  int32_t At(int x, int y) { return kvtest::PixelAt(&form, x, y); }
  void Move(int x, int y) { QTest::mouseMove(arrow, QPoint(x, y)); }
};

}  // namespace

TEST(Arrow, StartsAsDesigned) {
  TKvArrow arrow(nullptr);
  EXPECT_EQ(arrow.Width(), 50);
  EXPECT_EQ(arrow.Height(), 45);
  EXPECT_FALSE(arrow.Active());
  EXPECT_EQ(arrow.Direction(), TKvArrowDirection::pdUp);
  EXPECT_EQ(arrow.Palette()->Low(), clGreen);
  EXPECT_EQ(arrow.Palette()->High(), clLime);
  EXPECT_FALSE(arrow.TrackMouse());
  EXPECT_EQ(arrow.Color(), clBlack);
  EXPECT_FALSE(arrow.ControlStyle().testFlag(TControlStyleFlag::csDoubleClicks));
  EXPECT_TRUE(arrow.ControlStyle().testFlag(TControlStyleFlag::csOpaque));
}

TEST(Arrow, CellIsCentredWithDivisionsCutTowardsZero) {
  TKvArrow arrow(nullptr);
  for (auto d : {TKvArrowDirection::pdLeft, TKvArrowDirection::pdRight}) {
    arrow.SetDirection(d);
    EXPECT_EQ(arrow.ArrowRect(), Bounds(11, 9, 28, 27));
  }
  for (auto d : {TKvArrowDirection::pdUp, TKvArrowDirection::pdDown}) {
    arrow.SetDirection(d);
    EXPECT_EQ(arrow.ArrowRect(), Bounds(11, 8, 27, 28));
  }
  arrow.SetDirection(TKvArrowDirection::pdLeft);
  arrow.SetBounds(0, 0, 20, 20);
  EXPECT_EQ(arrow.ArrowRect(), Bounds(-4, -3, 28, 27));
}

TEST(Arrow, PicturesLitAndUnlitInEveryDirection) {
  TKvArrow arrow(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&arrow, kPanelColor), "lib/arrow-initial");
  arrow.SetTransparent(true);
  const char* names[] = {"left", "right", "up", "down"};
  for (int d = 0; d < 4; ++d) {
    arrow.SetDirection(TKvArrowDirection(d));
    for (bool lit : {false, true}) {
      arrow.SetActive(lit);
      const QImage shot = kvtest::RenderControl(&arrow, kPanelColor);
      EXPECT_MATCHES_REFERENCE(
          shot, QStringLiteral("lib/arrow-%1-%2").arg(names[d], lit ? "lit" : "unlit"));
      // White is never drawn; the fill shows the palette colour of the state.
      EXPECT_EQ(kvtest::CountPixels(shot, clWhite.Value), 0);
      EXPECT_GT(kvtest::CountPixels(shot, lit ? clLime.Value : clGreen.Value), 200);
      EXPECT_EQ(kvtest::CountPixels(shot, lit ? clGreen.Value : clLime.Value), 0);
      EXPECT_EQ(kvtest::PixelAt(shot, 0, 0), kPanelColor);
    }
  }
}

TEST(Arrow, PaletteChangesRecolourTheLitArrowAtOnce) {
  Scene s;
  s.arrow->SetActive(true);
  s.arrow->Palette()->SetHigh(clRed);
  EXPECT_EQ(s.At(25, 22), clRed.Value);
}

// The pictures of the directions are kept once loaded: a change of the palette or of the
// system colours reaches those of the other directions too.
TEST(Arrow, KeptPicturesOfEveryDirectionFollowColourChanges) {
  Scene s;
  s.arrow->SetActive(true);
  s.arrow->SetDirection(TKvArrowDirection::pdRight);
  s.arrow->Palette()->SetHigh(clRed);
  s.arrow->SetDirection(TKvArrowDirection::pdLeft);
  EXPECT_EQ(s.At(25, 22), clRed.Value);
  s.arrow->Palette()->SetHigh(clBtnFace);
  s.arrow->SetDirection(TKvArrowDirection::pdRight);
  kv::SetSysColor(clBtnFace.Value & 0xFF, 0x123456);
  kvtest::Pump();
  s.arrow->SetDirection(TKvArrowDirection::pdLeft);
  const int32_t changed = s.At(25, 22);
  kv::ResetSysColors();
  EXPECT_EQ(changed, 0x123456);
  // Turning back and forth shows the same pictures as a fresh arrow.
  Scene fresh(TKvArrowDirection::pdRight);
  s.arrow->SetActive(false);
  s.arrow->Palette()->SetHigh(clLime);
  s.arrow->SetDirection(TKvArrowDirection::pdRight);
  EXPECT_SAME_PIXELS(kvtest::Grab(&s.form), kvtest::Grab(&fresh.form));
}

TEST(Arrow, HitTestFollowsTheMask) {
  TKvArrow arrow(nullptr);
  arrow.SetDirection(TKvArrowDirection::pdLeft);
  TBitmap mask;
  mask.LoadFromResourceName(QStringLiteral("LEFTARROW"));
  const TRect r = arrow.ArrowRect();
  for (int y = -60; y <= 105; ++y)
    for (int x = -60; x <= 110; ++x) {
      const bool inside = PtInRect(r, Point(x, y));
      const bool shape = inside && mask.Canvas()->Pixels(x - r.Left, y - r.Top) != clWhite;
      ASSERT_EQ(arrow.HitTest(x, y), shape) << x << ", " << y;
    }
  // The cell's top-left corner is white: no hit.
  EXPECT_FALSE(arrow.HitTest(r.Left, r.Top));
}

TEST(Arrow, TrackMouseLightsOnlyOverTheShape) {
  Scene s;
  s.Move(25, 22);
  EXPECT_FALSE(s.arrow->Active());
  s.arrow->SetTrackMouse(true);
  s.Move(12, 10);  // a white corner of the cell
  EXPECT_FALSE(s.arrow->Active());
  s.Move(25, 22);
  EXPECT_TRUE(s.arrow->Active());
  EXPECT_EQ(s.At(25, 22), clLime.Value);
  s.Move(80, 80);  // off the control
  kvtest::Pump();
  EXPECT_FALSE(s.arrow->Active());
  EXPECT_EQ(s.At(25, 22), clGreen.Value);
}

TEST(Arrow, HoverChangePaintsOnce) {
  Scene s;
  s.arrow->SetTrackMouse(true);
  s.Move(2, 2);
  kvtest::Pump();
  int paints = 0;
  struct PaintCounter : QObject {
    int* count;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*count;
      return false;
    }
  } counter;
  counter.count = &paints;
  s.arrow->installEventFilter(&counter);
  s.Move(25, 22);
  kvtest::Pump(20);
  s.arrow->removeEventFilter(&counter);
  EXPECT_EQ(paints, 1);
}

TEST(Arrow, DraggedPointerAnywhereIsSafe) {
  for (auto size : {QSize(50, 45), QSize(20, 20)}) {
    Scene s;
    s.arrow->SetTrackMouse(true);
    s.arrow->SetBounds(0, 0, size.width(), size.height());
    QTest::mousePress(s.arrow, Qt::LeftButton, {}, QPoint(5, 5));
    for (int y = -60; y <= 105; y += 15)
      for (int x = -60; x <= 110; x += 10) s.Move(x, y);
    QTest::mouseRelease(s.arrow, Qt::LeftButton, {}, QPoint(110, 105));
  }
}

TEST(Arrow, QuickClicksClickTwice) {
  Scene s;
  int clicks = 0;
  QObject::connect(s.arrow, &TKvArrow::OnClick, [&](TObject*) { ++clicks; });
  // A press, a release, and a second press that the platform reports as a double click.
  const QPoint at(2, 2);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent e(type, at, s.arrow->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(s.arrow, &e);
  }
  EXPECT_EQ(clicks, 2);
}
