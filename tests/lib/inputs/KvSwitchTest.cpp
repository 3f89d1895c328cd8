#include "KvSwitch.h"

#include "CursorClip.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "KvSystem.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using kv::Bounds, kv::ColorToRGB, kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kSilver = 0xC0C0C0, kWhite = 0xFFFFFF, kGrey = 0x808080, kBlack = 0;

// Records what the confinement asks of the platform.
struct RecordingClip : kv::CursorClipBackend {
  std::vector<std::string> log;
  CursorClipBackend* previous;
  RecordingClip() { previous = kv::SetCursorClipBackend(this); }
  ~RecordingClip() override { kv::SetCursorClipBackend(previous); }
  void Confine(const TRect& r) override {
    log.push_back("confine " + std::to_string(r.Left) + "," + std::to_string(r.Top) + " " +
                  std::to_string(r.Width()) + "x" + std::to_string(r.Height()));
  }
  void Release() override { log.push_back("release"); }
  bool CanMovePointer() const override { return true; }
  void MovePointer(TPoint p) override {
    log.push_back("move " + std::to_string(p.X) + "," + std::to_string(p.Y));
  }
};

void Press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
  QTest::mousePress(w, b, {}, p);
}
void Release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
  QTest::mouseRelease(w, b, {}, p);
}
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
void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers m = {}) { QTest::keyClick(w, key, m); }

// A switch at (10, 10) on a shown form.
struct Scene {
  TForm form{nullptr};
  QPointer<TKvSwitch> sw;
  std::vector<int> changes;
  Scene() {
    sw = new TKvSwitch(&form);
    sw->SetParent(&form);
    sw->SetLeft(10);
    sw->SetTop(10);
    QObject::connect(sw, &TKvSwitch::OnChange,
                     [this](TObject*) { changes.push_back(sw->Offset()); });
    kvtest::ShowForm(&form, 200, 200);
  }
  QPoint ThumbCentre() const {
    const TRect r = sw->ThumbRect();
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
};

// A thumb picture of Cells cells of 24 x 12, each filled with its own colour and a black
// bottom-left pixel (the transparent colour).
void AddCells(TKvBitmapList& list, std::initializer_list<TColor> cells, int w = 24, int h = 12) {
  kvtest::Picture p(w * int(cells.size()), h, clBlack);
  int x = 0;
  for (TColor c : cells) {
    p.c->Brush()->SetColor(c);
    p.c->FillRect(Rect(x, 0, x + w, h - 1));
    x += w;
  }
  list.Bitmaps()->Add(&p.bitmap);
}

int ThumbColour(TKvSwitch& sw) {
  const QImage shot = kvtest::Grab(&sw);
  const TRect r = sw.ThumbRect();
  return PixelAt(shot, r.Left + 2, r.Top + 2);
}

}  // namespace

TEST(Switch, InitialSettingsAndStreamingDefaults) {
  TKvSwitch sw(nullptr);
  EXPECT_EQ(sw.BoundsRect(), Rect(0, 0, 29, 50));
  EXPECT_EQ(sw.Positions(), 4);
  EXPECT_EQ(sw.Offset(), 0);
  EXPECT_EQ(sw.Color().Value, clBlack.Value);
  EXPECT_FALSE(sw.ParentColor());
  EXPECT_FALSE(sw.TabStop());
  EXPECT_EQ(sw.Options(), TKvSwitchOption::soActiveClick | TKvSwitchOption::soMouseClip |
                              TKvSwitchOption::soHandPoint | TKvSwitchOption::soThumbOpaque);
  EXPECT_EQ(sw.Bevel()->InnerSpace(), 0);
  EXPECT_EQ(sw.Bevel()->OuterOutline(), TKvBevelOutlineStyle::osNone);
  EXPECT_EQ(sw.sizeHint(), QSize(29, 50));
  const auto defaults = kvtest::StreamingDefaults(TKvSwitch::staticMetaObject);
  EXPECT_EQ(defaults.at("Options"), "[soActiveClick, soMouseClip, soHandPoint, soThumbOpaque]");
  EXPECT_EQ(defaults.at("Color"), "clBlack");
  EXPECT_EQ(defaults.at("ParentColor"), "false");
}

