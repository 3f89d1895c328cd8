#include "KvSpinner.h"

#include "Forms.h"
#include "KvThreads.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

using kv::Bounds;

namespace {

constexpr int32_t kGreen = 0x008000, kLime = 0x00FF00, kBlack = 0;

// The middle of an arrow glyph, in the coordinates of its button.
QPoint Middle(const TKvSpinButton* b) {
  const TRect g = b->GlyphRect();
  return {g.Left + g.Width() / 2, g.Top + g.Height() / 2};
}
void Press(TControl* b, QPoint p) { QTest::mousePress(b, Qt::LeftButton, {}, p); }
void Release(TControl* b, QPoint p) { QTest::mouseRelease(b, Qt::LeftButton, {}, p); }
// Straight to the button, past the window system's double-click and pointer tracking.
void Send(TControl* b, QEvent::Type type, QPoint p) {
  QMouseEvent e(type, p, b->mapToGlobal(p), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(b, &e);
}

// Runs the event loop for about Ms milliseconds (timers included).
void Hold(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) kvtest::Pump(5);
}

struct Scene {
  TForm form{nullptr};
  QPointer<TKvSpinner> spinner;
  int ups = 0, downs = 0;
  explicit Scene(int w = 35, int h = 40) {
    spinner = new TKvSpinner(&form);
    spinner->SetParent(&form);
    spinner->SetBounds(10, 10, w, h);
    QObject::connect(spinner, &TKvSpinner::OnUpClick, [this](TObject*) { ++ups; });
    QObject::connect(spinner, &TKvSpinner::OnDownClick, [this](TObject*) { ++downs; });
    kvtest::ShowForm(&form, 80, 80);
  }
  TKvTimerSpinButton* Up() const { return spinner->UpButton(); }
  TKvTimerSpinButton* Down() const { return spinner->DownButton(); }
  void Key(int key) { QTest::keyClick(spinner, Qt::Key(key)); }
};

struct DesignTimeSpinner : TKvSpinner {
  using TComponent::SetDesigning;
  using TKvSpinner::TKvSpinner;
};

}  // namespace

TEST(Spinner, LayoutOfTheButtons) {
  Scene s;
  EXPECT_EQ(s.Up()->BoundsRect(), Bounds(0, 0, 35, 20));
  EXPECT_EQ(s.Down()->BoundsRect(), Bounds(0, 19, 35, 21));
  EXPECT_EQ(s.Up()->GlyphRect(), Bounds(7, 2, 21, 16));
  s.spinner->SetWidth(10);
  EXPECT_EQ(s.spinner->Width(), 15);
  s.spinner->SetOrientation(TKvOrientation::voHorizontal);
  s.spinner->SetBounds(10, 10, 41, 30);
  EXPECT_EQ(s.Up()->BoundsRect(), Bounds(0, 0, 20, 30));
  EXPECT_EQ(s.Down()->BoundsRect(), Bounds(20, 0, 20, 30));
  EXPECT_EQ(s.Up()->Arrow(), TKvSpinButton::ArrowLeft);
  EXPECT_EQ(s.Down()->Arrow(), TKvSpinButton::ArrowRight);
}

TEST(Spinner, GlyphCellsFollowPaletteAndState) {
  Scene s;
  TKvPalette palette;
  palette.SetLow(clRed);
  palette.SetHigh(clYellow);
  const QPoint m = Middle(s.Up());
  EXPECT_EQ(kvtest::PixelAt(s.Up(), m.x(), m.y()), kLime);
  Press(s.Up(), m);
  EXPECT_TRUE(s.Up()->Down());
  EXPECT_EQ(kvtest::PixelAt(s.Up(), m.x(), m.y()), kLime);
  Release(s.Up(), m);
  s.spinner->SetPalette(&palette);
  kvtest::Pump();
  EXPECT_EQ(kvtest::PixelAt(s.Up(), m.x(), m.y()), clYellow.Value);
  s.spinner->SetEnabled(false);
  kvtest::Pump();
  EXPECT_EQ(kvtest::PixelAt(s.Down(), m.x(), m.y()), clRed.Value);
  // Disabled: presses are ignored.
  Press(s.Down(), m);
  Release(s.Down(), m);
  EXPECT_EQ(s.downs, 0);
  // The black outline of the glyph never hits.
  const TRect g = s.Up()->GlyphRect();
  EXPECT_FALSE(s.Up()->HitTest(g.Left + 10, g.Top + 1));
  EXPECT_EQ(kvtest::PixelAt(s.Up(), g.Left + 10, g.Top + 1), kBlack);
}

