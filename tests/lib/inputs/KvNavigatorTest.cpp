#include "KvNavigator.h"

#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using kv::ColorToRGB;

namespace {

int32_t Rgb(TColor c) { return ColorToRGB(c); }

void Press(QWidget* w, QPoint p) { QTest::mousePress(w, Qt::LeftButton, {}, p); }
void Release(QWidget* w, QPoint p) { QTest::mouseRelease(w, Qt::LeftButton, {}, p); }
void Drag(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}
void SendKey(QWidget* w, QEvent::Type type, bool autoRepeat = false) {
  QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
  QApplication::sendEvent(w, &e);
}

// A 56 x 21 media button and a focusable neighbour on a form; the events in order.
struct Scene {
  TForm form{nullptr};
  QPointer<TKvMediaButton> button;
  TKvMediaButton* other;
  std::vector<std::string> log;
  int otherClicks = 0;
  Scene() {
    QCursor::setPos(-1000, -1000);
    kvtest::Pump();
    button = new TKvMediaButton(&form);
    button->SetParent(&form);
    button->SetBounds(0, 0, 56, 21);
    button->SetTabStop(true);
    other = new TKvMediaButton(&form);
    other->SetParent(&form);
    other->SetBounds(0, 30, 56, 21);
    other->SetTabStop(true);
    QObject::connect(button, &TControl::OnMouseDown,
                     [this](TObject*, TMouseButton, TShiftState, int, int) { Log("down"); });
    QObject::connect(button, &TControl::OnMouseUp,
                     [this](TObject*, TMouseButton, TShiftState, int, int) { Log("up"); });
    QObject::connect(button, &TControl::OnClick, [this](TObject*) { Log("click"); });
    QObject::connect(other, &TControl::OnClick, [this](TObject*) { ++otherClicks; });
    button->SetButtonType(TKvButtonType::btBack);
    kvtest::ShowForm(&form, 60, 60);
    other->SetFocus();
    kvtest::Pump();
  }
  void Log(const char* what) {
    log.emplace_back(what);
    if (button) log.back() += button->Down() ? "/pressed" : "";
  }
  QImage Shot() { return kvtest::Grab(button); }
  int Clicks() const { return int(std::count(log.begin(), log.end(), "click")); }
  // Not drawn pressed, holding no capture, and the neighbour takes a click.
  void ExpectReleased() {
    if (button) {
      EXPECT_FALSE(button->Down());
      EXPECT_FALSE(button->MouseCapture());
      EXPECT_EQ(kvtest::PixelAt(Shot(), 1, 1), Rgb(clBtnHighlight));
    }
    EXPECT_EQ(Clicks(), 0);
    const int before = otherClicks;
    QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(otherClicks, before + 1);
  }
};

}  // namespace

TEST(MediaButton, NewButtonShowsThePauseGlyph) {
  TKvMediaButton button(nullptr);
  EXPECT_EQ(button.Width(), 40);
  EXPECT_EQ(button.Height(), 15);
  EXPECT_EQ(button.ButtonType(), TKvButtonType::btPause);
  EXPECT_FALSE(button.TabStop());
  EXPECT_FALSE(button.ControlStyle().testFlag(TControlStyleFlag::csSetCaption));
  const QImage shot = kvtest::RenderControl(&button, clWhite.Value);
  // The pause bars: columns 2-4 and 6-8 of the cell, rows 1-7, at (15, 3).
  EXPECT_EQ(kvtest::PixelAt(shot, 15 + 3, 3 + 4), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 15 + 7, 3 + 4), clBlack.Value);
  EXPECT_NE(kvtest::PixelAt(shot, 15 + 5, 3 + 4), clBlack.Value);
  EXPECT_MATCHES_REFERENCE(shot, "lib/mediabutton-initial");
}

TEST(MediaButton, FaceRingsAndGlyphAtTheDemoSize) {
  Scene s;
  const QImage up = s.Shot();
  // Gradient in bands of 2 rows inside the rings.
  EXPECT_EQ(kvtest::PixelAt(up, 2, 2), kvtest::PixelAt(up, 53, 3));
  EXPECT_EQ(kvtest::PixelAt(up, 2, 2), Rgb(clBtnHighlight));
  EXPECT_EQ(kvtest::PixelAt(up, 0, 0), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(up, 55, 20), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(up, 1, 1), Rgb(clBtnHighlight));
  EXPECT_EQ(kvtest::PixelAt(up, 54, 19), Rgb(clBtnShadow));
  // The raised ring keeps its bottom-left pixel in the highlight colour.
  EXPECT_EQ(kvtest::PixelAt(up, 1, 19), Rgb(clBtnHighlight));
  // The back glyph at (23, 6): the first point at column 0, row 4.
  EXPECT_EQ(kvtest::PixelAt(up, 23, 10), clBlack.Value);

  Press(s.button, QPoint(20, 10));
  const QImage down = s.Shot();
  EXPECT_EQ(kvtest::PixelAt(down, 1, 1), Rgb(clBtnShadow));
  EXPECT_EQ(kvtest::PixelAt(down, 54, 19), Rgb(clBtnFace));
  EXPECT_EQ(kvtest::PixelAt(down, 24, 11), clBlack.Value);
  // Pressed with TabStop: the focus ring.
  EXPECT_EQ(kvtest::PixelAt(down, 0, 0), clBlue.Value);
  EXPECT_MATCHES_REFERENCE(down, "lib/mediabutton-pressed");
  Release(s.button, QPoint(20, 10));
  EXPECT_MATCHES_REFERENCE(s.Shot(), "lib/mediabutton-focused");
  s.button->SetEnabled(false);
  EXPECT_MATCHES_REFERENCE(s.Shot(), "lib/mediabutton-disabled");
  EXPECT_EQ(kvtest::PixelAt(s.Shot(), 23, 10), Rgb(clSilver));
}

