// Every registered control, every event it publishes, a handler that frees the control (and
// one that frees its form): once the handler returns, nothing of the freed object is touched
// (the sanitizer build checks that), no handler of it runs again, and it is gone once the
// event loop has run. Each event is brought about by a workout that plays a user and a
// program: resizes, fonts, captions, the pointer, clicks, keys, the focus, every property and
// the timers. A program's own code, outside any Qt event, sets what fires each event as well:
// there the freed control stays whole, retired, until the setter has returned, so that the
// setter may go on (fire more) without touching freed memory.
#include "Extremes.h"
#include "Forms.h"
#include "KvScope.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <QElapsedTimer>
#include <QMetaMethod>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Frees its victim from a handler, once.
class Freer : public QObject {
  Q_OBJECT
public:
  QPointer<QObject> victim;
  int calls = 0;
  bool wholeAfterFree = false;
public slots:
  void Free() {
    ++calls;
    delete victim.data();
    wholeAfterFree = !victim.isNull();
  }
};

std::vector<QMetaMethod> PublishedEvents(const QMetaObject& meta) {
  std::vector<QMetaMethod> events;
  for (int i = 0; i < meta.methodCount(); ++i) {
    const QMetaMethod m = meta.method(i);
    if (m.methodType() == QMetaMethod::Signal && m.name().startsWith("On")) events.push_back(m);
  }
  return events;
}

using Step = std::function<void(TControl*, TForm*)>;

// What a program sets: each step stops the rest once the handler has freed its victim.
std::vector<Step> SetterSteps() {
  return {
      [](TControl* c, TForm*) {
        c->SetBounds(c->Left() + 1, c->Top(), c->Width() + 3, c->Height() + 2);
      },
      [](TControl* c, TForm*) { c->Font()->SetSize(c->Font()->Size() + 1); },
      [](TControl* c, TForm*) { c->SetCaption(QStringLiteral("Freed?")); },
      [](TControl* c, TForm*) { c->SetColor(clYellow); },
      [](TControl* c, TForm*) { c->SetEnabled(false); },
      [](TControl* c, TForm*) { c->SetEnabled(true); },
      [](TControl* c, TForm*) { c->SetVisible(false); },
      [](TControl* c, TForm*) { c->SetVisible(true); },
  };
}

// What a user does: the pointer, clicks, keys, the focus.
std::vector<Step> UserSteps() {
  const auto center = [](TControl* c) { return QPoint(c->Width() / 2, c->Height() / 2); };
  return {
      [center](TControl* c, TForm*) { QTest::mouseMove(c, center(c)); },
      [](TControl*, TForm* f) { QTest::mouseMove(f, QPoint(f->Width() - 1, f->Height() - 1)); },
      [center](TControl* c, TForm*) { QTest::mouseMove(c, center(c)); },
      [center](TControl* c, TForm*) { QTest::mousePress(c, Qt::LeftButton, {}, center(c)); },
      [center](TControl* c, TForm*) { QTest::mouseMove(c, center(c) + QPoint(1, 1)); },
      [center](TControl* c, TForm*) { QTest::mouseRelease(c, Qt::LeftButton, {}, center(c)); },
      [center](TControl* c, TForm*) { QTest::mouseDClick(c, Qt::LeftButton, {}, center(c)); },
      [](TControl* c, TForm*) {
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->CanFocus()) w->SetFocus();
      },
      [](TControl* c, TForm*) { QTest::keyClick(c, Qt::Key_Up); },
      [](TControl* c, TForm*) { QTest::keyClick(c, Qt::Key_Space); },
      [](TControl* c, TForm*) { QTest::keyClick(c, 'a'); },
      [](TControl*, TForm* f) { f->setFocus(); },
  };
}

// Every integer property at the ends of int, which the controls clamp to their ranges' ends
// (what fires OnMinValue and OnMaxValue).
std::vector<kvtest::PropertyStep> RangeEndSteps(TControl* control) {
  std::vector<kvtest::PropertyStep> steps;
  for (const kvtest::PropertyStep& step : kvtest::ExtremeSteps(control))
    if (step.property.metaType().id() == QMetaType::Int &&
        (step.value.toInt() == INT_MIN || step.value.toInt() == INT_MAX))
      steps.push_back(step);
  return steps;
}