TEST(Spinner, Pictures) {
  Scene s;
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(s.spinner), QStringLiteral("lib/spinner-initial"));
  Press(s.Down(), Middle(s.Down()));
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(s.spinner), QStringLiteral("lib/spinner-down-pressed"));
  Release(s.Down(), {-20, -20});
  s.spinner->SetEnabled(false);
  kvtest::Pump();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(s.spinner), QStringLiteral("lib/spinner-disabled"));
  EXPECT_EQ(kvtest::CountPixels(kvtest::Grab(s.spinner), kLime), 0);
  EXPECT_GT(kvtest::CountPixels(kvtest::Grab(s.spinner), kGreen), 0);
}

TEST(Spinner, ClicksOnlyOnTheArrow) {
  Scene s;
  const QPoint m = Middle(s.Up());
  Press(s.Up(), m);
  Release(s.Up(), m);
  EXPECT_EQ(s.ups, 1);
  Press(s.Up(), m);
  Release(s.Up(), {1, 1});  // off the arrow
  EXPECT_EQ(s.ups, 1);
  EXPECT_FALSE(s.Up()->Down());
  Press(s.Up(), {1, 1});  // outside the arrow: not pressed
  EXPECT_FALSE(s.Up()->Down());
  Release(s.Up(), m);
  EXPECT_EQ(s.ups, 1);
  Press(s.Down(), Middle(s.Down()));
  Release(s.Down(), Middle(s.Down()));
  EXPECT_EQ(s.downs, 1);
}

// A press on the arrow holds the capture (the press's own, no grab asked of the window
// system); a press beside it holds none, though its repeat timer runs.
TEST(Spinner, OnlyAPressOnTheArrowHoldsTheCapture) {
  Scene s;
  Send(s.Up(), QEvent::MouseButtonPress, Middle(s.Up()));
  EXPECT_TRUE(s.Up()->MouseCapture());
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  Send(s.Up(), QEvent::MouseButtonRelease, Middle(s.Up()));
  EXPECT_FALSE(s.Up()->MouseCapture());
  EXPECT_EQ(s.ups, 1);
  Send(s.Up(), QEvent::MouseButtonPress, {1, 1});
  EXPECT_FALSE(s.Up()->MouseCapture());
  EXPECT_FALSE(s.Up()->Down());
  ASSERT_NE(s.Up()->RepeatTimer(), nullptr);
  EXPECT_TRUE(s.Up()->RepeatTimer()->Enabled());
  Send(s.Up(), QEvent::MouseButtonRelease, {1, 1});
  EXPECT_FALSE(s.Up()->RepeatTimer()->Enabled());
  EXPECT_EQ(s.ups, 1);
}

TEST(Spinner, HoldingRepeatsAfter400ThenEvery100Ms) {
  Scene s;
  const QPoint m = Middle(s.Up());
  QElapsedTimer pressed;
  Press(s.Up(), m);
  pressed.start();
  Hold(300);
  if (pressed.elapsed() < 400) {
    EXPECT_EQ(s.ups, 0);
  }
  Hold(750);
  // Ticks at 400, 500 ... up to the time actually held (a loaded machine holds longer than
  // asked); it may also lose all but one.
  EXPECT_GE(s.ups, 1);
  EXPECT_LE(s.ups, (pressed.elapsed() - 400) / 100 + 1);
  const int held = s.ups;
  Release(s.Up(), m);
  EXPECT_EQ(s.ups, held + 1);
  Hold(250);
  EXPECT_EQ(s.ups, held + 1);
}

// Each press restarts the one timer; it never adds another tick handler.
TEST(Spinner, PressesDoNotMultiplyTheRepeat) {
  Scene s;
  for (int i = 0; i < 5; ++i) {
    Press(s.Up(), {1, 1});
    Release(s.Up(), {1, 1});
  }
  const QPoint m = Middle(s.Up());
  QElapsedTimer pressed;
  Press(s.Up(), m);
  pressed.start();
  Hold(650);  // ticks at 400, 500, 600 (one handler each, not one per press)
  EXPECT_GE(s.ups, 1);
  EXPECT_LE(s.ups, (pressed.elapsed() - 400) / 100 + 1);
  const int held = s.ups;
  Release(s.Up(), m);
  EXPECT_EQ(s.ups, held + 1);
}

TEST(Spinner, Keys) {
  Scene s;
  s.spinner->SetTabStop(true);
  s.spinner->SetFocus();
  kvtest::Pump();
  s.Key(Qt::Key_Down);
  EXPECT_EQ(s.downs, 1);
  EXPECT_EQ(s.spinner->FocusedButton(), s.Down());
  EXPECT_TRUE(s.Down()->FocusFrame());
  EXPECT_EQ(kvtest::PixelAt(s.Down(), 3, 10), kBlack);
  s.Key(Qt::Key_Space);
  EXPECT_EQ(s.downs, 2);
  s.Key(Qt::Key_Left);
  s.Key(Qt::Key_A);
  EXPECT_EQ(s.ups + s.downs, 2);
  s.spinner->SetOrientation(TKvOrientation::voHorizontal);
  s.Key(Qt::Key_Up);
  EXPECT_EQ(s.ups, 0);
  s.Key(Qt::Key_Left);
  EXPECT_EQ(s.ups, 1);
}

