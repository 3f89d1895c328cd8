// Canvas primitives at the sizes the controls use, each next to a baseline that writes the
// same pixels with a plain loop; the ratio of a pair is the figure of merit.
#include "Graphics.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <cstring>
#include <functional>
#include <vector>

using kv::Rect;

namespace {

constexpr int kWidth = 441, kHeight = 317;
constexpr uint32_t kRedPixel = 0xFFFF0000u, kBlackPixel = 0xFF000000u, kWhitePixel = 0xFFFFFFFFu;

// A white bitmap on which both the canvas and the baselines write.
struct Target {
  TBitmap bitmap;
  Target() {
    bitmap.SetSize(kWidth, kHeight);
    Canvas()->FillRect(Rect(0, 0, kWidth, kHeight));
  }
  TCanvas* Canvas() const { return bitmap.Canvas(); }
  uint32_t* Pixel(int x, int y) { return bitmap.ScanLine(y) + x; }
  // Offsets (from pixel 0, 0) of the pixels one drawing changes after the setup (by
  // default a red fill), and their colours.
  std::vector<std::pair<ptrdiff_t, uint32_t>> Footprint(
      const std::function<void(TCanvas*)>& draw,
      const std::function<void(TCanvas*)>& setup = FillRed) {
    setup(Canvas());
    const QImage before = bitmap.Image().copy();
    Canvas()->Brush()->SetColor(clWhite);
    draw(Canvas());
    std::vector<std::pair<ptrdiff_t, uint32_t>> changed;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        if (*Pixel(x, y) != before.pixel(x, y))
          changed.emplace_back(Pixel(x, y) - Pixel(0, 0), *Pixel(x, y));
    return changed;
  }
  static void FillRed(TCanvas* c) {
    c->Brush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, kWidth, kHeight));
  }
};

// Writes the footprint's pixels one by one.
void WriteFootprint(benchmark::State& state, const std::function<void(TCanvas*)>& draw,
                    const std::function<void(TCanvas*)>& setup = Target::FillRed) {
  Target t;
  const auto footprint = t.Footprint(draw, setup);
  uint32_t* origin = t.Pixel(0, 0);
  for (auto _ : state) {
    for (const auto& [offset, colour] : footprint) origin[offset] = colour;
    benchmark::ClobberMemory();
  }
  state.counters["pixels"] = double(footprint.size());
}

template <class Draw>
void Repeat(benchmark::State& state, Draw draw) {
  Target t;
  TCanvas* canvas = t.Canvas();
  for (auto _ : state) {
    draw(canvas);
    benchmark::ClobberMemory();
  }
}

// ---------------------------------------------------------------------------
// Fill and copy of a whole 441 x 317 image

