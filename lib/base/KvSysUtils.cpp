#include "KvSysUtils.h"

#include "KvSysUtilsInternal.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

using kv::DT_CALCRECT, kv::DT_CENTER, kv::DT_SINGLELINE, kv::DT_VCENTER, kv::DrawText, kv::Extended,
    kv::GetSysColor, kv::IntersectRect, kv::OffsetRect, kv::Rect, kv::Round;

using kv::SaturateToInt;

namespace {

int64_t Width64(const TRect& r) { return int64_t(r.Right) - r.Left; }
int64_t Height64(const TRect& r) { return int64_t(r.Bottom) - r.Top; }

TRect SaturatedRect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return TRect(SaturateToInt(left), SaturateToInt(top), SaturateToInt(right),
               SaturateToInt(bottom));
}

TPoint SaturatedPoint(int64_t x, int64_t y) { return TPoint(SaturateToInt(x), SaturateToInt(y)); }

void FillWith(TCanvas* canvas, const TRect& r, TColor color) {
  canvas->Brush()->SetColor(color);
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->FillRect(r);
}

struct Rgb {
  int R = 0;
  int G = 0;
  int B = 0;
};

Rgb RgbOf(TColor color) {
  uint8_t r = 0, g = 0, b = 0;
  SplitColor(color, r, g, b);
  return {r, g, b};
}

TColor ColorOf(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(int32_t(r) | int32_t(g) << 8 | int32_t(b) << 16);
}

// Steps below 1 would never advance.
int64_t StepOf(int step) { return std::max(step, 1); }

// ---------------------------------------------------------------------------
// GradientFill: the current colour as three doubles, advanced by a fixed increment.

class FillGradient {
public:
  FillGradient(TColor start, TColor end, int64_t length, int64_t step) {
    const Rgb s = RgbOf(start), e = RgbOf(end);
    FCurrent = {double(s.R), double(s.G), double(s.B)};
    const std::array<int, 3> delta = {e.R - s.R, e.G - s.G, e.B - s.B};
    for (size_t i = 0; i < 3; ++i) FIncrement[i] = double(delta[i]) / double(length) * double(step);
  }
  TColor Color() const { return ColorOf(Part(FCurrent[0]), Part(FCurrent[1]), Part(FCurrent[2])); }
  void Advance() {
    for (size_t i = 0; i < 3; ++i) FCurrent[i] += FIncrement[i];
  }

private:
  static uint8_t Part(double v) { return uint8_t(std::clamp(Round(v), 0, 255)); }
  std::array<double, 3> FCurrent{};
  std::array<double, 3> FIncrement{};
};

// ---------------------------------------------------------------------------
// GradientBands: integer interpolation, each part taken modulo 256.

class BandGradient {
public:
  BandGradient(TColor start, TColor end) : FStart(RgbOf(start)), FEnd(RgbOf(end)) {}
  // The colour at position p of a total t; a total of 0 gives the start colour, which is
  // what the formula tends to there (p is 0 whenever t is).
  TColor At(int64_t p, int64_t t) const {
    if (t == 0) return ColorOf(uint8_t(FStart.R), uint8_t(FStart.G), uint8_t(FStart.B));
    auto part = [&](int s, int e) { return uint8_t(s + int64_t(e - s) * p / t); };
    return ColorOf(part(FStart.R, FEnd.R), part(FStart.G, FEnd.G), part(FStart.B, FEnd.B));
  }

private:
  Rgb FStart, FEnd;
};

// The quotient rounded down (Divisor > 0).
int64_t FloorDiv(int64_t a, int64_t divisor) { return a / divisor - (a % divisor < 0 ? 1 : 0); }

// Count bands of Step pixels across Rect, stacked from its top (horizontal bands) or its left
// (vertical bands): band n lies n * Step from that edge, in ColorOf(n). Bands do not overlap,
// so only those that meet the canvas's clip are filled: a rectangle far larger than what
// shows costs what shows. The brush is left as the last band leaves it.
template <class ColorOf>
void FillBands(TCanvas* canvas, const TRect& rect, bool horizontal, int64_t step, int64_t count,
               ColorOf&& colorOf) {
  if (count <= 0) return;
  const TRect clip = canvas->ClipRect();
  const int64_t start = horizontal ? rect.Top : rect.Left;
  const int64_t low = horizontal ? clip.Top : clip.Left, high = horizontal ? clip.Bottom : clip.Right;
  const int64_t first = std::max<int64_t>(FloorDiv(low - start, step), 0);
  const int64_t last = std::min<int64_t>(FloorDiv(high - start + step - 1, step), count);
  for (int64_t n = first; n < last; ++n) {
    const int64_t a = n * step, b = a + step;
    FillWith(canvas,
             horizontal ? SaturatedRect(rect.Left, rect.Top + a, rect.Right, rect.Top + b)
                        : SaturatedRect(rect.Left + a, rect.Top, rect.Left + b, rect.Bottom),
             colorOf(n));
  }
  if (last < count) {
    canvas->Brush()->SetColor(colorOf(count - 1));
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  }
}