TEST(MediaButton, EveryGlyphAtTheDemoSize) {
  TKvMediaButton button(nullptr);
  button.SetBounds(0, 0, 56, 21);
  for (int t = 0; t < 10; ++t) {
    button.SetButtonType(TKvButtonType(t));
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&button, clWhite.Value),
                             QStringLiteral("lib/mediabutton-glyph%1").arg(t));
  }
  button.SetButtonType(TKvButtonType(12));
  EXPECT_EQ(button.ButtonType(), TKvButtonType::btEject);
}

TEST(MediaButton, DragOutAndBackClicksOnceReleasedOutsideNever) {
  Scene s;
  Press(s.button, QPoint(20, 10));
  Drag(s.button, QPoint(80, 10));
  EXPECT_FALSE(s.button->Down());
  Drag(s.button, QPoint(20, 10));
  EXPECT_TRUE(s.button->Down());
  Release(s.button, QPoint(20, 10));
  // The press comes after OnMouseDown; OnClick before OnMouseUp.
  EXPECT_EQ(s.log, (std::vector<std::string>{"down", "click", "up"}));
  s.log.clear();
  Press(s.button, QPoint(20, 10));
  Drag(s.button, QPoint(80, 10));
  Release(s.button, QPoint(80, 10));
  EXPECT_EQ(s.Clicks(), 0);
  EXPECT_FALSE(s.button->Down());
}

TEST(MediaButton, SpaceHeldClicksOnceOnRelease) {
  Scene s;
  s.button->SetFocus();
  SendKey(s.button, QEvent::KeyPress);
  EXPECT_EQ(kvtest::PixelAt(s.Shot(), 24, 11), clBlack.Value);
  for (int i = 0; i < 3; ++i) {
    SendKey(s.button, QEvent::KeyRelease, true);
    SendKey(s.button, QEvent::KeyPress, true);
  }
  EXPECT_EQ(s.Clicks(), 0);
  SendKey(s.button, QEvent::KeyRelease);
  EXPECT_EQ(s.Clicks(), 1);
  EXPECT_FALSE(s.button->MouseCapture());
}

TEST(MediaButton, PressTakesTheFocusOnlyWithTabStop) {
  Scene s;
  s.other->SetFocus();
  s.button->SetTabStop(false);
  Press(s.button, QPoint(20, 10));
  Release(s.button, QPoint(20, 10));
  EXPECT_FALSE(s.button->Focused());
  s.button->SetTabStop(true);
  Press(s.button, QPoint(20, 10));
  EXPECT_TRUE(s.button->Focused());
  Release(s.button, QPoint(20, 10));
}

TEST(MediaButton, LostPressesEndWithoutAClick) {
  const std::function<void(Scene&)> losses[] = {
      [](Scene& s) { s.other->SetFocus(); },
      [](Scene& s) {
        s.other->SetMouseCapture(true);
        s.other->SetMouseCapture(false);
      },
      [](Scene& s) { s.button->SetEnabled(false); },
      [](Scene& s) { s.button->Hide(); },
      [](Scene& s) { delete s.button.data(); },
  };
  for (bool bySpace : {true, false})
    for (size_t i = 0; i < std::size(losses); ++i) {
      if (!bySpace && i == 0) continue;
      Scene s;
      s.button->SetFocus();
      if (bySpace) SendKey(s.button, QEvent::KeyPress);
      else Press(s.button, QPoint(20, 10));
      ASSERT_TRUE(s.button->Down());
      losses[i](s);
      kvtest::Pump();
      if (s.button) {
        s.button->SetEnabled(true);
        s.button->Show();
        kvtest::Pump();
      }
      SCOPED_TRACE(testing::Message() << (bySpace ? "space " : "mouse ") << i);
      if (s.button && bySpace) SendKey(s.button, QEvent::KeyRelease);
      s.ExpectReleased();
    }
}

TEST(MediaButton, OnClickMayFreeTheButton) {
  for (bool bySpace : {false, true}) {
    Scene s;
    QObject::connect(s.button, &TControl::OnClick,
                     [&](TObject* sender) { delete static_cast<TKvMediaButton*>(sender); });
    if (bySpace) {
      s.button->SetFocus();
      SendKey(s.button, QEvent::KeyPress);
      SendKey(s.button, QEvent::KeyRelease);
    } else {
      Press(s.button, QPoint(20, 10));
      Release(s.button, QPoint(20, 10));
    }
    kvtest::Pump();  // a control freed by its handler goes once the event loop runs
    EXPECT_TRUE(s.button.isNull());
    EXPECT_EQ(std::count(s.log.begin(), s.log.end(), "up"), 0);
  }
}