// Runs the steps until Done, with the event loop between them (Pump) or without it, as a
// program's own code runs; the properties come last, then (with the loop) the timers.
void RunSteps(const std::vector<Step>& steps, bool withEventLoop, QPointer<TControl> control,
              TForm* form, const std::function<bool()>& doneWithIt) {
  const auto done = [&] { return !control || doneWithIt(); };
  for (const Step& step : steps) {
    step(control, form);
    if (withEventLoop) kvtest::Pump();
    if (done()) return;
  }
  std::vector<kvtest::PropertyStep> properties = kvtest::ChangeSteps(control);
  if (!withEventLoop) std::ranges::copy(RangeEndSteps(control), std::back_inserter(properties));
  for (const kvtest::PropertyStep& step : properties) {
    kvtest::Apply(step);
    if (done()) return;
  }
  for (int i = 0; i < 10 && withEventLoop && !done(); ++i) kvtest::Pump(10);
}

struct Outcome {
  int fired = 0;
  std::set<std::string> silent;  // events the workout did not bring about
};

// A control of that class on a new shown form.
QPointer<TControl> OnAShownForm(const kv::TRegisteredClass& c, TForm* form) {
  QPointer<TControl> control = kvtest::NewControl(c, form);
  control->SetParent(form);
  control->SetBounds(10, 10, 60, 40);
  kvtest::ShowForm(form, 200, 150);
  return control;
}

void ConnectFreer(TControl* control, const QMetaMethod& event, Freer& freer) {
  const int slot = Freer::staticMetaObject.indexOfSlot("Free()");
  QObject::connect(control, event, &freer, Freer::staticMetaObject.method(slot));
}

// The events the steps bring about on a control of that class, its handlers freeing nothing:
// the walk frees from these only.
std::set<QByteArray> EventsBroughtAbout(const kv::TRegisteredClass& c,
                                        const std::vector<QMetaMethod>& events,
                                        const std::vector<Step>& steps, bool withEventLoop) {
  TForm form(nullptr);
  const QPointer<TControl> control = OnAShownForm(c, &form);
  std::vector<Freer> counters(events.size());
  for (size_t i = 0; i < events.size(); ++i) ConnectFreer(control, events[i], counters[i]);
  RunSteps(steps, withEventLoop, control, &form, [] { return false; });
  std::set<QByteArray> fired;
  for (size_t i = 0; i < events.size(); ++i)
    if (counters[i].calls > 0) fired.insert(events[i].methodSignature());
  return fired;
}

void FreeFromEveryEvent(bool freeTheForm, bool byTheProgram, Outcome& outcome) {
  std::vector<Step> steps = SetterSteps();
  if (!byTheProgram) std::ranges::copy(UserSteps(), std::back_inserter(steps));
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const std::string className = kvtest::ClassNameOf(*c).toStdString();
    const std::vector<QMetaMethod> events = PublishedEvents(*c->metaObject);
    const std::set<QByteArray> fired = EventsBroughtAbout(*c, events, steps, !byTheProgram);
    for (const QMetaMethod& event : events) {
      SCOPED_TRACE(className + "." + event.name().toStdString());
      if (!fired.contains(event.methodSignature())) {
        outcome.silent.insert(className + "." + event.name().toStdString());
        continue;
      }
      auto* form = new TForm(nullptr);
      QPointer<TForm> formAlive(form);
      QPointer<TControl> control = OnAShownForm(*c, form);
      Freer freer;
      freer.victim = freeTheForm ? static_cast<QObject*>(form) : control.data();
      ConnectFreer(control, event, freer);
      RunSteps(steps, !byTheProgram, control, form, [&] { return freer.calls > 0; });
      if (byTheProgram && freer.calls > 0) {
        EXPECT_TRUE(freer.wholeAfterFree) << "freed at once under the setter";
        EXPECT_TRUE(control) << "freed before the event loop ran";
      }
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      kvtest::Pump();
      if (freer.calls > 0) {
        ++outcome.fired;
        EXPECT_EQ(freer.calls, 1) << "a handler of a freed control ran";
        EXPECT_FALSE(freer.victim) << "freed, but still there after the event loop ran";
        EXPECT_FALSE(control);
      } else {
        outcome.silent.insert(className + "." + event.name().toStdString());
      }
      delete formAlive.data();
    }
  }
}