TEST(Switch, FourStopsLieAtTheTableTops) {
  Scene s;
  const int tops[] = {36, 25, 13, 2};  // 11.33 and 22.67 rounded
  for (int offset = 0; offset < 4; ++offset) {
    s.sw->SetOffset(offset);
    EXPECT_EQ(s.sw->ThumbRect(), Bounds(2, tops[offset], 24, 12)) << offset;
    const QImage shot = kvtest::Grab(s.sw);
    const int t = tops[offset];
    EXPECT_EQ(PixelAt(shot, 2, t), kBlack);
    EXPECT_EQ(PixelAt(shot, 3, t + 1), kWhite);
    EXPECT_EQ(PixelAt(shot, 4, t + 2), kSilver);
    EXPECT_EQ(PixelAt(shot, 24, t + 10), kGrey);
    EXPECT_EQ(PixelAt(shot, 10, t + 5), kBlack);  // groove centre
  }
  const QImage shot = kvtest::Grab(s.sw);
  EXPECT_EQ(PixelAt(shot, 0, 0), ColorToRGB(clBtnFace));
  EXPECT_EQ(PixelAt(shot, 0, 49), ColorToRGB(clBtnFace));
}

TEST(Switch, OffsetClampsAndPositionsKeepsIt) {
  TKvSwitch sw(nullptr);
  std::vector<int> changes;
  QObject::connect(&sw, &TKvSwitch::OnChange, [&](TObject*) { changes.push_back(sw.Offset()); });
  sw.SetOffset(10);
  EXPECT_EQ(sw.Offset(), 3);
  sw.SetOffset(-5);
  EXPECT_EQ(sw.Offset(), 0);
  sw.SetOffset(3);
  sw.SetPositions(2);
  EXPECT_EQ(sw.Offset(), 3);  // not re-clamped
  EXPECT_EQ(sw.Height(), 26);
  EXPECT_EQ(changes, (std::vector<int>{3, 0, 3}));
}

TEST(Switch, SizeIsBoundedAndRefusedValuesKeepIt) {
  TKvSwitch sw(nullptr);
  sw.SetPositions(0);
  sw.SetPositions(-5);
  sw.SetPositions(INT_MIN);
  EXPECT_EQ(sw.Positions(), 4);
  sw.SetPositions(2730);
  EXPECT_EQ(sw.Height(), 32762);
  sw.SetPositions(2731);
  EXPECT_EQ(sw.Positions(), 2730);
  sw.SetBorderWidth(INT_MAX);
  sw.SetBorderWidth(-1);
  EXPECT_EQ(sw.BorderWidth(), 1);
  sw.SetPositions(4);
  // A long list thumb arrives: the side stops at the largest window, and paints.
  TKvBitmapList list(nullptr);
  kvtest::Picture tall(1, 40000, clRed);
  list.Bitmaps()->Add(&tall.bitmap);
  sw.SetBitmapList(&list);
  sw.SetThumbImageIndex(0);
  EXPECT_EQ(sw.Height(), TKvSwitch::kMaxSide);
  const QImage shot = kvtest::RenderControl(&sw, 0x406080);
  EXPECT_EQ(shot.height(), TKvSwitch::kMaxSide);
  sw.SetBitmapList(nullptr);
}

