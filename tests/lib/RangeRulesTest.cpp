// The range rules of every control with a minimum, a maximum and a position, walked as one
// table: each control runs the same steps (ends crossing each other, positions outside, a
// range moved past the position, and descriptions read in awkward orders), and the record of
// what each step left (the range, the position, the events in their order, the repaints and
// any exception) must stay as written below.
#include "KvGauge.h"
#include "KvLevelBar.h"
#include "KvMeter.h"
#include "KvProgressBar.h"
#include "KvScanner.h"
#include "KvSlider.h"
#include "KvSwitch.h"
#include "KvTank.h"
#include "KvTrackBar.h"
#include "KvWheel.h"

#include "Forms.h"
#include "Offscreen.h"

#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// Counts the control's paints into the log.
struct PaintLog : QObject {
  Log& log;
  explicit PaintLog(Log& l) : log(l) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) log.push_back("paint");
    return false;
  }
};

// A control reached through its own setters; the tank takes the values as reals, the
// switch has no minimum (its maximum is Positions - 1).
struct Ranged {
  TControl* control = nullptr;
  std::function<void(int)> min, max, position;
  std::function<std::string()> state;
};

std::string Triple(double min, double max, double position) {
  return QString::asprintf("%g..%g @%g", min, max, position).toStdString();
}

template <class C>
Ranged IntRange(C* c, Log& log) {
  QObject::connect(c, &C::OnChange, [&log] { log.push_back("OnChange"); });
  if constexpr (requires { &C::OnMinValue; }) {
    QObject::connect(c, &C::OnMinValue, [&log] { log.push_back("OnMinValue"); });
    QObject::connect(c, &C::OnMaxValue, [&log] { log.push_back("OnMaxValue"); });
  }
  return {c, [c](int v) { c->SetMinValue(v); }, [c](int v) { c->SetMaxValue(v); },
          [c](int v) { c->SetPosition(v); },
          [c] { return Triple(c->MinValue(), c->MaxValue(), c->Position()); }};
}

Ranged TankRange(TKvTank* t, Log& log) {
  QObject::connect(t, &TKvTank::OnOutofRange,
                   [&log](TObject*, double& min, double& max, double& pos) {
                     log.push_back("OnOutofRange(" + Triple(min, max, pos) + ")");
                   });
  return {t, [t](int v) { t->SetMin(v); }, [t](int v) { t->SetMax(v); },
          [t](int v) { t->SetPosition(v); },
          [t] { return Triple(t->Min(), t->Max(), t->Position()); }};
}

Ranged SwitchRange(TKvSwitch* s, Log& log) {
  QObject::connect(s, &TKvSwitch::OnChange, [&log] { log.push_back("OnChange"); });
  return {s, nullptr, [s](int v) { s->SetPositions(v + 1); }, [s](int v) { s->SetOffset(v); },
          [s] { return Triple(0, s->Positions() - 1, s->Offset()); }};
}

struct Row {
  const char* name;
  std::function<Ranged(TComponent* owner, Log& log)> make;
  const char* expected;
};

std::string Transcript(const Row& row) {
  std::string out;
  Log log;
  const auto step = [&](Ranged& r, const std::string& name, const std::function<void()>& run) {
    log.clear();
    std::string raised;
    try {
      run();
    } catch (const std::exception& e) {
      raised = std::string(" raises \"") + e.what() + "\"";
    }
    out += name + ": " + r.state() + raised;
    for (const std::string& event : log) out += " " + event;
    out += "\n";
  };
  const auto min = [&](Ranged& r, int v) {
    if (r.min) step(r, "min " + std::to_string(v), [&] { r.min(v); });
  };
  const auto max = [&](Ranged& r, int v) {
    step(r, "max " + std::to_string(v), [&] { r.max(v); });
  };
  const auto pos = [&](Ranged& r, int v) {
    step(r, "pos " + std::to_string(v), [&] { r.position(v); });
  };

  {
    // On a shown control, starting from 0 .. 100.
    TForm form(nullptr);
    Ranged r = row.make(&form, log);
    r.control->SetParent(&form);
    kvtest::ShowForm(&form, 300, 300);
    kvtest::Pump(20);
    PaintLog paints(log);
    r.control->installEventFilter(&paints);
    out += "new: " + r.state() + "\n";
    pos(r, 50);
    max(r, -10);
    min(r, 200);
    max(r, 100);
    max(r, 0);
    pos(r, 150);
    pos(r, -50);
    pos(r, 50);
    max(r, 30);
    min(r, 40);
    min(r, 20);
    pos(r, 25);
    min(r, 28);
    max(r, 28);
    r.control->removeEventFilter(&paints);
  }
  // Read from a description, in orders that cross the ends on the way; the last line is
  // what loading settled, with what it fired.
  const std::vector<std::function<void(Ranged&)>> loads = {
      [&](Ranged& r) { max(r, -10); min(r, 200); pos(r, 150); },
      [&](Ranged& r) { pos(r, 70); max(r, 50); min(r, 20); },
      [&](Ranged& r) { min(r, 20); max(r, 10); pos(r, 15); },
      [&](Ranged& r) { pos(r, -5); min(r, 200); max(r, 300); },
  };
  for (const auto& load : loads) {
    TForm form(nullptr);
    kv::LoadingScope scope(&form);
    Ranged r = row.make(&form, log);
    out += "loading:\n";
    load(r);
    step(r, "loaded", [&] { scope.Finish(); });
    // Changes after loading, also to a range that loading left inverted.
    min(r, 5);
    pos(r, 1000);
  }
  return out;
}

const Row kRows[] = {
    {"TKvMeter", [](TComponent* o, Log& l) { return IntRange(new TKvMeter(o), l); }, R"()"},
    {"TKvGauge", [](TComponent* o, Log& l) { return IntRange(new TKvGauge(o), l); }, R"()"},
    {"TKvLevelBar", [](TComponent* o, Log& l) { return IntRange(new TKvLevelBar(o), l); }, R"()"},
    {"TKvProgressBar", [](TComponent* o, Log& l) { return IntRange(new TKvProgressBar(o), l); },
     R"()"},
    {"TKvIndicator", [](TComponent* o, Log& l) { return IntRange(new TKvIndicator(o), l); }, R"()"},
    {"TKvSlider", [](TComponent* o, Log& l) { return IntRange(new TKvSlider(o), l); }, R"()"},
    {"TKvTrackBar", [](TComponent* o, Log& l) { return IntRange(new TKvTrackBar(o), l); }, R"()"},
    {"TKvWheel", [](TComponent* o, Log& l) { return IntRange(new TKvWheel(o), l); }, R"()"},
    {"TKvSwitch", [](TComponent* o, Log& l) { return SwitchRange(new TKvSwitch(o), l); }, R"()"},
    {"TKvTank", [](TComponent* o, Log& l) { return TankRange(new TKvTank(o), l); }, R"()"},
};

}  // namespace

TEST(RangeRules, EveryControlKeepsItsRules) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Transcript(row), row.expected);
  }
}