// Frees from every event and tells which events the steps did not bring about.
void ExpectEveryEventFrees(bool freeTheForm, bool byTheProgram, int atLeast) {
  Outcome outcome;
  FreeFromEveryEvent(freeTheForm, byTheProgram, outcome);
  std::string silent;
  for (const std::string& name : outcome.silent) silent += " " + name;
  std::printf("%d events freed their victim; not brought about:%s\n", outcome.fired,
              silent.c_str());
  EXPECT_GT(outcome.fired, atLeast);
}

TEST(FreedByHandler, EveryEventOfEveryControlFreesTheControl) {
  ExpectEveryEventFrees(false, false, 100);
}

TEST(FreedByHandler, EveryEventOfEveryControlFreesItsForm) {
  ExpectEveryEventFrees(true, false, 100);
}

TEST(FreedByHandler, EveryEventASetterFiresFreesTheControlAfterTheSetter) {
  ExpectEveryEventFrees(false, true, 50);
}

TEST(FreedByHandler, EveryEventASetterFiresFreesItsFormAfterTheSetter) {
  ExpectEveryEventFrees(true, true, 50);
}

// ---------------------------------------------------------------------------
// Events a control fires from its own timer

// What makes each control with a timer of its own tick soon: a short interval, then what
// starts the timer (a clock ticks once a second).
struct Ticking {
  const char* className;
  std::vector<std::pair<const char*, QVariant>> settings;
};
const std::vector<Ticking>& TickingControls() {
  static const std::vector<Ticking> controls = {
      {"TKvBanner", {{"TimeInterval", 5}, {"AutoScroll", true}}},
      {"TKvBlinkLed", {{"BlinkSpeed", 5}, {"EnableBlinking", true}}},
      {"TKvImageLed", {{"TimeInterval", 5}, {"Blink", true}}},
      {"TKvLedClock", {{"Active", true}}},
      {"TKvMatrix", {{"TimeInterval", 5}, {"AutoScroll", true}}},
      {"TKvScanner", {{"TimeInterval", 5}, {"Active", true}}},
      {"TKvScope", {{"Interval", 5}, {"Active", true}}},
  };
  return controls;
}

// Pumps the event loop until Done, for at most 3 s.
bool PumpUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 3000) kvtest::Pump(5);
  return done();
}

// A control of that class on a shown form, its timer running. Listen connects to it before
// the settings start the timer: the first tick may come at once, and it alone fires some
// events (the clock's hours and minutes, set from 0 to the time of day).
QPointer<TControl> TickingOnAShownForm(const kv::TRegisteredClass& c, const Ticking& ticking,
                                       TForm* form,
                                       const std::function<void(TControl*)>& listen) {
  QPointer<TControl> control = OnAShownForm(c, form);
  // A scope asks its handler for data once per channel.
  if (auto* scope = qobject_cast<TKvScope*>(control)) scope->Channels()->Add();
  listen(control);
  for (const auto& [name, value] : ticking.settings)
    EXPECT_TRUE(control->setProperty(name, value)) << name;
  kvtest::Pump();
  return control;
}

// The events the ticks of a control of that class fire, its handlers freeing nothing.
std::set<QByteArray> EventsTheTicksFire(const kv::TRegisteredClass& c, const Ticking& ticking,
                                        const std::vector<QMetaMethod>& events) {
  TForm form(nullptr);
  std::vector<Freer> counters(events.size());
  TickingOnAShownForm(c, ticking, &form, [&](TControl* control) {
    for (size_t i = 0; i < events.size(); ++i) ConnectFreer(control, events[i], counters[i]);
  });
  PumpUntil([&] { return std::ranges::any_of(counters, [](const Freer& f) { return f.calls; }); });
  kvtest::Pump(50);
  std::set<QByteArray> fired;
  for (size_t i = 0; i < events.size(); ++i)
    if (counters[i].calls > 0) fired.insert(events[i].methodSignature());
  return fired;
}

