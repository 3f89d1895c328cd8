// The thumb the switch, the track bar and the slider share, checked on all three: handlers
// that free the control, the ways out of a confined drag, and a bitmap list that goes away.
#include "KvSlider.h"
#include "KvSwitch.h"
#include "KvTrackBar.h"

#include "CursorClip.h"
#include "Forms.h"
#include "KvSystem.h"
#include "Offscreen.h"
#include "Pixels.h"

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
