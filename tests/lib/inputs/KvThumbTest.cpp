// The thumb the switch, the track bar and the slider share, checked on all three: handlers
// that free the control, the ways out of a confined drag, a bitmap list that goes away, and
// the pictures of thumbs and backgrounds taken from a list.
#include "KvSlider.h"
#include "KvSwitch.h"
#include "KvTrackBar.h"

#include "CursorClip.h"
#include "Forms.h"
#include "KvSystem.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct CountingClip : kv::CursorClipBackend {
  int confines = 0, releases = 0, moves = 0;
  CursorClipBackend* previous;
  CountingClip() { previous = kv::SetCursorClipBackend(this); }
  ~CountingClip() override { kv::SetCursorClipBackend(previous); }
  void Confine(const TRect&) override { ++confines; }
  void Release() override { ++releases; }
  bool CanMovePointer() const override { return true; }
  void MovePointer(TPoint) override { ++moves; }
};

// Each control with active clicks and confinement on.
void Prepare(TKvSwitch&) {}
void Prepare(TKvTrackBar&) {}
void Prepare(TKvSlider& s) {
  s.SetOptions(TKvSliderOption::soActiveClick | TKvSliderOption::soMouseClip |
               TKvSliderOption::soHandPoint | TKvSliderOption::soThumbOpaque);
}