void StraightBands(TCanvas* canvas, const TRect& rect, const BandGradient& gradient,
                   bool horizontal, int64_t step) {
  // Horizontal bands stop short of the bottom edge; vertical ones include the right edge.
  const int64_t total = horizontal ? Height64(rect) : Width64(rect);
  const int64_t end = horizontal ? total : total + 1;
  FillBands(canvas, rect, horizontal, step, end > 0 ? FloorDiv(end + step - 1, step) : 0,
            [&](int64_t n) { return gradient.At(n * step, total); });
}

// From the start colour at one edge to the end colour at the middle and back: bands up to the
// middle, then one more than those on the way back, the last at the start colour again.
void MirroredBands(TCanvas* canvas, const TRect& rect, const BandGradient& gradient,
                   bool horizontal, int64_t step) {
  const int64_t middle = (horizontal ? Height64(rect) : Width64(rect)) / 2;
  const int64_t out = middle > 0 ? FloorDiv(middle + step - 1, step) : 0;
  FillBands(canvas, rect, horizontal, step, 2 * out + 1, [&](int64_t n) {
    return gradient.At((n < out ? n : 2 * out - n) * step, middle);
  });
}

// Lines of pen width Step in canvas coordinates: style 3 from (x, 0) to (-1, x), style 4
// from (0, height - x) to (x, height).
void DiagonalLines(TCanvas* canvas, const TRect& rect, const BandGradient& gradient, bool rising,
                   int64_t step) {
  const int64_t height = Height64(rect), total = Width64(rect) + height;
  canvas->Pen()->SetWidth(SaturateToInt(step));
  for (int64_t x = 0; x <= total; x += step) {
    canvas->Pen()->SetColor(gradient.At(x, total));
    const TPoint from = rising ? SaturatedPoint(x, 0) : SaturatedPoint(0, height - x);
    const TPoint to = rising ? SaturatedPoint(-1, x) : SaturatedPoint(x, height);
    canvas->MoveTo(from.X, from.Y);
    canvas->LineTo(to.X, to.Y);
  }
}

// ---------------------------------------------------------------------------
// Frames

// The rings of DrawFrame3D; the second polyline of each ring ends CornerEnd pixels left of
// the ring's left edge (1: the bottom-left pixel in BottomColor, 0: it keeps TopColor).
void DrawRings(TCanvas* canvas, TRect& rect, TColor top, TColor bottom, int width, int cornerEnd) {
  if (width <= 0) return;
  canvas->Pen()->SetWidth(1);
  // The ring's corners: right and bottom one pixel inside the rectangle.
  int64_t l = rect.Left, t = rect.Top, r = int64_t(rect.Right) - 1, b = int64_t(rect.Bottom) - 1;
  for (int ring = 0; ring < width && l <= r && t <= b; ++ring, ++l, ++t, --r, --b) {
    const TPoint topLeft[] = {SaturatedPoint(l, b), SaturatedPoint(l, t), SaturatedPoint(r, t)};
    const TPoint bottomRight[] = {SaturatedPoint(r, t), SaturatedPoint(r, b),
                                  SaturatedPoint(l - cornerEnd, b)};
    canvas->Pen()->SetColor(top);
    canvas->Polyline(topLeft);
    canvas->Pen()->SetColor(bottom);
    canvas->Polyline(bottomRight);
  }
  rect = SaturatedRect(int64_t(rect.Left) + width, int64_t(rect.Top) + width,
                       int64_t(rect.Right) - width, int64_t(rect.Bottom) - width);
}

// ---------------------------------------------------------------------------
// Tiles

// The first tile position at or before the visible start that keeps the tiling's phase.
int64_t FirstTile(int64_t start, int64_t visibleStart, int64_t size) {
  return visibleStart > start ? start + (visibleStart - start) / size * size : start;
}

