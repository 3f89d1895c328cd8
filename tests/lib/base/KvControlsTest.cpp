#include "KvControls.h"

#include "Forms.h"
#include "Offscreen.h"

#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QPointer>

using kv::Bounds, kv::Screen;

namespace {

// A parent whose picture changes colour each time it paints, so a capture shows which of
// its paints it came from.
class StripedParent : public TCustomControl {
public:
  explicit StripedParent(TComponent* owner) : TCustomControl(owner) {}
  int Paints = 0;
  TColor NextColor = clRed;

protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(NextColor);
    Canvas()->FillRect(ClientRect());
  }
};

// A transparent image control that draws one moving dot on its captured background.
class Blinker : public TKvGraphicImageControl {
public:
  explicit Blinker(TComponent* owner) : TKvGraphicImageControl(owner) {}
  int Frame = 0;
  int Paints = 0;
  using TKvGraphicImageControl::Background;
  using TKvGraphicImageControl::GrabBackground;

protected:
  void Paint() override {
    ++Paints;
    ClearBitmapCanvas();
    BitmapCanvas()->SetPixels(Frame % Width(), 0, clLime);
    TKvGraphicImageControl::Paint();
  }
};

struct Scene {
  TForm form{nullptr};
  StripedParent* parent;
  Blinker* blinker;
  Scene() {
    parent = new StripedParent(&form);
    parent->SetParent(&form);
    parent->SetBounds(0, 0, 40, 30);
    blinker = new Blinker(&form);
    blinker->SetParent(parent);
    blinker->SetBounds(10, 10, 8, 8);
    blinker->SetTransparent(true);
    kvtest::ShowForm(&form, 40, 30);
  }
  int32_t Under() { return kvtest::PixelAt(&form, 10 + 5, 10 + 5); }
};

}  // namespace

TEST(GraphicImageControl, AnimationKeepsTheBackgroundOfTheLastOutsideRepaint) {
  Scene s;
  ASSERT_EQ(s.Under(), clRed.Value);
  const int parentPaints = s.parent->Paints;
  s.parent->NextColor = clBlue;  // a parent repaint now would show blue
  for (int i = 1; i <= 20; ++i) {
    s.blinker->Frame = i;
    s.blinker->UpdateControl();
    EXPECT_EQ(s.Under(), clRed.Value) << "frame " << i;
  }
  // The control's own repaints never repainted the parent behind it.
  EXPECT_EQ(s.parent->Paints, parentPaints);
  EXPECT_EQ(kvtest::PixelAt(&s.form, 10 + 20 % 8, 10), clLime.Value);
}

TEST(GraphicImageControl, RecapturesAfterAnOutsideRepaint) {
  Scene s;
  s.parent->NextColor = clBlue;
  s.parent->Repaint();  // the parent changed: an outside repaint of the control
  EXPECT_EQ(s.Under(), clBlue.Value);
  s.blinker->Frame = 3;
  s.blinker->UpdateControl();
  EXPECT_EQ(s.Under(), clBlue.Value);
  EXPECT_EQ(kvtest::PixelAt(&s.form, 13, 10), clLime.Value);
}