TEST(Switch, KeysStepTowardsTheArrow) {
  Scene s;
  uint16_t lastKey = 0;
  QObject::connect(s.sw, &TWinControl::OnKeyDown,
                   [&](TObject*, uint16_t& k, TShiftState) { lastKey = k; });
  Key(s.sw, Qt::Key_Up);
  EXPECT_EQ(s.sw->Offset(), 1);
  Key(s.sw, Qt::Key_End);
  EXPECT_EQ(s.sw->Offset(), 3);
  Key(s.sw, Qt::Key_Down, Qt::ShiftModifier);  // modifiers leave the value
  EXPECT_EQ(s.sw->Offset(), 3);
  EXPECT_EQ(lastKey, kv::VK_DOWN);
  Key(s.sw, Qt::Key_Home);
  EXPECT_EQ(s.sw->Offset(), 0);
  s.sw->SetStyle(TKvProgressStyle::psTopRight);
  s.sw->SetOffset(2);
  Key(s.sw, Qt::Key_Up);  // up lowers it, and the thumb moves up
  EXPECT_EQ(s.sw->Offset(), 1);
  EXPECT_EQ(s.sw->ThumbRect().Top, 13);
  Key(s.sw, Qt::Key_Left);  // not an arrow of a vertical switch
  EXPECT_EQ(s.sw->Offset(), 1);
}

TEST(Switch, DragFiresOncePerStopAndActiveClickCentres) {
  Scene s;
  const QPoint grab = s.ThumbCentre();
  Press(s.sw, grab);
  EXPECT_TRUE(s.sw->Dragging());
  for (int y = grab.y(); y >= -40; y -= 3) Drag(s.sw, QPoint(grab.x(), y));
  Release(s.sw, QPoint(grab.x(), -40));
  EXPECT_EQ(s.changes, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(s.sw->Dragging());
  s.changes.clear();
  // Beside the thumb: the stop nearest the pointer, no drag.
  Press(s.sw, QPoint(14, 33));  // thumb top 27 -> stop at 25
  EXPECT_FALSE(s.sw->Dragging());
  Release(s.sw, QPoint(14, 33));
  EXPECT_EQ(s.changes, (std::vector<int>{1}));
}

TEST(Switch, ThumbCellsFollowTheState) {
  Scene s;
  TKvBitmapList list(nullptr);
  AddCells(list, {clRed, clLime});
  s.sw->SetBitmapList(&list);
  s.sw->SetThumbStates(2);
  s.sw->SetThumbImageIndex(0);
  EXPECT_EQ(s.sw->ThumbWidth(), 24);
  EXPECT_EQ(ThumbColour(*s.sw), 0x0000FF);
  s.sw->SetEnabled(false);
  EXPECT_EQ(ThumbColour(*s.sw), 0x00FF00);
  s.sw->SetEnabled(true);
  Hover(s.sw, s.ThumbCentre());
  EXPECT_TRUE(s.sw->Hot());
  EXPECT_EQ(ThumbColour(*s.sw), 0x0000FF);  // hot cell 3 falls back to 0
  Press(s.sw, s.ThumbCentre());
  EXPECT_EQ(ThumbColour(*s.sw), 0x0000FF);  // pressed cell 2 as well
  Release(s.sw, s.ThumbCentre());
  // Four cells: each state its own.
  AddCells(list, {clRed, clLime, clBlue, clYellow});
  s.sw->SetThumbStates(4);
  s.sw->SetThumbImageIndex(1);
  Hover(s.sw, s.ThumbCentre());
  EXPECT_EQ(ThumbColour(*s.sw), 0x00FFFF);
  Press(s.sw, s.ThumbCentre());
  EXPECT_EQ(ThumbColour(*s.sw), 0xFF0000);
  Release(s.sw, s.ThumbCentre());
  s.sw->SetThumbImageIndex(-1);
  EXPECT_EQ(s.sw->ThumbWidth(), 6);  // the built-in picture cut into four
}

// One stop, or no room to travel: the thumb sits at the travel start, every input reads the
// minimum.
TEST(Switch, DegenerateTravelIsGuarded) {
  for (const bool oneStop : {true, false}) {
    Scene s;
    if (oneStop) {
      s.sw->SetPositions(1);
    } else {
      s.sw->SetPositions(2);
      s.sw->SetThumbIndent(6);  // L = 24 - 12 - 12 = 0
    }
    int start = 0, length = 0;
    s.sw->GetTravelRect(start, length);
    EXPECT_LE(length, 0);
    EXPECT_EQ(s.sw->ThumbRect().Top, start);
    Press(s.sw, QPoint(14, 1));
    Drag(s.sw, QPoint(14, -100));
    Release(s.sw, QPoint(14, -100));
    Key(s.sw, Qt::Key_Up);
    Key(s.sw, Qt::Key_End);
    EXPECT_EQ(s.sw->Offset(), s.sw->Positions() - 1);
    EXPECT_EQ(s.sw->PixelToValue(1000), 0);
  }
}

TEST(Switch, CursorConfinementEndsWithTheDrag) {
  RecordingClip clip;
  Scene s;
  std::vector<QPoint> moves;
  QObject::connect(s.sw, &TControl::OnMouseMove,
                   [&](TObject*, TShiftState, int x, int y) { moves.emplace_back(x, y); });
  Press(s.sw, s.ThumbCentre());
  ASSERT_EQ(clip.log, (std::vector<std::string>{"confine 10,10 29x50"}));
  Drag(s.sw, QPoint(-50, 500));
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back(), QPoint(0, 49));
  EXPECT_EQ(clip.log.back(), "move 10,59");
  Release(s.sw, QPoint(0, 49));
  EXPECT_EQ(clip.log.back(), "release");
  EXPECT_EQ(kv::CursorClip::Current(), nullptr);

  // Without the option nothing is confined.
  clip.log.clear();
  s.sw->SetOptions(TKvSwitchOption::soActiveClick);
  Press(s.sw, s.ThumbCentre());
  Drag(s.sw, QPoint(-50, 500));
  Release(s.sw, QPoint(-50, 500));
  EXPECT_TRUE(clip.log.empty());
}

