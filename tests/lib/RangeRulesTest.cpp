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

// A setter call: "min", "max" or "pos" and its value.
struct Call {
  const char* setter;
  int value;
};
using Calls = std::vector<Call>;

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
  const auto call = [&](Ranged& r, const Calls& calls) {
    for (const auto& [setter, value] : calls) {
      const std::string name = setter;
      const auto& set = name == "min" ? r.min : name == "max" ? r.max : r.position;
      const auto v = value;  // clang 14 cannot capture a structured binding
      if (set) step(r, name + " " + std::to_string(v), [&] { set(v); });
    }
  };

  {
    // On a shown control, starting from its initial range.
    TForm form(nullptr);
    Ranged r = row.make(&form, log);
    r.control->SetParent(&form);
    kvtest::ShowForm(&form, 300, 300);
    kvtest::Pump(20);
    PaintLog paints(log);
    r.control->installEventFilter(&paints);
    out += "new: " + r.state() + "\n";
    call(r, {{"pos", 50},
             {"max", -10},
             {"min", 200},
             {"max", 100},
             {"max", 0},
             {"pos", 150},
             {"pos", -50},
             {"pos", 50},
             {"max", 30},
             {"min", 40},
             {"min", 20},
             {"pos", 25},
             {"min", 28},
             {"max", 28}});
    r.control->removeEventFilter(&paints);
  }
  // Read from a description, in orders that cross the ends on the way; "loaded" is what
  // loading settled, with what it fired, followed by changes after loading (also to a range
  // that loading left inverted).
  const Calls loads[] = {
      {{"max", -10}, {"min", 200}, {"pos", 150}},
      {{"pos", 70}, {"max", 50}, {"min", 20}},
      {{"min", 20}, {"max", 10}, {"pos", 15}},
      {{"pos", -5}, {"min", 200}, {"max", 300}},
  };
  for (const Calls& load : loads) {
    TForm form(nullptr);
    kv::LoadingScope scope(&form);
    Ranged r = row.make(&form, log);
    out += "loading:\n";
    call(r, load);
    step(r, "loaded", [&] { scope.Finish(); });
    call(r, {{"min", 5}, {"pos", 1000}});
  }
  return out;
}