TEST(GraphicImageControl, TransparentOffAddsTheOpaqueFlagAndFillsWithColor) {
  Scene s;
  EXPECT_FALSE(s.blinker->ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  s.blinker->SetColor(clYellow);
  s.blinker->SetTransparent(false);
  EXPECT_TRUE(s.blinker->ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  EXPECT_EQ(s.Under(), clYellow.Value);
}

TEST(GraphicImageControl, FirstPaintCapturesAndSelfRepaintsReuse) {
  Scene s;
  EXPECT_FALSE(s.blinker->Background()->Empty());
  s.blinker->UpdateControl();
  // Paint re-arms the capture for the next outside repaint.
  EXPECT_TRUE(s.blinker->GrabBackground());
}

namespace {

class Counting : public TKvGraphicControl {
public:
  explicit Counting(TComponent* owner) : TKvGraphicControl(owner) {}
  int Bounds = 0;
  int Paints = 0;
  int Depth = 0;
  int MaxDepth = 0;
  bool GrowInPaint = false;
  void SetBounds(int l, int t, int w, int h) override {
    ++Bounds;
    TKvGraphicControl::SetBounds(l, t, w, h);
  }
  using TComponent::SetLoadingState;

protected:
  void Paint() override {
    ++Paints;
    MaxDepth = std::max(MaxDepth, ++Depth);
    if (GrowInPaint && Width() < 30) {
      SetBounds(Left(), Top(), Width() + 1, Height());  // a size rule applied while painting
      UpdateControl();
    }
    --Depth;
  }
};

}  // namespace

TEST(GraphicControl, NothingHappensWhileLoading) {
  TForm form(nullptr);
  auto* c = new Counting(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 10, 10);
  kvtest::ShowForm(&form, 20, 20);
  const int paints = c->Paints, bounds = c->Bounds;
  c->SetLoadingState(true);
  c->UpdateControl();
  c->AdjustBounds();
  EXPECT_EQ(c->Paints, paints);
  EXPECT_EQ(c->Bounds, bounds);
  c->SetLoadingState(false);
  c->AdjustBounds();
  EXPECT_EQ(c->Bounds, bounds + 1);
  EXPECT_EQ(c->Paints, paints + 1);  // unchanged bounds: AdjustBounds repaints itself
}

TEST(GraphicControl, AdjustAutoBoundsWithClientAlignOnlyRepaints) {
  TForm form(nullptr);
  auto* c = new Counting(&form);
  c->SetParent(&form);
  c->SetAlign(TAlign::alClient);
  c->SetAutoSize(true);
  kvtest::ShowForm(&form, 20, 20);
  const int paints = c->Paints, bounds = c->Bounds;
  c->AdjustAutoBounds();
  EXPECT_EQ(c->Bounds, bounds);
  EXPECT_EQ(c->Paints, paints + 1);
}

TEST(GraphicControl, RepaintRequestedDuringPaintDoesNotNest) {
  TForm form(nullptr);
  auto* c = new Counting(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 10, 10);
  kvtest::ShowForm(&form, 40, 20);
  c->GrowInPaint = true;
  c->UpdateControl();
  kvtest::Pump(50);
  EXPECT_EQ(c->MaxDepth, 1);
  EXPECT_EQ(c->Width(), 30);
}

TEST(SharedComponent, LinkAndComponentDestroyedInEitherOrder) {
  {
    TKvSharedComponent shared(nullptr);
    auto* link = new TKvChangeLink;
    shared.InsertLink(link);
    EXPECT_EQ(link->Sender(), &shared);
    delete link;
    EXPECT_EQ(shared.LinkCount(), 0);
  }
  TKvChangeLink a, b;
  {
    TKvSharedComponent shared(nullptr);
    shared.InsertLink(&a);
    shared.InsertLink(&b);
  }
  EXPECT_EQ(a.Sender(), nullptr);
  EXPECT_EQ(b.Sender(), nullptr);
}

TEST(SharedComponent, NotifyClientsSurvivesHandlersThatRemoveLinks) {
  TKvSharedComponent shared(nullptr);
  TKvChangeLink first, second, third;
  std::vector<int> calls;
  QObject::connect(&first, &TKvChangeLink::OnChange, [&](TObject* sender) {
    EXPECT_EQ(sender, &shared);
    calls.push_back(1);
    shared.RemoveLink(&first);
    shared.RemoveLink(&second);
  });
  QObject::connect(&second, &TKvChangeLink::OnChange, [&](TObject*) { calls.push_back(2); });
  QObject::connect(&third, &TKvChangeLink::OnChange, [&](TObject*) { calls.push_back(3); });
  shared.InsertLink(&first);
  shared.InsertLink(&second);
  shared.InsertLink(&third);
  shared.NotifyClients();
  EXPECT_EQ(calls, (std::vector<int>{1, 3}));
  shared.RemoveLink(&second);  // not registered any more: nothing happens
  EXPECT_EQ(shared.LinkCount(), 1);
}

TEST(ControlBases, VersionIsOneThreeAndNeverStored) {
  TKvGraphicControl g(nullptr);
  TKvCustomControl w(nullptr);
  TKvComponent c(nullptr);
  EXPECT_EQ(g.Version(), "1.3");
  EXPECT_EQ(w.Version(), "1.3");
  EXPECT_EQ(c.Version(), "1.3");
  const QMetaObject* mo = g.metaObject();
  const QMetaProperty p = mo->property(mo->indexOfProperty("Version"));
  ASSERT_TRUE(p.isValid());
  EXPECT_FALSE(p.isStored());
}

TEST(ControlBases, HandCursorIsRegisteredAsNinetyNine) {
  const QCursor hand = Screen->Cursors(99);
  EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
  EXPECT_FALSE(hand.pixmap().isNull());
}
