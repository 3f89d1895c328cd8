// The dressed main window: its controls and their settings, the navigation, close and
// minimise buttons, the window's shape from the stored region (and on an X display in device
// pixels), and its picture.
#include "DemoOptions.h"
#include "KvFormShape.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"
#include "_frmLeds.h"
#include "_frmMeters.h"
#include "_frmMisc.h"
#include "_frmQelDemo.h"
#include "_frmScope.h"
#include "_frmStart.h"
#include "_frmSwitches.h"

#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#if KV_HAVE_XCB_SHAPE
#include "DeviceWindowShape.h"

#include <QGuiApplication>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#endif

using kv::Application, kv::Bounds, kv::Rect;

namespace {

// The seven forms created by an application object of their own, as the program does, so
// that closing and minimising act on this main window; the suite's application returns after.
class MainWindow : public ::testing::Test {
protected:
  void SetUp() override {
    FOuter = Application;
    FApplication = std::make_unique<TApplication>();
    FApplication->CreateForm(frmQelDemo);
    FApplication->CreateForm(frmMeters);
    FApplication->CreateForm(frmLeds);
    FApplication->CreateForm(frmSwitches);
    FApplication->CreateForm(frmScope);
    FApplication->CreateForm(frmMisc);
    FApplication->CreateForm(frmStart);
    // A fixed time on the clock: the stored one, which loading replaced by the local time.
    TKvLedClock* clock = frmQelDemo->KvLedClock1;
    clock->SetActive(false);
    clock->SetHours(20);
    clock->SetMinutes(12);
    clock->SetSeconds(55);
    frmQelDemo->Show();
    kvtest::Pump();
  }
  void TearDown() override {
    FApplication.reset();
    Application = FOuter;
  }
  static QWidget* TopPanel() {
    const QObjectList& kids = frmQelDemo->ScrollBox->children();
    for (auto it = kids.rbegin(); it != kids.rend(); ++it)
      if (auto* w = qobject_cast<QWidget*>(*it); w && w->isVisible()) return w;
    return nullptr;
  }
  static void Click(QWidget* control) {
    QTest::mouseClick(control, Qt::LeftButton, {},
                      QPoint(control->width() / 2, control->height() / 2));
    kvtest::Pump();
  }
  std::unique_ptr<TApplication> FApplication;

private:
  TApplication* FOuter = nullptr;
};

}  // namespace

TEST_F(MainWindow, ControlsSitWhereTheDressingPutsThemInCreationOrder) {
  TfrmQelDemo* f = frmQelDemo;
  const std::vector<std::pair<TControl*, TRect>> placed = {
      {f->KvFormShape, Rect(0, 0, 800, 600)},        {f->btnMeters, Bounds(124, 152, 110, 30)},
      {f->btnLeds, Bounds(124, 188, 110, 30)},       {f->btnSwitches, Bounds(124, 224, 110, 30)},
      {f->btnScopePanel, Bounds(124, 260, 110, 30)}, {f->btnMisc, Bounds(124, 296, 110, 30)},
      {f->KvBorder, Bounds(252, 132, 449, 325)},     {f->KvLedClock1, Bounds(48, 328, 241, 201)},
      {f->btnClose, Bounds(696, 68, 21, 21)},        {f->btnMinimize, Bounds(672, 68, 21, 21)},
      {f->ScrollBox, Bounds(256, 136, 441, 317)},    {f->chkCheckbox, Bounds(630, 460, 71, 17)},
  };
  int previous = -1;
  for (const auto& [control, bounds] : placed) {
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->BoundsRect(), bounds) << control->Name().toStdString();
    int index = 0;
    while (index < f->ComponentCount() && f->Components(index) != control) ++index;
    EXPECT_GT(index, previous) << control->Name().toStdString();
    previous = index;
  }
  // The border frames the scroll box with 4 pixels on every side.
  const TRect frame = f->KvBorder->BoundsRect(), box = f->ScrollBox->BoundsRect();
  EXPECT_EQ(box.Left - frame.Left, 4);
  EXPECT_EQ(frame.Bottom - box.Bottom, 4);

  EXPECT_EQ(f->btnScopePanel->Caption(), QStringLiteral("Scope Panel"));
  EXPECT_EQ(f->btnMeters->ShadowColor(), TColor(10446669));
  EXPECT_EQ(f->btnMeters->Font()->Color(), TColor(10116669));
  EXPECT_TRUE(f->btnMisc->Transparent());
  EXPECT_EQ(f->btnClose->Caption(), QStringLiteral("X"));
  EXPECT_EQ(f->btnMinimize->Caption(), QStringLiteral("_"));
  EXPECT_EQ(f->btnClose->FontEnter()->Color(), TColor(14533045));
  EXPECT_TRUE(f->btnClose->FontLeave()->Style().testFlag(TFontStyle::fsBold));
  EXPECT_TRUE(f->btnMinimize->Flat());
  EXPECT_EQ(f->btnClose->TabOrder(), 0);
  EXPECT_EQ(f->btnMinimize->TabOrder(), 1);
  EXPECT_TRUE(f->KvLedClock1->Threaded());
  EXPECT_EQ(f->KvLedClock1->LedSize(), 3);
  EXPECT_EQ(f->KvLedClock1->TextOffsetX(), 12);
  EXPECT_EQ(f->KvFormShape->MaskColor(), TColor(clWhite));
  EXPECT_EQ(f->KvFormShape->Mask()->Width(), 800);
}

