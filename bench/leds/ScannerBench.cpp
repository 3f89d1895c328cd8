// The scanner and the indicator at the scope panel's sizes and settings: face, live frame (a
// tick, a position change), limit and row copy.
#include "ControlBench.h"
#include "KvScanner.h"
#include "DemoSettings.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kScannerWidth = 236, kScannerHeight = 26;
constexpr int kIndicatorWidth = 221, kIndicatorHeight = 31;

// The demo's scanner, scanning by the benchmark's steps only.
template <class Scanner>
void ApplyDemoScanner(Scanner& s) {
  kvdemo::ApplyDemoSettings(s, "frmScope", "KvScanner");
  s.SetActive(false);
  s.SetPosition(3);
}

class BenchScanner : public TKvScanner {
public:
  using TKvScanner::Scan;
  using TKvScanner::TKvScanner;
};

const bool kScanner = kvbench::LiveFrameBenchmarks<BenchScanner>(
    "Scanner236x26", kScannerWidth, kScannerHeight, ApplyDemoScanner<BenchScanner>,
    [](BenchScanner& s, int64_t) { s.Scan(); });

// Between empty and full, so that every change shows.
const bool kIndicator = kvbench::LiveFrameBenchmarks<TKvIndicator>(
    "Indicator221x31", kIndicatorWidth, kIndicatorHeight,
    kvbench::AsInDemo<TKvIndicator>("frmScope", "KvIndicator"),
    [](TKvIndicator& c, int64_t frame) { c.SetPosition(frame % 2 ? 0 : 100); });

}  // namespace