void BM_FillRect(benchmark::State& state) {
  Target t;
  t.Canvas()->Brush()->SetColor(clRed);
  for (auto _ : state) {
    t.Canvas()->FillRect(Rect(0, 0, kWidth, kHeight));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillRect);

void BM_FillRect_Baseline(benchmark::State& state) {
  Target t;
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) {
      uint32_t* row = t.Pixel(0, y);
      for (int x = 0; x < kWidth; ++x) row[x] = kRedPixel;
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillRect_Baseline);

void BM_CopyRect(benchmark::State& state) {
  Target source, dest;
  for (auto _ : state) {
    dest.Canvas()->CopyRect(Rect(0, 0, kWidth, kHeight), source.Canvas(),
                            Rect(0, 0, kWidth, kHeight));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyRect);

void BM_Draw(benchmark::State& state) {
  Target source, dest;
  for (auto _ : state) {
    dest.Canvas()->Draw(0, 0, &source.bitmap);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Draw);

void BM_Copy_Baseline(benchmark::State& state) {
  Target source, dest;
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) std::memcpy(dest.Pixel(0, y), source.Pixel(0, y), kWidth * 4);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Copy_Baseline);

// ---------------------------------------------------------------------------
// One-pixel lines, a small ellipse, a framed rectangle, a short text

void Line10(TCanvas* c) {
  c->MoveTo(5, 5);
  c->LineTo(15, 8);
}
void Line200(TCanvas* c) {
  c->MoveTo(10, 10);
  c->LineTo(210, 70);
}
void Ellipse9(TCanvas* c) { c->Ellipse(20, 20, 29, 29); }
void Rectangle240(TCanvas* c) { c->Rectangle(10, 10, 250, 115); }
void Text1234(TCanvas* c) {
  c->Font()->SetName("Arial");
  c->Font()->SetHeight(-13);
  c->TextOut(30, 40, "12:34");
}

// A hand-written Bresenham loop for the same lines, straight on the bitmap's rows.
void Bresenham(benchmark::State& state, int x0, int y0, int x1, int y1) {
  Target t;
  uint32_t* origin = t.Pixel(0, 0);
  for (auto _ : state) {
    const int dx = x1 - x0, dy = y1 - y0;
    int error = dx, y = y0;
    for (int x = x0; x < x1; ++x) {
      origin[y * kWidth + x] = kBlackPixel;
      error += 2 * dy;
      if (error >= 2 * dx) {
        error -= 2 * dx;
        ++y;
      }
    }
    benchmark::ClobberMemory();
  }
}

void BM_LineTo10(benchmark::State& state) { Repeat(state, Line10); }
void BM_LineTo10_Loop(benchmark::State& state) { Bresenham(state, 5, 5, 15, 8); }
void BM_LineTo200_Loop(benchmark::State& state) { Bresenham(state, 10, 10, 210, 70); }
BENCHMARK(BM_LineTo10_Loop);
BENCHMARK(BM_LineTo200_Loop);
void BM_LineTo10_Baseline(benchmark::State& state) { WriteFootprint(state, Line10); }
void BM_LineTo200(benchmark::State& state) { Repeat(state, Line200); }
void BM_LineTo200_Baseline(benchmark::State& state) { WriteFootprint(state, Line200); }
void BM_Ellipse9x9(benchmark::State& state) { Repeat(state, Ellipse9); }
void BM_Ellipse9x9_Baseline(benchmark::State& state) { WriteFootprint(state, Ellipse9); }
void BM_Rectangle240x105(benchmark::State& state) { Repeat(state, Rectangle240); }
void BM_TextOut(benchmark::State& state) { Repeat(state, Text1234); }
void BM_TextOut_Baseline(benchmark::State& state) { WriteFootprint(state, Text1234); }
BENCHMARK(BM_LineTo10);
BENCHMARK(BM_LineTo10_Baseline);
BENCHMARK(BM_LineTo200);
BENCHMARK(BM_LineTo200_Baseline);
BENCHMARK(BM_Ellipse9x9);
BENCHMARK(BM_Ellipse9x9_Baseline);
BENCHMARK(BM_Rectangle240x105);
BENCHMARK(BM_TextOut);
BENCHMARK(BM_TextOut_Baseline);

// A rectangle's pixels written row by row, the way a hand-written loop would.
void BM_Rectangle240x105_Baseline(benchmark::State& state) {
  Target t;
  for (auto _ : state) {
    for (int y = 10; y < 115; ++y) {
      uint32_t* row = t.Pixel(10, y);
      const bool edge = y == 10 || y == 114;
      for (int x = 0; x < 240; ++x) row[x] = edge || x == 0 || x == 239 ? kBlackPixel : kWhitePixel;
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Rectangle240x105_Baseline);

// ---------------------------------------------------------------------------
// The wedges, rounded rectangles, polygons and flood fills of the controls

// The pie graph (135 x 75, depth 10): the lower face's front half and a wedge of the top
// face.
void PieGraphFront(TCanvas* c) { c->Pie(0, 10, 135, 75, 0, 42, 135, 42); }
void PieGraphWedge(TCanvas* c) { c->Pie(0, 0, 135, 65, 47, 62, 0, 32); }
// The percent pie (97 x 97): a 20 percent slice.
void PercentPieSlice(TCanvas* c) { c->Pie(0, 0, 97, 97, 97, 48, 78, 2); }
// The shadow button's face: 104 x 24, corner ellipse 6.
void ButtonFace(TCanvas* c) { c->RoundRect(3, 3, 107, 27, 6, 6); }
// A seven-segment digit's horizontal segment, a thermometer's triangle marker, the tank's
// hopper (60 x 101).
void DigitSegment(TCanvas* c) {
  const TPoint points[] = {{6, 2}, {8, 0}, {19, 0}, {21, 2}, {19, 4}, {8, 4}};
  c->Polygon(points);
}
void TriangleMarker(TCanvas* c) {
  const TPoint points[] = {{40, 100}, {35, 92}, {45, 92}};
  c->Polygon(points);
}
void TankHopper(TCanvas* c) {
  const TPoint points[] = {{0, 0}, {59, 0}, {30, 100}};
  c->Polygon(points);
}
// The pie graph's front side: the lower half face and the edge line, then the flood fill
// of the side between them.
void PieGraphSide(TCanvas* c) {
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, kWidth, kHeight));
  c->Pie(0, 10, 135, 75, 0, 42, 135, 42);
  c->MoveTo(0, 32);
  c->LineTo(0, 42);
  c->MoveTo(134, 32);
  c->LineTo(134, 42);
  c->Brush()->SetColor(clSilver);
  c->Pie(0, 0, 135, 65, 0, 32, 135, 32);
}
void FloodSide(TCanvas* c) {
  c->Brush()->SetColor(clPurple);
  c->FloodFill(67, 70, clBlack, TFillStyle::fsBorder);
}

void BM_PieGraphFront(benchmark::State& state) { Repeat(state, PieGraphFront); }
void BM_PieGraphFront_Baseline(benchmark::State& state) { WriteFootprint(state, PieGraphFront); }
void BM_PieGraphWedge(benchmark::State& state) { Repeat(state, PieGraphWedge); }
void BM_PieGraphWedge_Baseline(benchmark::State& state) { WriteFootprint(state, PieGraphWedge); }
void BM_PercentPie(benchmark::State& state) { Repeat(state, PercentPieSlice); }
void BM_PercentPie_Baseline(benchmark::State& state) { WriteFootprint(state, PercentPieSlice); }
void BM_RoundRect104x24(benchmark::State& state) { Repeat(state, ButtonFace); }
void BM_RoundRect104x24_Baseline(benchmark::State& state) { WriteFootprint(state, ButtonFace); }
void BM_PolygonDigitSegment(benchmark::State& state) { Repeat(state, DigitSegment); }
void BM_PolygonDigitSegment_Baseline(benchmark::State& state) {
  WriteFootprint(state, DigitSegment);
}
void BM_PolygonTriangleMarker(benchmark::State& state) { Repeat(state, TriangleMarker); }
void BM_PolygonTriangleMarker_Baseline(benchmark::State& state) {
  WriteFootprint(state, TriangleMarker);
}
void BM_PolygonTankHopper(benchmark::State& state) { Repeat(state, TankHopper); }
void BM_PolygonTankHopper_Baseline(benchmark::State& state) { WriteFootprint(state, TankHopper); }
void BM_FloodFillPieSide(benchmark::State& state) {
  Target t;
  PieGraphSide(t.Canvas());
  for (auto _ : state) {
    FloodSide(t.Canvas());
    benchmark::ClobberMemory();
  }
}
void BM_FloodFillPieSide_Baseline(benchmark::State& state) {
  WriteFootprint(state, FloodSide, PieGraphSide);
}
BENCHMARK(BM_PieGraphFront);
BENCHMARK(BM_PieGraphFront_Baseline);
BENCHMARK(BM_PieGraphWedge);
BENCHMARK(BM_PieGraphWedge_Baseline);
BENCHMARK(BM_PercentPie);
BENCHMARK(BM_PercentPie_Baseline);
BENCHMARK(BM_RoundRect104x24);
BENCHMARK(BM_RoundRect104x24_Baseline);
BENCHMARK(BM_PolygonDigitSegment);
BENCHMARK(BM_PolygonDigitSegment_Baseline);
BENCHMARK(BM_PolygonTriangleMarker);
BENCHMARK(BM_PolygonTriangleMarker_Baseline);
BENCHMARK(BM_PolygonTankHopper);
BENCHMARK(BM_PolygonTankHopper_Baseline);
BENCHMARK(BM_FloodFillPieSide);
BENCHMARK(BM_FloodFillPieSide_Baseline);

}  // namespace