// Every control with a timer of its own is in the table, and every event its ticks fire, freeing
// the control or its form, leaves the victim whole (retired) until the tick has returned and
// gone once the event loop has run.
TEST(FreedByHandler, EveryEventATimerFiresFreesItsVictimAfterTheTick) {
  std::set<std::string> ticking;
  for (const Ticking& t : TickingControls()) ticking.insert(t.className);
  int freed = 0;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const std::string className = kvtest::ClassNameOf(*c).toStdString();
    SCOPED_TRACE(className);
    if (c->metaObject->indexOfProperty("Threaded") >= 0) {
      EXPECT_TRUE(ticking.contains(className)) << "a timer of its own, not in the table";
    }
    const auto row = std::ranges::find_if(
        TickingControls(), [&](const Ticking& t) { return className == t.className; });
    if (row == TickingControls().end()) continue;
    const std::vector<QMetaMethod> events = PublishedEvents(*c->metaObject);
    const std::set<QByteArray> fired = EventsTheTicksFire(*c, *row, events);
    EXPECT_FALSE(fired.empty()) << "no tick fired an event";
    for (const QMetaMethod& event : events) {
      if (!fired.contains(event.methodSignature())) continue;
      for (const bool freeTheForm : {false, true}) {
        SCOPED_TRACE(event.name().toStdString() + (freeTheForm ? ", freeing the form" : ""));
        auto* form = new TForm(nullptr);
        QPointer<TForm> formAlive(form);
        Freer freer;
        QPointer<TControl> control = TickingOnAShownForm(*c, *row, form, [&](TControl* made) {
          freer.victim = freeTheForm ? static_cast<QObject*>(form) : made;
          ConnectFreer(made, event, freer);
        });
        ASSERT_TRUE(PumpUntil([&] { return freer.calls > 0; })) << "no tick fired it";
        EXPECT_TRUE(freer.wholeAfterFree) << "freed at once under the tick";
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        kvtest::Pump(20);
        EXPECT_EQ(freer.calls, 1) << "a handler of a freed control ran";
        EXPECT_FALSE(freer.victim) << "freed, but still there after the event loop ran";
        EXPECT_FALSE(control);
        ++freed;
        delete formAlive.data();
      }
    }
  }
  EXPECT_GE(freed, 2 * int(TickingControls().size()));
}

// The rule changes nothing for a handler that frees nothing, and a control freed outside any
// handler goes at once.
TEST(FreedByHandler, FreedOutsideAHandlerGoesAtOnce) {
  TForm form(nullptr);
  auto* control = new TScrollBox(&form);
  QPointer<TControl> alive(control);
  delete control;
  EXPECT_FALSE(alive);
  EXPECT_EQ(form.ControlCount(), 0);
}

// Freed inside its own handler, a control leaves its parent and owner at once and is hidden,
// so a handler may create another of the same name right away.
TEST(FreedByHandler, AFreedControlLeavesParentAndOwnerAtOnce) {
  TForm form(nullptr);
  kvtest::ShowForm(&form, 200, 150);
  auto* control = new TScrollBox(&form);
  control->SetName(QStringLiteral("Probe"));
  QPointer<TControl> alive(control);
  int resizes = 0;
  QObject::connect(control, &TControl::OnResize, [&](TObject*) {
    ++resizes;
    delete control;
    EXPECT_EQ(form.ControlCount(), 0);
    EXPECT_EQ(form.FindComponent(QStringLiteral("Probe")), nullptr);
    EXPECT_TRUE(alive && alive->isHidden());  // still whole under the running code
  });
  control->SetWidth(control->Width() + 5);
  EXPECT_EQ(resizes, 1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(alive);
}

}  // namespace

#include "FreedByHandlerTest.moc"
