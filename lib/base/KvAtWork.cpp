#include "KvAtWork.h"

#include "KvGraphs.h"
#include "KvHyperCtrls.h"
#include "KvLabel.h"
#include "KvScope.h"
#include "KvSpectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// A wave through the middle of Min .. Max: Amplitude (a share of the range) at step I of a
// period of Period steps, shifted by Phase.
int Wave(int min, int max, double amplitude, int i, double period, double phase) {
  const double middle = (double(min) + max) / 2;
  const double swing = amplitude * (double(max) - min) / 2;
  return int(std::lround(middle + swing * std::sin(2 * std::numbers::pi * i / period + phase)));
}

// The scope's traces as they stand once its window has filled: a slow and a fast wave.
void FillScope(TKvScope* scope) {
  const int steps = scope->Width() / std::max(1, scope->Frequency()) + 1;
  for (int i = 0; i < steps; ++i) {
    QList<int> values;
    for (int channel = 0; channel < scope->Channels()->Count(); ++channel)
      values << Wave(scope->MinValue(), scope->MaxValue(), 0.8 / (channel + 1), i,
                     40.0 / (channel + 1), channel);
    scope->AddValues(values);
  }
}

// The spectrum of a sound: strong low bands falling off towards the high ones, with ripples.
void FillSpectrum(TKvSpectrum* spectrum) {
  const double range = double(spectrum->MaxValue()) - spectrum->MinValue();
  for (int i = 0; i < spectrum->Count(); ++i) {
    const double share = 0.9 * std::exp(-1.5 * i / spectrum->Count()) +
                         0.1 * std::sin(1.7 * i) * std::sin(1.7 * i);
    spectrum->Items(i)->SetPosition(spectrum->MinValue() + int(std::lround(share * range)));
  }
}

// Three slices of unequal shares.
void FillPercentGraph(TKvPercentGraph* graph) {
  for (const auto& [colour, value] : {std::pair{clBlue, 50.0}, {clRed, 30.0}, {clLime, 20.0}}) {
    TKvPercentGraphItem* slice = graph->Segments()->Add();
    slice->SetColor(colour);
    slice->SetValue(value);
  }
}

}  // namespace

namespace kv {

void ShowAtWork(TControl* control) {
  if (auto* scope = qobject_cast<TKvScope*>(control)) {
    FillScope(scope);
  } else if (auto* spectrum = qobject_cast<TKvSpectrum*>(control)) {
    FillSpectrum(spectrum);
  } else if (auto* graph = qobject_cast<TKvPercentGraph*>(control);
             graph && graph->Segments()->Count() == 0) {
    FillPercentGraph(graph);
  } else if (auto* label = qobject_cast<TKvLabel*>(control)) {
    label->SetCaption(QStringLiteral("Label"));
  } else if (auto* link = qobject_cast<TKvHyperLink*>(control); link && link->Caption().isEmpty()) {
    link->SetCaption(QStringLiteral("Hyperlink"));
  }
}

}  // namespace kv