TEST(Switch, ConfinementEndsOnEveryWayOutOfTheDrag) {
  const std::vector<std::pair<std::string, std::function<void(Scene&)>>> ends = {
      {"destroyed", [](Scene& s) { delete s.sw; }},
      {"capture lost", [](Scene& s) { s.sw->CMCancelMode(); }},
      {"disabled", [](Scene& s) { s.sw->SetEnabled(false); }},
      {"form hidden", [](Scene& s) { s.form.Hide(); }},
  };
  for (const auto& [name, end] : ends) {
    SCOPED_TRACE(name);
    RecordingClip clip;
    Scene s;
    Press(s.sw, s.ThumbCentre());
    ASSERT_NE(kv::CursorClip::Current(), nullptr);
    end(s);
    EXPECT_EQ(kv::CursorClip::Current(), nullptr);
    EXPECT_EQ(clip.log.back(), "release");
    const size_t entries = clip.log.size();
    if (s.sw) {
      EXPECT_FALSE(s.sw->Dragging());
      Drag(s.sw, QPoint(-50, 500));
      EXPECT_EQ(clip.log.size(), entries);
    }
  }
}

TEST(Switch, HandlersMayFreeTheSwitch) {
  const std::vector<std::pair<std::string, std::function<void(Scene&)>>> cases = {
      {"OnMouseDown",
       [](Scene& s) {
         QObject::connect(s.sw, &TControl::OnMouseDown,
                          [&s](TObject*, TMouseButton, TShiftState, int, int) { delete s.sw; });
         Press(s.sw, s.ThumbCentre());
       }},
      {"OnChange while dragging",
       [](Scene& s) {
         const QPoint c = s.ThumbCentre();
         Press(s.sw, c);
         QObject::connect(s.sw, &TKvSwitch::OnChange, [&s](TObject*) { delete s.sw; });
         Drag(s.sw, QPoint(c.x(), 2));
       }},
      {"OnChange after an active click",
       [](Scene& s) {
         QObject::connect(s.sw, &TKvSwitch::OnChange, [&s](TObject*) { delete s.sw; });
         Press(s.sw, QPoint(14, 4));
       }},
      {"OnChange after a key",
       [](Scene& s) {
         QObject::connect(s.sw, &TKvSwitch::OnChange, [&s](TObject*) { delete s.sw; });
         QTest::keyPress(s.sw, Qt::Key_Up);
       }},
  };
  for (const auto& [name, run] : cases) {
    SCOPED_TRACE(name);
    RecordingClip clip;
    Scene s;
    run(s);
    kvtest::Pump();  // a control freed by its handler goes once the event loop runs
    EXPECT_TRUE(s.sw.isNull());
    EXPECT_EQ(kv::CursorClip::Current(), nullptr);
  }
}

