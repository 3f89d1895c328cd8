// The control under a resting pointer: whatever moves under it between two mouse events,
// the second one finds the control that lies there now.
#include "Forms.h"
#include "Offscreen.h"
#include "StdCtrls.h"

#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

// A label that counts the pointer in and out.
class Probe : public TLabel {
public:
  using TLabel::TLabel;
  int Inside = 0;

protected:
  void CMMouseEnter() override {
    ++Inside;
    TLabel::CMMouseEnter();
  }
  void CMMouseLeave() override {
    --Inside;
    TLabel::CMMouseLeave();
  }
};

// Two probes on a shown form: A under the pointer's point, B beside it (later made, so above
// A where they overlap).
struct Scene {
  kvtest::PointerAway away;
  TForm form{nullptr};
  Probe* a = Make(10, 10);
  Probe* b = Make(100, 10);
  static constexpr QPoint kPoint{30, 30};

  Scene() { kvtest::ShowForm(&form, 200, 80); }
  Probe* Make(int left, int top) {
    auto* p = new Probe(&form);
    p->SetParent(&form);
    p->SetAutoSize(false);
    p->SetBounds(left, top, 60, 40);
    return p;
  }
  // A click at the point without moving there.
  void Click() {
    QTest::mouseClick(&form, Qt::LeftButton, {}, kPoint);
    kvtest::Pump();
  }
};

// Each case clicks at the point, changes what lies there, and clicks there again.
TEST(PointerTracker, TheSecondEventAtOnePointFindsWhatMovedUnderIt) {
  const auto bOverA = [](Scene& s) { s.b->SetBounds(20, 20, 60, 40); };
  const auto nothing = [](Scene&) {};
  enum Under { kA, kB, kNeither };
  struct Case {
    const char* name;
    std::function<void(Scene&)> before, change;
    Under was, now;
  };
  const Case cases[] = {
      {"B moved over the point", nothing, bOverA, kA, kB},
      {"B grown over the point", nothing, [](Scene& s) { s.b->SetBounds(25, 10, 135, 40); },
       kA, kB},
      {"A hidden", nothing, [](Scene& s) { s.a->SetVisible(false); }, kA, kNeither},
      {"A moved away", nothing, [](Scene& s) { s.a->SetLeft(140); }, kA, kNeither},
      {"B shown over the point",
       [](Scene& s) {
         s.b->SetVisible(false);
         s.b->SetBounds(20, 20, 60, 40);
       },
       [](Scene& s) { s.b->SetVisible(true); }, kA, kB},
      {"A brought above B", bOverA, [](Scene& s) { s.a->BringToFront(); }, kB, kA},
      {"B freed over A", bOverA,
       [](Scene& s) {
         delete s.b;
         s.b = nullptr;
       },
       kB, kA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene s;
    c.before(s);
    s.Click();
    ASSERT_EQ(s.a->Inside, c.was == kA ? 1 : 0);
    ASSERT_EQ(s.b->Inside, c.was == kB ? 1 : 0);
    c.change(s);
    s.Click();
    EXPECT_EQ(s.a->Inside, c.now == kA ? 1 : 0);
    if (s.b) EXPECT_EQ(s.b->Inside, c.now == kB ? 1 : 0);
  }
}

}  // namespace