// Calls Draw(x, y) for each tile of Size from Rect's top-left corner, column by column,
// while the tile starts inside Rect; tiles that cannot show on the canvas are skipped.
void ForEachTile(TCanvas* canvas, const TRect& rect, int64_t width, int64_t height,
                 const std::function<void(int, int)>& draw) {
  const TRect clip = canvas->ClipRect();
  const int64_t right = std::min(rect.Right, clip.Right),
                bottom = std::min(rect.Bottom, clip.Bottom);
  const int64_t top = FirstTile(rect.Top, clip.Top, height);
  for (int64_t x = FirstTile(rect.Left, clip.Left, width); x < right; x += width)
    for (int64_t y = top; y < bottom; y += height) draw(int(x), int(y));
}

// On Work: where Mask is black, Picture stretched over Area; elsewhere Work unchanged.
void DrawThroughMask(TCanvas* work, const TRect& area, const TGraphic* picture,
                     const TBitmap* mask) {
  work->SetCopyMode(TCopyMode::cmSrcInvert);
  work->StretchDraw(area, picture);
  work->SetCopyMode(TCopyMode::cmSrcAnd);
  work->Draw(0, 0, mask);
  work->SetCopyMode(TCopyMode::cmSrcInvert);
  work->StretchDraw(area, picture);
  work->SetCopyMode(TCopyMode::cmSrcCopy);
}

// A tile holding up to 20 x 20 dots, no larger than the part of Rect it has to cover.
int64_t TileExtent(int64_t pitch, int64_t needed) { return std::min(20 * pitch, needed); }

}  // namespace

// ---------------------------------------------------------------------------
// Scaling and utilities

int PercentToValue(int Percent, int Total) {
  const Extended share = Extended(Percent) * 0.01L;
  return SaturateToInt(Extended(Total) * share);
}

int ValueToPercent(int Value, int Total) {
  if (Total == 0) return 0;
  // The product is exact in 64 bits. Whenever the quotient fits an int, integer division
  // truncates it as the extended-precision quotient would: a quotient that is not whole
  // lies at least 1/|Total| >= 2^-31 from the next integer, while rounding it to the
  // extended format moves it by at most 2^-34 below 2^31.
  return SaturateToInt(int64_t(Value) * 100 / Total);
}

int MinOf(int A, int B) { return std::min(A, B); }
int MaxOf(int A, int B) { return std::max(A, B); }
int RectWidth(const TRect& Rect) { return SaturateToInt(Width64(Rect)); }
int RectHeight(const TRect& Rect) { return SaturateToInt(Height64(Rect)); }

TRect BitmapRect(const TBitmap* Bitmap) {
  return Bitmap ? TRect(0, 0, Bitmap->Width(), Bitmap->Height()) : TRect();
}

void FreeBitmap(std::unique_ptr<TBitmap>& Bitmap) { Bitmap.reset(); }

void CreateBitmaps(std::span<std::unique_ptr<TBitmap>> Bitmaps, int HighIndex) {
  for (int64_t i = 0; i <= HighIndex && i < int64_t(Bitmaps.size()); ++i)
    Bitmaps[size_t(i)] = std::make_unique<TBitmap>();
}

void FreeBitmaps(std::span<std::unique_ptr<TBitmap>> Bitmaps, int HighIndex) {
  for (int64_t i = 0; i <= HighIndex && i < int64_t(Bitmaps.size()); ++i)
    Bitmaps[size_t(i)].reset();
}

TColor ColorToRGBValue(TColor Color) {
  return Color.Value < 0 ? TColor(GetSysColor(Color.Value & 0xFF)) : Color;
}

void SplitColor(TColor Color, uint8_t& R, uint8_t& G, uint8_t& B) {
  const uint32_t c = uint32_t(ColorToRGBValue(Color).Value);
  R = uint8_t(c);
  G = uint8_t(c >> 8);
  B = uint8_t(c >> 16);
}

std::unique_ptr<TBitmap> CreatePatternBitmap(TColor ForeColor, TColor BackColor) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(8, 8);
  TCanvas* canvas = bitmap->Canvas();
  FillWith(canvas, TRect(0, 0, 8, 8), BackColor);
  for (int y = 0; y < 8; ++y)
    for (int x = (y % 2); x < 8; x += 2) canvas->SetPixels(x, y, ForeColor);
  return bitmap;
}

// ---------------------------------------------------------------------------
// Gradients

