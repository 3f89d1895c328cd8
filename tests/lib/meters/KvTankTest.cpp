#include "KvTank.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>

#include <limits>
#include <vector>

using kv::Rect;
using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

// The demo's tank: 60 x 101, triangular, 50 ... 150 at 70.
void MakeDemo(TKvTank& t) { kvdemo::ApplyDemoSettings(t, "frmMeters", "KvTank"); }

QImage Render(TKvTank& t, int32_t background = kPanelColor) {
  return kvtest::RenderControl(&t, background, 0);
}

// A form with handlers for a tank's events, recording what they see.
class TTankHost : public TForm {
  Q_OBJECT
public:
  using TForm::TForm;
  int outOfRange = 0;
  std::vector<int> pipeHeights;  // the pipe's height each time the handler ran

public slots:
  void TankOutofRange(TObject*, double&, double&, double&) { ++outOfRange; }
  void PipeChange(TObject* sender) {
    pipeHeights.push_back(static_cast<TContainerTank*>(sender)->Height());
  }
};

}  // namespace

TEST(Tank, LevelRoundsHalvesToEven) {
  TKvTank t(nullptr);
  EXPECT_EQ(t.LevelY(), 50);  // 101 - 50.5
  MakeDemo(t);
  EXPECT_EQ(t.LevelY(), 81);  // 101 - 20.2
  t.SetMax(50);
  EXPECT_EQ(t.LevelY(), 0);  // Max = Min: full
}

TEST(Tank, DemoPicture) {
  TKvTank t(nullptr);
  MakeDemo(t);
  const QImage img = Render(t);
  // The hopper's interior (2, 2), (58, 2), (30, 48): empty above the level, none of it
  // below y = 81 except the pipe.
  EXPECT_EQ(PixelAt(img, 30, 20), clNavy.Value);
  EXPECT_EQ(PixelAt(img, 10, 5), clNavy.Value);
  // The pipe frame from (20, 5) to (40, 100): white on the left, grey on the right.
  EXPECT_EQ(PixelAt(img, 20, 60), clWhite.Value);
  EXPECT_EQ(PixelAt(img, 39, 60), 0x808080);
  // Its inside (23, 8, 37, 97): empty above the level, liquid from y = 81.
  EXPECT_EQ(PixelAt(img, 30, 80), clNavy.Value);
  EXPECT_EQ(PixelAt(img, 30, 81), clLime.Value);
  EXPECT_EQ(PixelAt(img, 23, 96), clLime.Value);
  EXPECT_EQ(PixelAt(img, 36, 96), clLime.Value);
  // The corners show the panel: the tank's own Color does not paint.
  EXPECT_EQ(PixelAt(img, 2, 90), kPanelColor);
  EXPECT_EQ(PixelAt(img, 58, 60), kPanelColor);
}

TEST(Tank, ReferencePictures) {
  TKvTank initial(nullptr);
  EXPECT_MATCHES_REFERENCE(Render(initial), "lib/tank-initial");
  TKvTank demo(nullptr);
  MakeDemo(demo);
  EXPECT_MATCHES_REFERENCE(Render(demo), "lib/tank-demo");
  for (const TTankShape shape : {TTankShape::tsRectangle, TTankShape::tsRoundedRectangle,
                                 TTankShape::tsEllipse, TTankShape::tsTriangle}) {
    TKvTank t(nullptr);
    t.SetBounds(0, 0, 80, 120);
    t.SetShape(shape);
    t.SetPosition(30);
    EXPECT_MATCHES_REFERENCE(Render(t), QStringLiteral("lib/tank-shape-%1").arg(int(shape)));
  }
  TKvTank noPipe(nullptr);
  noPipe.SetShape(TTankShape::tsEllipse);
  noPipe.Container()->SetVisible(false);
  EXPECT_MATCHES_REFERENCE(Render(noPipe), "lib/tank-no-pipe");
  TKvTank full(nullptr);
  full.SetShape(TTankShape::tsRectangle);
  full.SetPosition(100);
  EXPECT_MATCHES_REFERENCE(Render(full), "lib/tank-full");
  TKvTank empty(nullptr);
  empty.SetShape(TTankShape::tsRoundedRectangle);
  empty.SetPosition(0);
  EXPECT_MATCHES_REFERENCE(Render(empty), "lib/tank-empty");
}