const Row kRows[] = {
    {"TKvMeter", [](TComponent* o, Log& l) { return IntRange(new TKvMeter(o), l); },
     R"(new: 0..100 @0
pos 50: 0..100 @50 paint OnChange
max -10: 0..100 @50 raises "Value out of range."
min 200: 0..100 @50 raises "Value out of range."
max 100: 0..100 @50
max 0: 0..0 @0 paint
pos 150: 0..0 @0
pos -50: 0..0 @0
pos 50: 0..0 @0
max 30: 0..30 @0 paint
min 40: 0..30 @0 raises "Value out of range."
min 20: 20..30 @20 paint
pos 25: 20..30 @25 paint OnChange
min 28: 28..30 @28 paint
max 28: 28..28 @28 paint
loading:
max -10: 0..-10 @-10
min 200: 200..-10 @200
pos 150: 200..-10 @200
loaded: 200..-10 @200
min 5: 200..-10 @200 raises "Value out of range."
pos 1000: 200..-10 @200
loading:
pos 70: 0..100 @70 OnChange
max 50: 0..50 @50
min 20: 20..50 @50
loaded: 20..50 @50
min 5: 5..50 @50
pos 1000: 5..50 @50
loading:
min 20: 20..100 @20
max 10: 20..10 @10
pos 15: 20..10 @20 OnChange
loaded: 20..10 @20
min 5: 5..10 @20
pos 1000: 5..10 @10 OnChange
loading:
pos -5: 0..100 @0
min 200: 200..100 @200
max 300: 200..300 @200
loaded: 200..300 @200
min 5: 5..300 @200
pos 1000: 5..300 @300 OnChange
)"},
    {"TKvGauge", [](TComponent* o, Log& l) { return IntRange(new TKvGauge(o), l); },
     R"(new: 0..100 @0
pos 50: 0..100 @50 paint OnChange
max -10: 0..100 @50
min 200: 0..100 @50
max 100: 0..100 @50
max 0: 0..100 @50
pos 150: 0..100 @100 paint OnChange OnMaxValue
pos -50: 0..100 @0 paint OnChange OnMinValue
pos 50: 0..100 @50 paint OnChange
max 30: 0..30 @30 paint OnChange OnMaxValue
min 40: 0..30 @30
min 20: 20..30 @30 paint
pos 25: 20..30 @25 paint OnChange
min 28: 28..30 @28 paint OnChange OnMinValue
max 28: 28..30 @28
loading:
max -10: 0..-10 @0
min 200: 200..-10 @0
pos 150: 200..-10 @150
loaded: 0..100 @100
min 5: 5..100 @100
pos 1000: 5..100 @100
loading:
pos 70: 0..100 @70
max 50: 0..50 @70
min 20: 20..50 @70
loaded: 20..50 @50
min 5: 5..50 @50
pos 1000: 5..50 @50
loading:
min 20: 20..100 @0
max 10: 20..10 @0
pos 15: 20..10 @15
loaded: 0..10 @10
min 5: 5..10 @10
pos 1000: 5..10 @10
loading:
pos -5: 0..100 @-5
min 200: 200..100 @-5
max 300: 200..300 @-5
loaded: 200..300 @200
min 5: 5..300 @200
pos 1000: 5..300 @300 OnChange OnMaxValue
)"},
    {"TKvLevelBar", [](TComponent* o, Log& l) { return IntRange(new TKvLevelBar(o), l); },
     R"(new: 0..100 @0
pos 50: 0..100 @50 paint OnChange
max -10: 0..100 @50
min 200: 0..100 @50
max 100: 0..100 @50
max 0: 0..100 @50
pos 150: 0..100 @100 paint OnChange OnMaxValue
pos -50: 0..100 @0 paint OnChange OnMinValue
pos 50: 0..100 @50 paint OnChange
max 30: 0..30 @30 paint OnChange OnMaxValue
min 40: 0..30 @30
min 20: 20..30 @30 paint
pos 25: 20..30 @25 paint OnChange
min 28: 28..30 @28 paint OnChange OnMinValue
max 28: 28..30 @28
loading:
max -10: 0..-10 @0
min 200: 200..-10 @0
pos 150: 200..-10 @150
loaded: 0..100 @100
min 5: 5..100 @100
pos 1000: 5..100 @100
loading:
pos 70: 0..100 @70
max 50: 0..50 @70
min 20: 20..50 @70
loaded: 20..50 @50
min 5: 5..50 @50
pos 1000: 5..50 @50
loading:
min 20: 20..100 @0
max 10: 20..10 @0
pos 15: 20..10 @15
loaded: 0..10 @10
min 5: 5..10 @10
pos 1000: 5..10 @10
loading:
pos -5: 0..100 @-5
min 200: 200..100 @-5
max 300: 200..300 @-5
loaded: 200..300 @200
min 5: 5..300 @200
pos 1000: 5..300 @300 OnChange OnMaxValue
)"},
    {"TKvProgressBar", [](TComponent* o, Log& l) { return IntRange(new TKvProgressBar(o), l); },
     R"(new: 0..100 @100
pos 50: 0..100 @50 paint OnChange
max -10: 0..100 @50
min 200: 0..100 @50
max 100: 0..100 @50
max 0: 0..100 @50
pos 150: 0..100 @100 paint OnChange
pos -50: 0..100 @0 paint OnChange
pos 50: 0..100 @50 paint OnChange
max 30: 0..30 @30 paint OnChange
min 40: 0..30 @30
min 20: 20..30 @30 paint
pos 25: 20..30 @25 paint OnChange
min 28: 28..30 @28 paint OnChange
max 28: 28..30 @28
loading:
max -10: 0..-10 @100
min 200: 200..-10 @100
pos 150: 200..-10 @150
loaded: 0..100 @100
min 5: 5..100 @100
pos 1000: 5..100 @100
loading:
pos 70: 0..100 @70
max 50: 0..50 @70
min 20: 20..50 @70
loaded: 20..50 @50
min 5: 5..50 @50
pos 1000: 5..50 @50
loading:
min 20: 20..100 @100
max 10: 20..10 @100
pos 15: 20..10 @15
loaded: 0..10 @10
min 5: 5..10 @10
pos 1000: 5..10 @10
loading:
pos -5: 0..100 @-5
min 200: 200..100 @-5
max 300: 200..300 @-5
loaded: 200..300 @200
min 5: 5..300 @200
pos 1000: 5..300 @300 OnChange
)"},
    {"TKvIndicator", [](TComponent* o, Log& l) { return IntRange(new TKvIndicator(o), l); },
     R"(new: 0..100 @0
pos 50: 0..100 @50 paint OnChange
max -10: 0..100 @50 raises "Value out of range."
min 200: 0..100 @50 raises "Value out of range."
max 100: 0..100 @50
max 0: 0..0 @0 paint
pos 150: 0..0 @0
pos -50: 0..0 @0
pos 50: 0..0 @0
max 30: 0..30 @0 paint
min 40: 0..30 @0 raises "Value out of range."
min 20: 20..30 @20 paint
pos 25: 20..30 @25 paint OnChange
min 28: 28..30 @28 paint
max 28: 28..28 @28 paint
loading:
max -10: 0..-10 @0
min 200: 200..-10 @0
pos 150: 200..-10 @150
loaded: 200..-10 @200
min 5: 200..-10 @200 raises "Value out of range."
pos 1000: 200..-10 @200
loading:
pos 70: 0..100 @70
max 50: 0..50 @70
min 20: 20..50 @70
loaded: 20..50 @50
min 5: 5..50 @50
pos 1000: 5..50 @50
loading:
min 20: 20..100 @0
max 10: 20..10 @0
pos 15: 20..10 @15
loaded: 20..10 @20
min 5: 5..10 @10
pos 1000: 5..10 @10
loading:
pos -5: 0..100 @-5
min 200: 200..100 @-5
max 300: 200..300 @-5
loaded: 200..300 @200
min 5: 5..300 @200
pos 1000: 5..300 @300 OnChange
)"},
    {"TKvSlider", [](TComponent* o, Log& l) { return IntRange(new TKvSlider(o), l); },
     R"(new: 0..100 @0
pos 50: 0..100 @50 paint OnChange
max -10: 0..-10 @-10 paint OnChange
min 200: 200..-10 @-10
max 100: 200..100 @-10 paint
max 0: 200..0 @-10 paint
pos 150: 200..0 @0 paint OnChange
pos -50: 200..0 @0
pos 50: 200..0 @0
max 30: 200..30 @0 paint
min 40: 40..30 @30 paint OnChange
min 20: 20..30 @30 paint
pos 25: 20..30 @25 paint OnChange
min 28: 28..30 @28 paint OnChange
max 28: 28..28 @28 paint
loading:
max -10: 0..-10 @-10 OnChange
min 200: 200..-10 @-10
pos 150: 200..-10 @-10
loaded: 200..-10 @-10
min 5: 5..-10 @-10
pos 1000: 5..-10 @-10
loading:
pos 70: 0..100 @70 OnChange
max 50: 0..50 @50 OnChange
min 20: 20..50 @50
loaded: 20..50 @50
min 5: 5..50 @50
pos 1000: 5..50 @50
loading:
min 20: 20..100 @20 OnChange
max 10: 20..10 @10 OnChange
pos 15: 20..10 @10
loaded: 20..10 @10
min 5: 5..10 @10
pos 1000: 5..10 @10
loading:
pos -5: 0..100 @0
min 200: 200..100 @100 OnChange
max 300: 200..300 @100
loaded: 200..300 @100
min 5: 5..300 @100
pos 1000: 5..300 @300 OnChange
)"},
    {"TKvTrackBar", [](TComponent* o, Log& l) { return IntRange(new TKvTrackBar(o), l); },
     R"(new: 0..100 @0
pos 50: 0..100 @50 paint OnChange
max -10: 0..-10 @-10 paint OnChange
min 200: 200..-10 @-10
max 100: 200..100 @-10 paint
max 0: 200..0 @-10 paint
pos 150: 200..0 @0 paint OnChange
pos -50: 200..0 @0
pos 50: 200..0 @0
max 30: 200..30 @0 paint
min 40: 40..30 @30 paint OnChange
min 20: 20..30 @30 paint
pos 25: 20..30 @25 paint OnChange
min 28: 28..30 @28 paint OnChange
max 28: 28..28 @28 paint
loading:
max -10: 0..-10 @-10 OnChange
min 200: 200..-10 @-10
pos 150: 200..-10 @-10
loaded: 200..-10 @-10
min 5: 5..-10 @-10
pos 1000: 5..-10 @-10
loading:
pos 70: 0..100 @70 OnChange
max 50: 0..50 @50 OnChange
min 20: 20..50 @50
loaded: 20..50 @50
min 5: 5..50 @50
pos 1000: 5..50 @50
loading:
min 20: 20..100 @20 OnChange
max 10: 20..10 @10 OnChange
pos 15: 20..10 @10
loaded: 20..10 @10
min 5: 5..10 @10
pos 1000: 5..10 @10
loading:
pos -5: 0..100 @0
min 200: 200..100 @100 OnChange
max 300: 200..300 @100
loaded: 200..300 @100
min 5: 5..300 @100
pos 1000: 5..300 @300 OnChange
)"},
    {"TKvWheel", [](TComponent* o, Log& l) { return IntRange(new TKvWheel(o), l); },
     R"(new: 0..100 @0
pos 50: 0..100 @50 paint OnChange
max -10: 0..100 @50 raises "Value out of range."
min 200: 0..100 @50 raises "Value out of range."
max 100: 0..100 @50
max 0: 0..0 @0 paint OnChange
pos 150: 0..0 @0
pos -50: 0..0 @0
pos 50: 0..0 @0
max 30: 0..30 @0 paint
min 40: 0..30 @0 raises "Value out of range."
min 20: 20..30 @20 paint OnChange
pos 25: 20..30 @25 paint OnChange
min 28: 28..30 @28 paint OnChange
max 28: 28..28 @28 paint
loading:
max -10: 0..-10 @0
min 200: 200..-10 @0
pos 150: 200..-10 @150
loaded: 200..-10 @150
min 5: 200..-10 @150 raises "Value out of range."
pos 1000: 200..-10 @200 OnChange
loading:
pos 70: 0..100 @70
max 50: 0..50 @70
min 20: 20..50 @70
loaded: 20..50 @70
min 5: 5..50 @70
pos 1000: 5..50 @50 OnChange
loading:
min 20: 20..100 @0
max 10: 20..10 @0
pos 15: 20..10 @15
loaded: 20..10 @15
min 5: 5..10 @15
pos 1000: 5..10 @10 OnChange
loading:
pos -5: 0..100 @-5
min 200: 200..100 @-5
max 300: 200..300 @-5
loaded: 200..300 @-5
min 5: 5..300 @5 OnChange
pos 1000: 5..300 @300 OnChange
)"},
    {"TKvSwitch", [](TComponent* o, Log& l) { return SwitchRange(new TKvSwitch(o), l); },
     R"(new: 0..3 @0
pos 50: 0..3 @3 paint OnChange
max -10: 0..3 @3
max 100: 0..100 @3 paint paint
max 0: 0..0 @3 paint paint
pos 150: 0..0 @0 paint OnChange
pos -50: 0..0 @0
pos 50: 0..0 @0
max 30: 0..30 @0 paint paint
pos 25: 0..30 @25 paint OnChange
max 28: 0..28 @25 paint paint
loading:
max -10: 0..3 @0
pos 150: 0..3 @3 OnChange
loaded: 0..3 @3
pos 1000: 0..3 @3
loading:
pos 70: 0..3 @3 OnChange
max 50: 0..50 @3
loaded: 0..50 @3
pos 1000: 0..50 @50 OnChange
loading:
max 10: 0..10 @0
pos 15: 0..10 @10 OnChange
loaded: 0..10 @10
pos 1000: 0..10 @10
loading:
pos -5: 0..3 @0
max 300: 0..300 @0
loaded: 0..300 @0
pos 1000: 0..300 @300 OnChange
)"},
    {"TKvTank", [](TComponent* o, Log& l) { return TankRange(new TKvTank(o), l); },
     R"(new: 0..100 @50
pos 50: 0..100 @50
max -10: 0..0 @0 OnOutofRange(0..0 @50) paint
min 200: 0..0 @0 paint
max 100: 0..100 @0 paint
max 0: 0..0 @0 paint
pos 150: 0..0 @0 OnOutofRange(0..0 @150)
pos -50: 0..0 @0 OnOutofRange(0..0 @-50)
pos 50: 0..0 @0 OnOutofRange(0..0 @50)
max 30: 0..30 @0 paint
min 40: 30..30 @30 OnOutofRange(30..30 @0) paint
min 20: 20..30 @30 paint
pos 25: 20..30 @25 paint
min 28: 28..30 @28 OnOutofRange(28..30 @25) paint
max 28: 28..28 @28 paint
loading:
max -10: 0..-10 @50
min 200: 200..-10 @50
pos 150: 200..-10 @150
loaded: 100..100 @100
min 5: 5..100 @100
pos 1000: 5..100 @100 OnOutofRange(5..100 @1000)
loading:
pos 70: 0..100 @70
max 50: 0..50 @70
min 20: 20..50 @70
loaded: 20..50 @50
min 5: 5..50 @50
pos 1000: 5..50 @50 OnOutofRange(5..50 @1000)
loading:
min 20: 20..100 @50
max 10: 20..10 @50
pos 15: 20..10 @15
loaded: 20..20 @20
min 5: 5..20 @20
pos 1000: 5..20 @20 OnOutofRange(5..20 @1000)
loading:
pos -5: 0..100 @-5
min 200: 200..100 @-5
max 300: 200..300 @-5
loaded: 100..300 @100
min 5: 5..300 @100
pos 1000: 5..300 @300 OnOutofRange(5..300 @1000)
)"},
};

}  // namespace

TEST(RangeRules, EveryControlKeepsItsRules) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Transcript(row), row.expected);
  }
}