template <class T>
struct Scene {
  TForm form{nullptr};
  QPointer<T> control;
  Scene() {
    control = new T(&form);
    control->SetParent(&form);
    control->SetLeft(5);
    control->SetTop(5);
    Prepare(*control);
    kvtest::ShowForm(&form, 260, 200);
  }
  QPoint ThumbCentre() const {
    const TRect r = control->ThumbRect();
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  // A point on the travel far from the thumb.
  QPoint Beside() const {
    const QPoint c = ThumbCentre();
    return control->ThumbRect().Top > control->Height() / 2   ? QPoint(c.x(), 3)
           : control->ThumbRect().Left < control->Width() / 2 ? QPoint(control->Width() - 4, c.y())
                                                              : QPoint(3, c.y());
  }
  void OnChange(std::function<void()> f) {
    QObject::connect(control, &T::OnChange, [f](TObject*) { f(); });
  }
};

void Drag(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

void Hover(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

// The names the pictures of each control go by.
template <class T>
QString PictureName();
template <>
QString PictureName<TKvSwitch>() {
  return QStringLiteral("switch");
}
template <>
QString PictureName<TKvTrackBar>() {
  return QStringLiteral("trackbar");
}
template <>
QString PictureName<TKvSlider>() {
  return QStringLiteral("slider");
}

constexpr int32_t kFuchsia = 0xFF00FF, kBlack = 0, kSilver = 0xC0C0C0, kGrey = 0x808080;

// A thumb picture of one cell of Width x Height per face colour, side by side: a black
// outline around the face, the corners fuchsia, which is the picture's transparent colour
// (its bottom-left pixel).
void AddThumbCells(TKvBitmapList& list, int width, int height, std::vector<int32_t> faces) {
  TBitmap cells;
  cells.SetImage(kvtest::PictureOf(width * int(faces.size()), height, [&](int x, int y) {
    const int cx = x % width;
    const bool left = cx == 0, right = cx == width - 1, top = y == 0, bottom = y == height - 1;
    if ((left || right) && (top || bottom)) return kFuchsia;
    if (left || right || top || bottom) return kBlack;
    return faces[size_t(x / width)];
  }));
  list.Bitmaps()->Add(&cells);
}

template <class T>
class Thumb : public ::testing::Test {};
using ThumbControls = ::testing::Types<TKvSwitch, TKvTrackBar, TKvSlider>;
TYPED_TEST_SUITE(Thumb, ThumbControls);

}  // namespace

TYPED_TEST(Thumb, HandlersMayFreeTheControl) {
  using T = TypeParam;
  const std::vector<std::pair<std::string, std::function<void(Scene<T>&)>>> cases = {
      {"OnMouseDown",
       [](Scene<T>& s) {
         QObject::connect(
             s.control, &TControl::OnMouseDown,
             [&s](TObject*, TMouseButton, TShiftState, int, int) { delete s.control; });
         QTest::mousePress(s.control, Qt::LeftButton, {}, s.ThumbCentre());
       }},
      {"OnChange while dragging",
       [](Scene<T>& s) {
         QTest::mousePress(s.control, Qt::LeftButton, {}, s.ThumbCentre());
         s.OnChange([&s] { delete s.control; });
         const QPoint far = s.Beside();
         Drag(s.control, far);
       }},
      {"OnChange after an active click",
       [](Scene<T>& s) {
         s.OnChange([&s] { delete s.control; });
         QTest::mousePress(s.control, Qt::LeftButton, {}, s.Beside());
       }},
      {"OnChange after a key",
       [](Scene<T>& s) {
         s.OnChange([&s] { delete s.control; });
         QTest::keyPress(s.control, Qt::Key_End);
         if (s.control) QTest::keyPress(s.control, Qt::Key_Home);
       }},
  };
  for (const auto& [name, run] : cases) {
    SCOPED_TRACE(name);
    CountingClip clip;
    Scene<T> s;
    run(s);
    kvtest::Pump();  // a control freed by its handler goes once the event loop runs
    EXPECT_TRUE(s.control.isNull());
    EXPECT_EQ(kv::CursorClip::Current(), nullptr);
    EXPECT_EQ(clip.confines, clip.releases);
  }
}

TYPED_TEST(Thumb, EveryWayOutOfADragEndsTheConfinement) {
  using T = TypeParam;
  const std::vector<std::pair<std::string, std::function<void(Scene<T>&)>>> ends = {
      {"destroyed", [](Scene<T>& s) { delete s.control; }},
      {"capture lost", [](Scene<T>& s) { s.control->CMCancelMode(); }},
      {"disabled", [](Scene<T>& s) { s.control->SetEnabled(false); }},
      {"form hidden", [](Scene<T>& s) { s.form.Hide(); }},
      {"button up",
       [](Scene<T>& s) { QTest::mouseRelease(s.control, Qt::RightButton, {}, QPoint(-20, -20)); }},
      {"modal dialog from OnChange", [](Scene<T>& s) {
         bool confinedWhileOpen = true;
         s.OnChange([&confinedWhileOpen] {
           QDialog dialog;
           QTimer::singleShot(100, &dialog, [&] {
             confinedWhileOpen = kv::CursorClip::Current() != nullptr;
             dialog.accept();
           });
           dialog.exec();
         });
         Drag(s.control, s.Beside());
         EXPECT_FALSE(confinedWhileOpen);
       }}};
  for (const auto& [name, end] : ends) {
    SCOPED_TRACE(name);
    CountingClip clip;
    Scene<T> s;
    QTest::mousePress(s.control, Qt::LeftButton, {}, s.ThumbCentre());
    ASSERT_EQ(clip.confines, 1);
    ASSERT_TRUE(s.control->Dragging());
    end(s);
    EXPECT_EQ(clip.releases, 1);
    EXPECT_EQ(kv::CursorClip::Current(), nullptr);
    if (!s.control) continue;
    EXPECT_FALSE(s.control->Dragging());
    const int moves = clip.moves;
    Drag(s.control, QPoint(-300, -300));
    EXPECT_EQ(clip.moves, moves);
  }
}

TYPED_TEST(Thumb, AListOnAnotherFormGoesAway) {
  using T = TypeParam;
  Scene<T> s;
  const int builtIn = s.control->ThumbWidth();
  auto* other = new TForm(nullptr);
  auto* list = new TKvBitmapList(other);
  kvtest::Picture p(7, 7, clRed);
  list->Bitmaps()->Add(&p.bitmap);
  s.control->SetBitmapList(list);
  s.control->SetThumbImageIndex(0);
  EXPECT_EQ(s.control->ThumbWidth(), 7);
  delete other;
  EXPECT_EQ(s.control->BitmapList(), nullptr);
  EXPECT_EQ(s.control->ThumbWidth(), builtIn);
  const TRect r = s.control->ThumbRect();
  EXPECT_EQ(kvtest::PixelAt(kvtest::Grab(s.control), r.Left + 2, r.Top + 2), 0xC0C0C0);
}

// The hot cell shows only while the pointer is known to be over the thumb: leaving the
// control, a drag released elsewhere and disabling each end it.
TYPED_TEST(Thumb, HotThumbEndsWhenThePointerGoes) {
  using T = TypeParam;
  Scene<T> s;
  TKvBitmapList list(nullptr);
  constexpr int32_t kPressed = 0x0000FF, kHot = 0x00FFFF;
  AddThumbCells(list, s.control->ThumbWidth(), s.control->ThumbHeight(),
                {kSilver, kGrey, kPressed, kHot});
  s.control->SetBitmapList(&list);
  s.control->SetThumbStates(4);
  s.control->SetThumbImageIndex(0);
  const auto thumb = [&s] {
    const QPoint c = s.ThumbCentre();
    return kvtest::PixelAt(kvtest::Grab(s.control), c.x(), c.y());
  };
  Hover(s.control, s.ThumbCentre());
  EXPECT_EQ(thumb(), kHot);
  Hover(&s.form, QPoint(250, 190));  // beside the control
  EXPECT_FALSE(s.control->Hot());
  EXPECT_EQ(thumb(), kSilver);

  Hover(s.control, s.ThumbCentre());
  QTest::mousePress(s.control, Qt::LeftButton, {}, s.ThumbCentre());
  EXPECT_EQ(thumb(), kPressed);
  Drag(s.control, QPoint(-300, -300));
  Hover(&s.form, QPoint(250, 190));  // left while dragging: the drag goes on
  EXPECT_EQ(thumb(), kPressed);
  QTest::mouseRelease(s.control, Qt::LeftButton, {}, QPoint(-300, -300));
  EXPECT_FALSE(s.control->Hot());
  EXPECT_EQ(thumb(), kSilver);
  Hover(s.control, s.ThumbCentre());
  QTest::mousePress(s.control, Qt::LeftButton, {}, s.ThumbCentre());
  QTest::mouseRelease(s.control, Qt::LeftButton, {}, s.ThumbCentre());
  EXPECT_EQ(thumb(), kHot);  // released over the thumb

  s.control->SetEnabled(false);
  EXPECT_FALSE(s.control->Hot());
  EXPECT_EQ(thumb(), kGrey);
}

// Two cells (normal, disabled): the hot and the pressed states have no cell of their own and
// show the normal one; only the disabled state shows the second.
TYPED_TEST(Thumb, TwoCellPictureInItsStates) {
  using T = TypeParam;
  Scene<T> s;
  TKvBitmapList list(nullptr);
  AddThumbCells(list, s.control->ThumbWidth(), s.control->ThumbHeight(), {kSilver, kGrey});
  s.control->SetBitmapList(&list);
  s.control->SetThumbStates(2);
  s.control->SetThumbImageIndex(0);
  const QString name = QStringLiteral("lib/thumb-two-cells-") + PictureName<T>();
  const QPoint centre = s.ThumbCentre();
  const QImage normal = kvtest::Grab(s.control);
  EXPECT_EQ(kvtest::PixelAt(normal, centre.x(), centre.y()), kSilver);
  Hover(s.control, centre);
  ASSERT_TRUE(s.control->Hot());
  const QImage hot = kvtest::Grab(s.control);
  EXPECT_SAME_PIXELS(hot, normal);
  EXPECT_MATCHES_REFERENCE(hot, name + QStringLiteral("-hot"));
  QTest::mousePress(s.control, Qt::LeftButton, {}, centre);
  ASSERT_TRUE(s.control->Dragging());
  const QImage pressed = kvtest::Grab(s.control);
  EXPECT_SAME_PIXELS(pressed, normal);
  EXPECT_MATCHES_REFERENCE(pressed, name + QStringLiteral("-pressed"));
  QTest::mouseRelease(s.control, Qt::LeftButton, {}, centre);
  s.control->SetEnabled(false);
  const QImage disabled = kvtest::Grab(s.control);
  EXPECT_EQ(kvtest::PixelAt(disabled, centre.x(), centre.y()), kGrey);
  EXPECT_MATCHES_REFERENCE(disabled, name + QStringLiteral("-disabled"));
}

// A list's background stretched under the thumb (over the bevel's interior on the switch,
// over the whole client area on the track bar) and a four-cell thumb showing its first cell;
// the switch's thumb is opaque, the track bar's lets the background through its corners.
template <class T>
void ListPictures(const std::function<void(T&)>& backAndOptions) {
  Scene<T> s;
  TKvBitmapList list(nullptr);
  TBitmap back;
  back.SetImage(kvtest::PictureOf(16, 8, [](int x, int y) {
    return (x + y) % 4 < 2 ? 0x20A0F0 : int32_t(0x401000 + 0x000C00 * x + 0x1C * y);
  }));
  list.Bitmaps()->Add(&back);
  AddThumbCells(list, s.control->ThumbWidth(), s.control->ThumbHeight(),
                {kSilver, kGrey, 0x0000FF, 0x00FFFF});
  s.control->SetBitmapList(&list);
  s.control->SetThumbStates(4);
  s.control->SetThumbImageIndex(1);
  backAndOptions(*s.control);
  const TRect r = s.control->ThumbRect();
  const QImage shot = kvtest::Grab(s.control);
  EXPECT_EQ(kvtest::PixelAt(shot, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), kSilver);
  EXPECT_MATCHES_REFERENCE(
      shot, QStringLiteral("lib/") + PictureName<T>() + QStringLiteral("-list-pictures"));
}

TEST(ThumbPictures, ListBackgroundAndFourCellThumb) {
  {
    SCOPED_TRACE("switch");
    ListPictures<TKvSwitch>([](TKvSwitch& sw) { sw.SetBackImageIndex(0); });
  }
  {
    SCOPED_TRACE("track bar");
    ListPictures<TKvTrackBar>([](TKvTrackBar& bar) {
      bar.SetBackImageIndex(0);
      bar.SetOptions(bar.Options() & ~TKvTrackBarOptions(TKvTrackBarOption::toThumbOpaque));
    });
  }
}

// A value change repaints only the band the thumb crossed: every such frame must show what a
// repaint of the whole control shows, with the built-in thumb and with a list thumb smaller
// than the face across the travel (a slider lights its whole strip's width).
TYPED_TEST(Thumb, MovedThumbFramesMatchWholeRepaints) {
  using T = TypeParam;
  for (const bool small : {false, true}) {
    SCOPED_TRACE(small ? "small list thumb" : "built-in thumb");
    Scene<T> s;
    TKvBitmapList list(nullptr);
    if (small) {
      AddThumbCells(list, 7, 7, {kSilver});
      s.control->SetBitmapList(&list);
      s.control->SetThumbImageIndex(0);
    }
    const auto expectWhole = [&s](const char* step) {
      SCOPED_TRACE(step);
      const QImage live = kvtest::Grab(s.control);
      s.control->Repaint();
      EXPECT_SAME_PIXELS(live, kvtest::Grab(s.control));
    };
    const QPoint beside = s.Beside();
    const TRect before = s.control->ThumbRect();
    QTest::mousePress(s.control, Qt::LeftButton, {}, beside);
    expectWhole("active click");
    EXPECT_NE(s.control->ThumbRect(), before);
    QTest::mouseRelease(s.control, Qt::LeftButton, {}, beside);
    QTest::keyClick(s.control, Qt::Key_End);
    expectWhole("End");
    QTest::keyClick(s.control, Qt::Key_Home);
    expectWhole("Home");
    QTest::keyClick(s.control, Qt::Key_Up);
    QTest::keyClick(s.control, Qt::Key_Right);
    expectWhole("arrow");
    QPoint at = s.ThumbCentre();
    QTest::mousePress(s.control, Qt::LeftButton, {}, at);
    for (const QPoint step : {QPoint(5, 5), QPoint(-3, -3), QPoint(40, 40), QPoint(-90, -90)}) {
      at += step;
      Drag(s.control, at);
      expectWhole("drag");
    }
    QTest::mouseRelease(s.control, Qt::LeftButton, {}, at);
  }
}