TEST(Tank, SmallBodiesDrawNoLiquid) {
  TKvTank t(nullptr);
  t.SetShape(TTankShape::tsRectangle);
  t.Container()->SetHeight(94);  // body 7 pixels high
  const QImage img = Render(t);
  EXPECT_EQ(kvtest::CountPixels(img, clLime.Value), 0);
  // A tank shrunk below its pipe paints cleanly.
  TKvTank small(nullptr);
  MakeDemo(small);
  small.SetBounds(0, 0, 10, 10);
  for (int i = 0; i < 3; ++i) Render(small);
}

TEST(Tank, PipeIsLimitedToTheTank) {
  TKvTank t(nullptr);
  t.Container()->SetHeight(500);
  EXPECT_EQ(t.Container()->Height(), 101);
  t.Container()->SetHeight(-5);
  EXPECT_EQ(t.Container()->Height(), 0);
  t.Container()->SetWidth(61);
  EXPECT_EQ(t.Container()->Width(), 60);
  // A pipe without inside has no region: 6 pixels wide, the frame alone.
  t.Container()->SetWidth(6);
  t.Container()->SetHeight(50);
  t.SetPosition(0);
  const QImage img = Render(t);
  for (int y = 60; y < 100; ++y) EXPECT_NE(PixelAt(img, 30, y), clNavy.Value) << y;
}

TEST(Tank, OutOfRangePositions) {
  TKvTank t(nullptr);
  t.SetPosition(150);
  EXPECT_EQ(t.Position(), 100);
  TKvTank widened(nullptr);
  int calls = 0;
  QObject::connect(&widened, &TKvTank::OnOutofRange, [&](TObject*, double&, double& max, double&) {
    ++calls;
    max = 200;
  });
  widened.SetPosition(150);
  EXPECT_EQ(widened.Position(), 150);
  EXPECT_EQ(widened.Max(), 200);
  EXPECT_EQ(calls, 1);
  // Range repairs run the step too.
  widened.SetMax(120);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(widened.Max(), 200);
  EXPECT_EQ(widened.Position(), 150);
  widened.SetMin(300);
  EXPECT_EQ(widened.Min(), 200);
  EXPECT_EQ(calls, 3);
}

TEST(Tank, HandlerValuesThatAreNotFiniteAreNotTaken) {
  TKvTank t(nullptr);
  double nextPos = std::numeric_limits<double>::quiet_NaN();
  double nextMax = 100;
  QObject::connect(&t, &TKvTank::OnOutofRange, [&](TObject*, double&, double& max, double& pos) {
    pos = nextPos;
    max = nextMax;
  });
  t.SetPosition(150);
  EXPECT_EQ(t.Position(), 50);
  nextPos = 150;
  nextMax = std::numeric_limits<double>::infinity();
  t.SetPosition(150);
  EXPECT_EQ(t.Max(), 100);
  EXPECT_EQ(t.Position(), 50);
  t.SetPosition(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(t.Position(), 50);
}

TEST(Tank, HandlerSettingThePositionItselfRunsOnce) {
  TKvTank t(nullptr);
  int calls = 0;
  QObject::connect(&t, &TKvTank::OnOutofRange, [&](TObject*, double&, double&, double& pos) {
    ++calls;
    t.SetPosition(pos);
  });
  t.SetPosition(500);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(t.Position(), 100);
}

TEST(Tank, HandlerThatFreesTheTank) {
  auto* t = new TKvTank(nullptr);
  QPointer<TKvTank> alive(t);
  QObject::connect(t, &TKvTank::OnOutofRange,
                   [t](TObject*, double&, double&, double&) { delete t; });
  t->SetPosition(500);
  // Retired under the setter that fired the event, gone once the event loop runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

TEST(Tank, LoadingStoresValuesAsRead) {
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object Valid: TKvTank
    Min = 150
    Max = 300
    Position = 200
  end
  object Inverted: TKvTank
    Min = 20
    Max = 10
    Position = 500
  end
end)",
                    QStringLiteral("tanks.kvf"));
  auto* valid = dynamic_cast<TKvTank*>(form.FindComponent(QStringLiteral("Valid")));
  ASSERT_NE(valid, nullptr);
  EXPECT_EQ(valid->Min(), 150);
  EXPECT_EQ(valid->Max(), 300);
  EXPECT_EQ(valid->Position(), 200);
  // As the setters would have left them from the initial 0 ... 100 at 50.
  auto* inverted = dynamic_cast<TKvTank*>(form.FindComponent(QStringLiteral("Inverted")));
  EXPECT_EQ(inverted->Min(), 20);
  EXPECT_EQ(inverted->Max(), 20);
  EXPECT_EQ(inverted->Position(), 20);
}