void GradientFill(TCanvas* Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                  int Direction, int Step) {
  if (Direction != 0 && Direction != 1) return;
  const bool downward = Direction == 0;
  const int64_t step = StepOf(Step);
  const int64_t width = std::max<int64_t>(1, Width64(Rect)),
                height = std::max<int64_t>(1, Height64(Rect));
  const int64_t length = downward ? height : width;
  FillGradient gradient(StartColor, EndColor, length, step);
  for (int64_t offset = 0; offset <= length; offset += step) {
    const int64_t l = Rect.Left, t = Rect.Top;
    FillWith(Canvas,
             downward ? SaturatedRect(l, t + offset, l + width, t + offset + step)
                      : SaturatedRect(l + offset, t, l + offset + step, t + height),
             gradient.Color());
    gradient.Advance();
  }
}

void GradientBands(TCanvas* Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                   int Style, int Step) {
  const BandGradient gradient(StartColor, EndColor);
  const int64_t step = StepOf(Step);
  switch (Style) {
    case 1: StraightBands(Canvas, Rect, gradient, true, step); break;
    case 2: StraightBands(Canvas, Rect, gradient, false, step); break;
    case 3: DiagonalLines(Canvas, Rect, gradient, true, step); break;
    case 4: DiagonalLines(Canvas, Rect, gradient, false, step); break;
    case 5: MirroredBands(Canvas, Rect, gradient, true, step); break;
    case 6: MirroredBands(Canvas, Rect, gradient, false, step); break;
    default: break;
  }
}

int GradientDirectionStyle(int Direction) {
  return Direction >= 0 && Direction < int(std::size(GradientDirectionStyles))
             ? GradientDirectionStyles[Direction]
             : 0;
}

// ---------------------------------------------------------------------------
// Frames, shapes and captions

void DrawFrame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  DrawRings(Canvas, Rect, TopColor, BottomColor, Width, 1);
}

void DrawFrame3DCorner(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor,
                       int Width) {
  DrawRings(Canvas, Rect, TopColor, BottomColor, Width, 0);
}

void DrawShape(TCanvas* Canvas, int Shape, int X, int Y, int W, int H) {
  if (Shape < 0 || Shape > 5) return;
  int64_t x = X, y = Y, w = W, h = H;
  // A pen without width leaves the last row and column free.
  if (Canvas->Pen()->Width() == 0) {
    --w;
    --h;
  }
  const int64_t side = std::min(w, h);
  if (Shape % 2 == 1) {
    x += (w - side) / 2;
    y += (h - side) / 2;
    w = h = side;
  }
  const TRect r = SaturatedRect(x, y, x + w, y + h);
  switch (Shape / 2) {
    case 0: Canvas->Rectangle(r); break;
    case 1:
      Canvas->RoundRect(r.Left, r.Top, r.Right, r.Bottom, SaturateToInt(side / 4),
                        SaturateToInt(side / 4));
      break;
    default: Canvas->Ellipse(r); break;
  }
}

