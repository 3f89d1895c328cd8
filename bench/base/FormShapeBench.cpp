// The form shape at the demo's size (800 x 600, the demo's window image as its mask): a full
// repaint of its face, the scan of the mask into region data (what a change of Mask or
// MaskColor computes) and the region made from stored data (all that start-up does), each
// next to a plain copy of an image of that size in the same run.
#include "ControlBench.h"
#include "KvFormShape.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>

using kv::Exception, kv::ExtCreateRegion, kv::GetRegionData;

namespace {

constexpr int kWidth = 800, kHeight = 600;

// The demo's window image, from the source tree.
bool LoadWindowImage(TBitmap& image) {
  const QString path = QFileInfo(QStringLiteral(__FILE__)).absolutePath() +
                       QStringLiteral("/../app/pictures/DEMO_WINDOW.bmp");
  try {
    image.LoadFromFile(path);
  } catch (const Exception&) {
    return false;
  }
  return image.Width() == kWidth && image.Height() == kHeight;
}

// Clear, face and copy, as the framework's paint runs it, on a surface of the control's size.
void BM_FormShapeRepaint(benchmark::State& state) {
  TBitmap mask;
  if (!LoadWindowImage(mask)) return state.SkipWithError("no 800 x 600 window image");
  kvbench::OnSurface<TKvFormShape> shape(kWidth, kHeight);
  shape.SetMaskColor(clWhite);
  shape.SetMask(&mask);
  kvbench::Repaint(state, shape);
}
BENCHMARK(BM_FormShapeRepaint)->Unit(benchmark::kMicrosecond);

// The floor of any repaint at this size: one block copy.
void BM_FormShapeCopy(benchmark::State& state) { kvbench::CopyImage(state, kWidth, kHeight); }
BENCHMARK(BM_FormShapeCopy)->Unit(benchmark::kMicrosecond);

// The scan and the region data it stores.
void BM_FormShapeRegionScan(benchmark::State& state) {
  TBitmap mask;
  if (!LoadWindowImage(mask)) return state.SkipWithError("no 800 x 600 window image");
  int64_t bytes = 0;
  for (auto _ : state) {
    const QByteArray data = GetRegionData(kv::MaskRegion(mask, clWhite));
    bytes = data.size();
    benchmark::DoNotOptimize(data.constData());
  }
  state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_FormShapeRegionScan)->Unit(benchmark::kMicrosecond);

// The window region made from the stored data.
void BM_FormShapeStoredRegion(benchmark::State& state) {
  TBitmap mask;
  if (!LoadWindowImage(mask)) return state.SkipWithError("no 800 x 600 window image");
  const QByteArray data = GetRegionData(kv::MaskRegion(mask, clWhite));
  for (auto _ : state) {
    const std::optional<TRegion> region = ExtCreateRegion(data.constData(), data.size());
    benchmark::DoNotOptimize(region);
  }
}
BENCHMARK(BM_FormShapeStoredRegion)->Unit(benchmark::kMicrosecond);

}  // namespace