TEST_F(MainWindow, NavigationButtonsShowTheirPanels) {
  const std::vector<std::pair<TControl*, QWidget*>> buttons = {
      {frmQelDemo->btnMeters, frmMeters},     {frmQelDemo->btnLeds, frmLeds},
      {frmQelDemo->btnSwitches, frmSwitches}, {frmQelDemo->btnScopePanel, frmScope},
      {frmQelDemo->btnMisc, frmMisc},         {frmQelDemo->btnMeters, frmMeters},
  };
  EXPECT_EQ(TopPanel(), frmStart);
  for (const auto& [button, panel] : buttons) {
    Click(button);
    EXPECT_EQ(TopPanel(), panel) << button->Name().toStdString();
  }
}

TEST_F(MainWindow, MinimiseButtonMinimisesAndCloseButtonQuits) {
  Click(frmQelDemo->btnMinimize);
  EXPECT_TRUE(frmQelDemo->isMinimized());
  EXPECT_FALSE(FApplication->Terminated());
  frmQelDemo->showNormal();
  kvtest::Pump();
  Click(frmQelDemo->btnClose);
  EXPECT_TRUE(FApplication->Terminated());
}

TEST_F(MainWindow, IsShapedFromTheStoredRegionOfItsWindowImage) {
  ASSERT_TRUE(frmQelDemo->WindowRegion().has_value());
  // The stored region is the one the scan of the window image gives.
  const TRegion scanned = kv::MaskRegion(*frmQelDemo->KvFormShape->Mask(), clWhite);
  EXPECT_EQ(frmQelDemo->WindowRegion()->ToQRegion(), scanned.ToQRegion());
  const QRegion shape = frmQelDemo->mask();
  EXPECT_EQ(shape.boundingRect(), QRect(QPoint(16, 24), QPoint(775, 571)));
  EXPECT_FALSE(shape.contains(QPoint(0, 0)));
  EXPECT_FALSE(shape.contains(QPoint(790, 300)));
  EXPECT_TRUE(shape.contains(QPoint(400, 300)));
  EXPECT_TRUE(shape.contains(QPoint(180, 30)));  // the raised tab at the top left
  EXPECT_FALSE(shape.contains(QPoint(600, 30)));
}

// Painted at ratio 2 (as on a screen of that ratio), the window's face is its 2x version
// where no control covers it: the screws, the grille and the lettering on the tab.
TEST_F(MainWindow, AtRatioTwoTheFaceIsItsTwoTimesVersion) {
  QImage painted(frmQelDemo->size() * 2, QImage::Format_RGB32);
  painted.setDevicePixelRatio(2);
  // A masked window renders its mask's bounding box at the offset.
  frmQelDemo->render(&painted, frmQelDemo->mask().boundingRect().topLeft());
  painted.setDevicePixelRatio(1);
  TBitmap face;
  face.LoadFromFile(QStringLiteral(":/kv/res/DEMO_WINDOW@2x.bmp"));
  ASSERT_EQ(face.Image().size(), painted.size());
  for (const QRect& bare :
       {QRect(44, 84, 32, 32), QRect(720, 180, 48, 240), QRect(130, 30, 110, 22)}) {
    const QRect device(bare.topLeft() * 2, bare.size() * 2);
    EXPECT_SAME_PIXELS(painted.copy(device), face.Image().copy(device));
  }
}

#if KV_HAVE_XCB_SHAPE
// The window's outline as the X server holds it.
QRegion ServerOutline(const QWindow* window) {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11->connection();
  const std::unique_ptr<xcb_shape_get_rectangles_reply_t, decltype(&std::free)> reply(
      xcb_shape_get_rectangles_reply(
          connection,
          xcb_shape_get_rectangles(connection, xcb_window_t(window->winId()),
                                   XCB_SHAPE_SK_BOUNDING),
          nullptr),
      &std::free);
  if (!reply) return {};
  const xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(reply.get());
  std::vector<QRect> outline;
  for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply.get()); ++i)
    outline.emplace_back(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
  QRegion region;
  region.setRects(outline.data(), int(outline.size()));
  return region;
}

// On an X display (ctest runs this under Xvfb at ratios 1 and 2) the window's outline is the
// stored region at ratio 1; at 2 it is its 2x face's in device pixels, finer than 2x2 steps,
// while Qt paints the logical pixels it touches.
TEST_F(MainWindow, OutlineOnAnXDisplayIsInDevicePixels) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on X";
  QWindow* window = frmQelDemo->windowHandle();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  kvtest::Pump(50);
  const int scale = int(window->devicePixelRatio());
  const QRegion stored = frmQelDemo->KvFormShape->Mask()->Empty()
                             ? QRegion()
                             : kv::MaskRegion(*frmQelDemo->KvFormShape->Mask(), clWhite).ToQRegion();
  if (scale == 1) {
    EXPECT_EQ(ServerOutline(window), stored);
    return;
  }
  ASSERT_EQ(scale, 2);
  TBitmap face;
  face.LoadFromFile(QStringLiteral(":/kv/res/DEMO_WINDOW@2x.bmp"));
  const QRegion outline = kv::MaskRegion(face, clWhite).ToQRegion();
  EXPECT_EQ(ServerOutline(window), outline);
  EXPECT_EQ(frmQelDemo->mask(), kv::LogicalCover(outline, 2));
  const auto odd = std::count_if(outline.begin(), outline.end(), [](const QRect& r) {
    return r.left() % 2 != 0 || (r.right() + 1) % 2 != 0 || r.top() % 2 != 0;
  });
  EXPECT_GT(odd, 0) << "the outline steps by two device pixels";
}
#endif

TEST_F(MainWindow, Picture) {
  const QImage picture = WindowPicture(frmQelDemo);
  EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(picture.pixel(400, 300)), 255);
  EXPECT_MATCHES_REFERENCE(picture, QStringLiteral("app/main-window"));
}