// The focus mark goes to the new up button when the buttons are replaced.
TEST(Spinner, OrientationChangeKeepsAFocusedButton) {
  Scene s;
  s.spinner->SetTabStop(true);
  s.spinner->SetFocus();
  kvtest::Pump();
  s.Key(Qt::Key_Down);
  s.spinner->SetOrientation(TKvOrientation::voHorizontal);
  s.spinner->SetOrientation(TKvOrientation::voVertical);
  kvtest::Pump();
  s.Key(Qt::Key_Space);
  EXPECT_EQ(s.ups, 1);
  EXPECT_TRUE(s.Up()->FocusFrame());
  EXPECT_EQ(s.Up()->BoundsRect(), Bounds(0, 0, 35, 20));
  s.form.SetFocus();
  kvtest::Pump();
  EXPECT_FALSE(s.Up()->FocusFrame());
  s.spinner->SetFocus();
  kvtest::Pump();
  EXPECT_TRUE(s.Up()->FocusFrame());
  EXPECT_EQ(s.ups, 1);
}

TEST(Spinner, HandlersMayFreeTheSpinnerOrReplaceItsButtons) {
  {  // freed on the second repeat
    Scene s;
    QObject::connect(s.spinner, &TKvSpinner::OnUpClick, [&] {
      if (s.ups == 2) delete s.spinner.data();
    });
    Press(s.Up(), Middle(s.Up()));
    Hold(700);
    EXPECT_TRUE(s.spinner.isNull());
    EXPECT_EQ(s.ups, 2);
  }
  {  // buttons replaced on the second repeat, then on a plain click, then on Space
    Scene s;
    s.spinner->SetTabStop(true);
    QObject::connect(s.spinner, &TKvSpinner::OnUpClick, [&] {
      s.spinner->SetOrientation(s.spinner->Orientation() == TKvOrientation::voVertical
                                    ? TKvOrientation::voHorizontal
                                    : TKvOrientation::voVertical);
    });
    QPointer<TKvTimerSpinButton> first = s.Up();
    Press(first, Middle(first));
    Hold(450);
    EXPECT_EQ(s.ups, 1);
    Hold(300);
    EXPECT_EQ(s.ups, 1);  // the replaced button no longer repeats, and is gone
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    Press(s.Up(), Middle(s.Up()));
    Release(s.Up(), Middle(s.Up()));
    EXPECT_EQ(s.ups, 2);
    s.spinner->SetFocus();
    kvtest::Pump();
    s.Key(Qt::Key_Space);
    EXPECT_EQ(s.ups, 3);
    EXPECT_EQ(s.spinner->Orientation(), TKvOrientation::voHorizontal);
  }
}

TEST(Spinner, ARaisingHandlerStopsTheRepeat) {
  Scene s;
  QObject::connect(s.spinner, &TKvSpinner::OnUpClick, [&] {
    if (s.ups == 2) throw std::runtime_error("refused");
  });
  Press(s.Up(), Middle(s.Up()));
  Hold(900);
  EXPECT_EQ(s.ups, 2);
  EXPECT_FALSE(s.Up()->RepeatTimer()->Enabled());
}

TEST(Spinner, PressEndsOnDisableWithoutAClick) {
  Scene s;
  Press(s.Up(), Middle(s.Up()));
  s.spinner->SetEnabled(false);
  kvtest::Pump();
  EXPECT_FALSE(s.Up()->Down());
  EXPECT_FALSE(s.Up()->RepeatTimer()->Enabled());
  Hold(500);
  Release(s.Up(), Middle(s.Up()));
  EXPECT_EQ(s.ups, 0);
}

TEST(Spinner, FocusControlIsClearedWhenFreedAndTakesTheFocus) {
  Scene s;
  TForm other(nullptr);
  auto* target = new TCustomControl(&other);
  target->SetParent(&other);
  s.spinner->SetFocusControl(target);
  delete target;
  EXPECT_EQ(s.spinner->FocusControl(), nullptr);
  auto* edit = new TCustomControl(&s.form);
  edit->SetParent(&s.form);
  edit->SetBounds(50, 10, 20, 20);
  edit->SetTabStop(true);
  s.spinner->SetFocusControl(edit);
  Press(s.Up(), Middle(s.Up()));
  Release(s.Up(), Middle(s.Up()));
  kvtest::Pump();
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(s.ups, 1);
}

