// Extreme values of every property of every registered control (nested style objects
// included), in a random order from a fixed seed, the control painted after each: no value a
// program sets may crash, overflow or reach freed memory (the sanitizer build checks that).
// By default each control takes a sample of its steps, so that the suite stays short;
// KV_SWEEP_ROUNDS=N runs N seeds with every step of every control.
#include "Extremes.h"
#include "Forms.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

constexpr size_t kSampleSteps = 160;

int Rounds() {
  const char* rounds = std::getenv("KV_SWEEP_ROUNDS");
  return rounds ? std::max(std::atoi(rounds), 1) : 0;
}

void Sweep(const kv::TRegisteredClass& cls, unsigned seed, size_t maxSteps) {
  auto form = std::make_unique<TForm>(nullptr);
  QPointer<TControl> control = kvtest::NewControl(cls, form.get());
  control->SetParent(form.get());
  kvtest::ShowForm(form.get(), 200, 150);
  std::vector<kvtest::PropertyStep> steps = kvtest::ExtremeSteps(control);
  std::shuffle(steps.begin(), steps.end(), std::mt19937(seed));
  steps.resize(std::min(steps.size(), maxSteps));
  for (const kvtest::PropertyStep& step : steps) {
    SCOPED_TRACE(step.path.toStdString() + " = " + step.value.toString().left(20).toStdString());
    if (!kvtest::Apply(step) || !control) break;
    control->Repaint();
    kvtest::Pump();
  }
}

TEST(ExtremesSweep, EveryPropertyOfEveryControlPaintsAfterEachValue) {
  const int rounds = Rounds();
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    if (rounds == 0) Sweep(*c, 38, kSampleSteps);
    for (int seed = 1; seed <= rounds; ++seed) Sweep(*c, unsigned(seed), SIZE_MAX);
  }
}

}  // namespace