TEST(Switch, AListOnAnotherFormGoesAway) {
  for (const bool owned : {true, false}) {
    SCOPED_TRACE(owned ? "owned by form B" : "without owner");
    Scene s;
    auto* formB = new TForm(nullptr);
    auto* list = new TKvBitmapList(owned ? formB : nullptr);
    AddCells(*list, {clRed}, 12, 12);
    s.sw->SetBitmapList(list);
    s.sw->SetThumbImageIndex(0);
    EXPECT_EQ(s.sw->ThumbWidth(), 12);
    if (owned) delete formB;
    else {
      delete list;
      delete formB;
    }
    EXPECT_EQ(s.sw->BitmapList(), nullptr);
    EXPECT_EQ(s.sw->ThumbWidth(), 24);
    EXPECT_EQ(ThumbColour(*s.sw), kSilver);
    TKvBitmapList next(nullptr);
    s.sw->SetBitmapList(&next);
    EXPECT_EQ(s.sw->BitmapList(), &next);
    s.sw->SetBitmapList(nullptr);
  }
  // One form holding the list before its switch, one after: both go down quietly.
  for (const bool listFirst : {true, false}) {
    auto* form = new TForm(nullptr);
    TKvBitmapList* list = listFirst ? new TKvBitmapList(form) : nullptr;
    auto* sw = new TKvSwitch(form);
    sw->SetParent(form);
    if (!listFirst) list = new TKvBitmapList(form);
    AddCells(*list, {clRed});
    sw->SetBitmapList(list);
    sw->SetThumbImageIndex(0);
    delete form;
  }
}

TEST(Switch, ReadsBackAtItsStoredSize) {
  for (const bool horizontal : {true, false}) {
    TForm form(nullptr);
    auto* sw = new TKvSwitch(&form);
    sw->SetName(QStringLiteral("Switch"));
    sw->SetParent(&form);
    if (horizontal) sw->SetOrientation(TKvOrientation::voHorizontal);
    sw->SetPositions(6);
    sw->SetOffset(4);
    EXPECT_EQ(sw->BoundsRect(), horizontal ? Rect(0, 0, 74, 29) : Rect(0, 0, 29, 74));
    const QByteArray text = kv::WriteComponent(&form);
    TForm copy(nullptr);
    kv::ReadComponent(&copy, text, QStringLiteral("switch.kvf"));
    auto* read = dynamic_cast<TKvSwitch*>(copy.FindComponent(QStringLiteral("Switch")));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->BoundsRect(), sw->BoundsRect());
    EXPECT_EQ(read->Offset(), 4);
  }
  // ThumbStates read while loading still cuts the built-in thumb on load.
  TForm form(nullptr);
  auto* sw = new TKvSwitch(&form);
  sw->SetName(QStringLiteral("Switch"));
  sw->SetThumbStates(2);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("switch.kvf"));
  auto* read = dynamic_cast<TKvSwitch*>(copy.FindComponent(QStringLiteral("Switch")));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->ThumbWidth(), 12);
}

TEST(Switch, Pictures) {
  TKvSwitch sw(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&sw, 0x406080), "lib/switch-initial");
  Scene s;
  s.sw->SetBounds(10, 10, 31, 50);
  s.sw->SetTabStop(true);
  s.sw->SetFocus();
  kvtest::Pump();
  EXPECT_TRUE(s.sw->HasFocus());
  const QImage focused = kvtest::Grab(s.sw);
  EXPECT_EQ(PixelAt(focused, 0, 0), ColorToRGB(clBlue));
  EXPECT_EQ(s.sw->ThumbRect().Left, 3);
  EXPECT_MATCHES_REFERENCE(focused, "lib/switch-focused");
}