// A button smaller than its glyph: hits stay inside the control and the drawn arrow.
TEST(Spinner, HitTestStaysInsideTheControl) {
  {
    Scene s(35, 20);
    TKvTimerSpinButton* up = s.Up();
    ASSERT_EQ(up->GlyphRect().Top, -3);
    for (QPoint p : {QPoint(17, -2), QPoint(17, 11), QPoint(-100, 300)}) {
      Press(up, {17, 5});
      Release(up, p);
    }
    EXPECT_EQ(s.ups, 0);
    EXPECT_FALSE(up->HitTest(17, -2));
    EXPECT_FALSE(up->HitTest(-100, 300));
  }
  Scene s(35, 20);
  // Without the repeat: on a loaded machine a press may last past its first tick.
  s.Up()->SetAllowRepeat(false);
  s.Down()->SetAllowRepeat(false);
  int hits = 0;
  for (TKvTimerSpinButton* b : {s.Up(), s.Down()})
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x) {
        const int before = s.ups + s.downs;
        Send(b, QEvent::MouseButtonPress, {x, y});
        const bool hit = b->HitTest(x, y);  // what the release is judged by
        Send(b, QEvent::MouseButtonRelease, {x, y});
        hits += hit;
        EXPECT_EQ(s.ups + s.downs - before, hit ? 1 : 0) << x << ", " << y;
      }
  EXPECT_GT(hits, 0);
}

TEST(Spinner, AModalDialogFromTheHandlerEndsThePress) {
  Scene s;
  int clicksWhenClosed = -1;
  QObject::connect(s.spinner, &TKvSpinner::OnUpClick, [&] {
    if (s.ups != 1) return;
    QDialog dialog;
    QTimer::singleShot(300, &dialog, [&] {
      clicksWhenClosed = s.ups;
      dialog.accept();
    });
    dialog.exec();
  });
  Press(s.Up(), Middle(s.Up()));
  Hold(800);  // the first repeat at 400 ms opens the dialog until about 700 ms
  EXPECT_EQ(clicksWhenClosed, 1);
  EXPECT_FALSE(s.Up()->Down());
  EXPECT_FALSE(s.Up()->RepeatTimer()->Enabled());
  Hold(300);
  Release(s.Up(), Middle(s.Up()));
  EXPECT_EQ(s.ups, 1);
  // The button is drawn up again: its normal cell, as a spinner never pressed.
  Scene fresh;
  EXPECT_SAME_PIXELS(kvtest::Grab(s.spinner), kvtest::Grab(fresh.spinner));
}

// While designing, an orientation change turns the spinner: it looks like one made in the
// new orientation at the swapped size. At run time and aligned, the size stays.
TEST(Spinner, DesigningTurnsTheSpinner) {
  TForm form(nullptr);
  auto* designed = new DesignTimeSpinner(&form);
  designed->SetParent(&form);
  designed->SetBounds(10, 10, 35, 40);
  designed->SetDesigning(true);
  kvtest::ShowForm(&form, 80, 80);
  designed->SetOrientation(TKvOrientation::voHorizontal);
  EXPECT_EQ(designed->BoundsRect(), Bounds(10, 10, 40, 35));
  EXPECT_EQ(designed->UpButton()->BoundsRect(), Bounds(0, 0, 20, 35));
  EXPECT_EQ(designed->DownButton()->BoundsRect(), Bounds(20, 0, 20, 35));
  Scene turned(40, 35);
  turned.spinner->SetOrientation(TKvOrientation::voHorizontal);
  kvtest::Pump();
  EXPECT_SAME_PIXELS(kvtest::Grab(designed), kvtest::Grab(turned.spinner));
  designed->SetOrientation(TKvOrientation::voVertical);
  EXPECT_EQ(designed->BoundsRect(), Bounds(10, 10, 35, 40));
  Scene upright;
  kvtest::Pump();
  EXPECT_SAME_PIXELS(kvtest::Grab(designed), kvtest::Grab(upright.spinner));

  upright.spinner->SetOrientation(TKvOrientation::voHorizontal);
  EXPECT_EQ(upright.spinner->BoundsRect(), Bounds(10, 10, 35, 40));
  designed->SetAlign(TAlign::alLeft);
  const TRect aligned = designed->BoundsRect();
  designed->SetOrientation(TKvOrientation::voHorizontal);
  EXPECT_EQ(designed->BoundsRect(), aligned);
  EXPECT_EQ(designed->DownButton()->BoundsRect(), Bounds(17, 0, 17, aligned.Height()));
}