void DrawCaption(TCanvas* Canvas, const QString& Text, const TRect& Rect, bool Enabled) {
  Canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  TRect r = Rect;
  if (Enabled) {
    DrawText(Canvas, Text, r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    return;
  }
  OffsetRect(r, 1, 1);
  Canvas->Font()->SetColor(clBtnHighlight);
  DrawText(Canvas, Text, r, 0);
  r = Rect;
  Canvas->Font()->SetColor(clBtnShadow);
  DrawText(Canvas, Text, r, 0);
}

namespace {

// One axis of the image-and-caption layout.
struct LayoutAxis {
  int64_t Client = 0;
  int64_t Image = 0;
  int64_t Text = 0;
};

}  // namespace

void CalcImageTextLayout(TCanvas* Canvas, const TRect& Client, TPoint Offset,
                         const QString& Caption, TKvImageTextLayout Layout, int Margin, int Spacing,
                         TPoint ImageSize, TPoint& ImagePos, TRect& TextBounds) {
  const int64_t clientWidth = Width64(Client), clientHeight = Height64(Client);
  TextBounds = TRect();
  if (!Caption.isEmpty()) {
    TextBounds = TRect(0, 0, SaturateToInt(clientWidth), 0);
    DrawText(Canvas, Caption, TextBounds, DT_CALCRECT);
  }
  const int64_t textWidth = Width64(TextBounds), textHeight = Height64(TextBounds);

  const bool sideBySide =
      Layout == TKvImageTextLayout::ImageLeft || Layout == TKvImageTextLayout::ImageRight;
  const LayoutAxis x{clientWidth, ImageSize.X, textWidth}, y{clientHeight, ImageSize.Y, textHeight};
  const LayoutAxis& along = sideBySide ? x : y;
  const LayoutAxis& across = sideBySide ? y : x;

  const int64_t imageAcross = (across.Client - across.Image + 1) / 2;
  const int64_t textAcross = (across.Client - across.Text + 1) / 2;

  int64_t margin = Margin, spacing = Spacing;
  if (textWidth == 0 || ImageSize.X == 0) spacing = 0;
  if (margin == -1) {
    if (spacing == -1) {
      margin = (along.Client - (along.Image + along.Text)) / 3;
      spacing = margin;
    } else {
      margin = (along.Client - (along.Image + spacing + along.Text) + 1) / 2;
    }
  } else if (spacing == -1) {
    spacing = (along.Client - (margin + along.Image) - along.Text) / 2;
  }

  const bool imageFirst =
      Layout == TKvImageTextLayout::ImageLeft || Layout == TKvImageTextLayout::ImageTop;
  const int64_t imageAlong = imageFirst ? margin : along.Client - margin - along.Image;
  const int64_t textAlong =
      imageFirst ? imageAlong + along.Image + spacing : imageAlong - spacing - along.Text;

  const int64_t dx = int64_t(Client.Left) + Offset.X, dy = int64_t(Client.Top) + Offset.Y;
  const int64_t imageX = sideBySide ? imageAlong : imageAcross,
                imageY = sideBySide ? imageAcross : imageAlong;
  const int64_t textX = sideBySide ? textAlong : textAcross,
                textY = sideBySide ? textAcross : textAlong;
  ImagePos = SaturatedPoint(imageX + dx, imageY + dy);
  TextBounds = SaturatedRect(TextBounds.Left + textX + dx, TextBounds.Top + textY + dy,
                             TextBounds.Right + textX + dx, TextBounds.Bottom + textY + dy);
}

// ---------------------------------------------------------------------------
// Text

void SetFontAngle(TCanvas* Canvas, int Angle) {
  Canvas->Font()->SetOrientation(kv::SatMul(Angle, 10));
}

TPoint TextSize(TCanvas* Canvas, const QString& Text) {
  TRect r;
  DrawText(Canvas, Text, r, DT_CALCRECT);
  return TPoint(RectWidth(r), RectHeight(r));
}

namespace kv {

void TurnShape(TControl* Control, bool ToVertical) {
  const int width = Control->Width();
  const int height = Control->Height();
  const bool swap = ToVertical ? width > height : height > width;
  // Set even when it stays: the control fits its size to the new orientation.
  Control->SetBounds(Control->Left(), Control->Top(), swap ? height : width,
                     swap ? width : height);
}

void DrawTextLayers(TCanvas* Canvas, std::span<const TextLayer> Layers,
                    const std::function<void(int DX, int DY)>& Draw) {
  const TColor fontColor = Canvas->Font()->Color();
  Canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  for (const TextLayer& layer : Layers) {
    Canvas->Font()->SetColor(layer.Color);
    Draw(layer.DX, layer.DY);
  }
  Canvas->Font()->SetColor(fontColor);
  Draw(0, 0);
}

}  // namespace kv

namespace {

void TextOutLayers(TCanvas* canvas, int x, int y, const QString& text,
                   std::span<const kv::TextLayer> layers) {
  kv::DrawTextLayers(canvas, layers, [&](int dx, int dy) {
    canvas->TextOut(kv::SatAdd(x, dx), kv::SatAdd(y, dy), text);
  });
}

}  // namespace

void DrawEmbossedText(TCanvas* Canvas, int X, int Y, const QString& Text, TColor TopLeftColor,
                      TColor BottomRightColor) {
  const kv::TextLayer layers[] = {{1, 1, BottomRightColor}, {-1, -1, TopLeftColor}};
  TextOutLayers(Canvas, X, Y, Text, layers);
}

void DrawShadowText(TCanvas* Canvas, int X, int Y, const QString& Text, TColor ShadowColor, int DX,
                    int DY) {
  const kv::TextLayer layers[] = {{DX, DY, ShadowColor}};
  TextOutLayers(Canvas, X, Y, Text, layers);
}

void DrawTexturedText(TCanvas* Canvas, const TRect& Rect, int X, int Y, int Angle,
                      const TGraphic* Texture, const QString& Text) {
  const int width = std::max(0, RectWidth(Rect)), height = std::max(0, RectHeight(Rect));
  if (width == 0 || height == 0 || !Texture || Texture->Empty()) return;
  const TRect area(0, 0, width, height);

  // The letters in black on white (a new bitmap starts black).
  TBitmap mask;
  mask.SetMonochrome(true);
  mask.SetSize(width, height);
  TCanvas* maskCanvas = mask.Canvas();
  FillWith(maskCanvas, area, clWhite);
  maskCanvas->SetFont(Canvas->Font());
  maskCanvas->Font()->SetColor(clBlack);
  SetFontAngle(maskCanvas, Angle);
  maskCanvas->Brush()->SetStyle(TBrushStyle::bsClear);
  maskCanvas->TextOut(X, Y, Text);

  TBitmap work;
  work.SetSize(width, height);
  work.Canvas()->CopyRect(area, Canvas, area);
  DrawThroughMask(work.Canvas(), area, Texture, &mask);
  Canvas->Draw(0, 0, &work);
}

// ---------------------------------------------------------------------------
// Dot patterns, tiles and colour replacement

void DrawDotPattern(TCanvas* Canvas, const TRect& Rect, TColor DotColor, int Spacing, int DotSize,
                    TColor BackColor) {
  const int64_t pitch = int64_t(Spacing) + DotSize;
  if (pitch < 1) {
    FillWith(Canvas, Rect, BackColor);
    return;
  }
  TRect visible;
  if (!IntersectRect(visible, Rect, Canvas->ClipRect())) return;
  const int64_t tileWidth = TileExtent(pitch, int64_t(visible.Right) - Rect.Left);
  const int64_t tileHeight = TileExtent(pitch, int64_t(visible.Bottom) - Rect.Top);

  TBitmap tile;
  tile.SetSize(SaturateToInt(tileWidth), SaturateToInt(tileHeight));
  TCanvas* tileCanvas = tile.Canvas();
  FillWith(tileCanvas, BitmapRect(&tile), BackColor);
  tileCanvas->Brush()->SetColor(DotColor);
  for (int64_t x = 0; x <= tileWidth; x += pitch)
    for (int64_t y = 0; y <= tileHeight; y += pitch)
      tileCanvas->FillRect(SaturatedRect(x, y, x + DotSize, y + DotSize));

  ForEachTile(Canvas, Rect, tileWidth, tileHeight,
              [&](int x, int y) { Canvas->Draw(x, y, &tile); });
}

void MakeDotImage(TBitmap* Dest, const TBitmap* Source, TColor DotColor, int Spacing, int DotSize,
                  TColor BackColor) {
  const int64_t pitch = int64_t(Spacing) + DotSize;
  const int64_t width = Source ? Source->Width() * pitch : 0,
                height = Source ? Source->Height() * pitch : 0;
  if (pitch < 1 || width <= 0 || height <= 0 || width > kv::kDotImagePixelBudget ||
      height > kv::kDotImagePixelBudget || width * height > kv::kDotImagePixelBudget) {
    Dest->SetSize(0, 0);
    return;
  }
  const TRect area(0, 0, int(width), int(height));

  TBitmap mask;
  mask.SetSize(area.Right, area.Bottom);
  DrawDotPattern(mask.Canvas(), area, clBlack, Spacing, DotSize, clWhite);

  TBitmap work;
  work.SetSize(area.Right, area.Bottom);
  DrawDotPattern(work.Canvas(), area, DotColor, Spacing, DotSize, BackColor);
  DrawThroughMask(work.Canvas(), area, Source, &mask);

  Dest->SetSize(area.Right, area.Bottom);
  Dest->Canvas()->Draw(0, 0, &work);
}

void TileBitmap(TCanvas* Canvas, const TRect& Rect, const TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->Width() <= 0 || Bitmap->Height() <= 0) return;
  ForEachTile(Canvas, Rect, Bitmap->Width(), Bitmap->Height(),
              [&](int x, int y) { Canvas->Draw(x, y, Bitmap); });
}

void ReplaceColor(TBitmap* Bitmap, TColor OldColor, TColor NewColor) {
  if (!Bitmap || Bitmap->Empty()) return;
  const kv::ColorReplacement replacement[] = {{OldColor, NewColor}};
  Bitmap->Canvas()->ReplaceColors(BitmapRect(Bitmap), replacement);
}