TEST(Tank, ConstructionValuesSurviveADescription) {
  TForm form(nullptr);
  auto* t = new TKvTank(&form);
  t->SetName(QStringLiteral("T"));
  t->SetShape(TTankShape::tsEllipse);
  t->SetEmptyColor(clBlack);
  const QByteArray text = kv::WriteComponent(&form);
  EXPECT_FALSE(text.contains("OnChage"));
  TForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("copy.kvf"));
  auto* c = dynamic_cast<TKvTank*>(copy.FindComponent(QStringLiteral("T")));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Shape(), TTankShape::tsEllipse);
  EXPECT_EQ(c->EmptyColor().Value, clBlack.Value);
  // Left out, they read as the construction values.
  TForm bare(nullptr);
  kv::ReadComponent(&bare, "object Form: TForm\n  object T: TKvTank\n  end\nend\n",
                    QStringLiteral("bare.kvf"));
  auto* b = dynamic_cast<TKvTank*>(bare.FindComponent(QStringLiteral("T")));
  EXPECT_EQ(b->Shape(), TTankShape::tsTriangle);
  EXPECT_EQ(b->EmptyColor().Value, clNavy.Value);
}

TEST(Tank, HandlersRunAfterLoadingAndAfterTheTank) {
  TTankHost host(nullptr);
  kv::ReadComponent(&host, R"(object Host: TForm
  object T: TKvTank
    OnOutofRange = TankOutofRange
    Min = 150
    Max = 300
    Position = 500
  end
end)",
                    QStringLiteral("host.kvf"));
  auto* t = dynamic_cast<TKvTank*>(host.FindComponent(QStringLiteral("T")));
  ASSERT_NE(t, nullptr);
  // Loading clamps a valid range's position without calling anybody.
  EXPECT_EQ(t->Position(), 300);
  EXPECT_EQ(host.outOfRange, 0);
  EXPECT_TRUE(host.pipeHeights.empty());
  t->SetPosition(400);
  EXPECT_EQ(host.outOfRange, 1);
  // The tank limits the pipe before a handler of the pipe's changes hears of it, and its own
  // reaction is never written.
  QObject::connect(t->Container(), &TContainerTank::OnChage, &host, &TTankHost::PipeChange);
  t->Container()->SetHeight(500);
  ASSERT_FALSE(host.pipeHeights.empty());
  for (int h : host.pipeHeights) EXPECT_EQ(h, 101);
  EXPECT_FALSE(kv::WriteComponent(&host).contains("OnChage"));
}

TEST(Tank, ADescriptionBindsThePipeEventAfterTheTanksOwn) {
  TTankHost host(nullptr);
  host.SetName(QStringLiteral("Host"));
  // Bound before the pipe's values: the pipe fires nothing while its tank loads.
  kv::ReadComponent(&host, R"(object Host: TForm
  object T: TKvTank
    Container.OnChage = PipeChange
    Container.Height = 70
  end
end)",
                    QStringLiteral("host.kvf"));
  auto* t = dynamic_cast<TKvTank*>(host.FindComponent(QStringLiteral("T")));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Container()->Height(), 70);
  EXPECT_TRUE(host.pipeHeights.empty());
  // The tank limits the pipe before the handler hears of the change.
  t->Container()->SetHeight(500);
  ASSERT_FALSE(host.pipeHeights.empty());
  for (int h : host.pipeHeights) EXPECT_EQ(h, 101);

  // Written once, dotted; the tank's own reaction is not written. Read back, it binds again.
  const QByteArray text = kv::WriteComponent(&host);
  EXPECT_EQ(text.count("OnChage"), 1) << text.data();
  EXPECT_TRUE(text.contains("    Container.OnChage = PipeChange\n")) << text.data();
  TTankHost copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("copy.kvf"));
  EXPECT_EQ(kv::WriteComponent(&copy).toStdString(), text.toStdString());
  auto* c = dynamic_cast<TKvTank*>(copy.FindComponent(QStringLiteral("T")));
  ASSERT_NE(c, nullptr);
  c->Container()->SetWidth(-5);
  EXPECT_EQ(c->Container()->Width(), 0);
  EXPECT_EQ(copy.pipeHeights, std::vector<int>(copy.pipeHeights.size(), 101));
  EXPECT_FALSE(copy.pipeHeights.empty());
}

TEST(Tank, ABadPipeBindingFailsTheReadAndLeavesTheHostAsItWas) {
  for (const char* binding : {"Container.OnChage = NoSuchHandler", "Container.OnChage = 3",
                              "Container.Changed = PipeChange", "Shape.OnChage = PipeChange",
                              "Container.OnChage = TankOutofRange"}) {
    TTankHost host(nullptr);
    const QByteArray text =
        QByteArray("object Host: TForm\n  object T: TKvTank\n    ") + binding + "\n  end\nend\n";
    try {
      kv::ReadComponent(&host, text, QStringLiteral("bad.kvf"));
      ADD_FAILURE() << binding << ": no error";
    } catch (const EFormError& e) {
      EXPECT_EQ(e.Line(), 3) << e.what();
      EXPECT_TRUE(e.PropertyName().startsWith(QStringLiteral("T."))) << e.what();
    }
    EXPECT_EQ(host.ComponentCount(), 0) << binding;
    // The same host reads a good description afterwards, and its tank keeps its own limit.
    kv::ReadComponent(&host, R"(object Host: TForm
  object T: TKvTank
    Container.OnChage = PipeChange
  end
end)",
                      QStringLiteral("good.kvf"));
    auto* t = dynamic_cast<TKvTank*>(host.FindComponent(QStringLiteral("T")));
    ASSERT_NE(t, nullptr);
    t->Container()->SetHeight(1000);
    EXPECT_EQ(t->Container()->Height(), 101);
    EXPECT_FALSE(host.pipeHeights.empty());
  }
}

TEST(Tank, EveryPaintReleasesItsClips) {
  // Each shape through every path of the paint: liquid, empty, full, too small to fill,
  // pipe shown and hidden. A clip left selected would show as a smaller clip rectangle.
  int paints = 0;
  for (const TTankShape shape : {TTankShape::tsRectangle, TTankShape::tsRoundedRectangle,
                                 TTankShape::tsEllipse, TTankShape::tsTriangle}) {
    for (const bool pipe : {true, false}) {
      for (const QSize size : {QSize(60, 101), QSize(10, 10), QSize(30, 12)}) {
        TKvTank t(nullptr);
        t.SetShape(shape);
        t.Container()->SetVisible(pipe);
        t.SetBounds(0, 0, size.width(), size.height());
        for (int i = 0; i < 42; ++i) {
          t.SetPosition(i % 3 * 50);
          Render(t);
          ++paints;
          ASSERT_EQ(t.BitmapCanvas()->ClipRect(), Rect(0, 0, size.width(), size.height()));
        }
      }
    }
  }
  EXPECT_GE(paints, 1000);
}

#include "KvTankTest.moc"
