// Text on a canvas: TextOut, the text metrics and DrawText.
//
// QPainter renders the glyphs with the canvas font (never anti-aliased) into a scratch
// image; its pixels are then painted in exactly the font colour, and the text cell in the
// brush colour unless the brush is clear, through the canvas clip. No in-between colour
// can reach the surface, so colour keys and monochrome surfaces see only those colours.
#include "Accelerators.h"
#include "GraphicsSmooth.h"
#include "Raster.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

using kv::DT_BOTTOM, kv::DT_CALCRECT, kv::DT_CENTER, kv::DT_EXPANDTABS, kv::DT_NOCLIP,
    kv::DT_NOPREFIX, kv::DT_RIGHT, kv::DT_SINGLELINE, kv::DT_VCENTER, kv::DT_WORDBREAK;

namespace {

// Scratch marks: the opaque cell in blue, glyphs (with underlines) in white.
constexpr QRgb kCellMark = 0xFF0000FFu;
constexpr QRgb kGlyphMark = 0xFFFFFFFFu;
// Function objects rather than functions, so that the mask walk inlines them.
constexpr auto IsGlyph = [](uint32_t px) { return ((px >> 16) & 0xFFu) >= 0x80; };
constexpr auto IsCell = [](uint32_t px) { return !IsGlyph(px) && (px & 0xFFu) >= 0x80; };

// The characters of a text the canvas measures and draws; the rest is neither. No control
// shows more at once, and shaping costs with the length: a paint stays bounded whatever text
// a property holds.
constexpr qsizetype kMaxTextLength = 4096;

QString Capped(const QString& text) {
  return text.size() > kMaxTextLength ? text.left(kMaxTextLength) : text;
}

// Small per-thread caches of recent results, most recent first: the entry that Matches, moved
// to the front, or none.
template <class Entry, class Matches>
Entry* FindRecent(std::vector<Entry>& cache, const Matches& matches) {
  const auto found = std::find_if(cache.begin(), cache.end(), matches);
  if (found == cache.end()) return nullptr;
  std::rotate(cache.begin(), found, found + 1);
  return &cache.front();
}

// Puts Entry at the front of the cache, dropping the least recent beyond Limit entries.
template <class Entry>
Entry& AddRecent(std::vector<Entry>& cache, Entry entry, size_t limit) {
  if (cache.size() >= limit) cache.pop_back();
  cache.insert(cache.begin(), std::move(entry));
  return cache.front();
}

// One line as drawn: its characters and the one underlined by a prefix "&" (or -1).
struct TextLine {
  QString text;
  int underline = -1;
};

// The advance of Text in Font. Shaping a string costs far more than drawing its cached
// runs, and a face repainted every frame measures the same captions again (several times
// each, for lines, alignment and halo copies): a few recent advances are kept per thread.
int CachedAdvance(const QFontMetrics& metrics, const QFont& font, QStringView text) {
  struct Entry {
    QFont Font;
    QString Text;
    int Advance;
  };
  constexpr size_t kEntries = 64;
  constexpr qsizetype kLongest = 256;
  if (text.size() > kLongest) return metrics.horizontalAdvance(text.toString());
  thread_local std::vector<Entry> cache;
  if (const Entry* e =
          FindRecent(cache, [&](const Entry& e) { return e.Text == text && e.Font == font; }))
    return e->Advance;
  const QString owned = text.toString();
  return AddRecent(cache, Entry{font, owned, metrics.horizontalAdvance(owned)}, kEntries).Advance;
}

struct TextLayout {
  const QFontMetrics& metrics;
  const QFont& font;
  bool expandTabs = false;

  // Tab stops lie every 8 average character widths from the line's start.
  int TabWidth() const { return std::max(1, 8 * metrics.averageCharWidth()); }

  // The advance of the first n characters of the line.
  int Advance(const QString& text, qsizetype n) const {
    const QStringView line = QStringView(text).left(n);
    if (!expandTabs || !line.contains(u'\t')) return CachedAdvance(metrics, font, line);
    int x = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= n; ++i) {
      if (i < n && text[i] != '\t') continue;
      x += CachedAdvance(metrics, font, line.mid(start, i - start));
      if (i < n) x = (x / TabWidth() + 1) * TabWidth();
      start = i + 1;
    }
    return x;
  }
  int Width(const QString& text) const { return Advance(text, text.size()); }
};

// The layout's font at `scale` times its size, spaced so that Text is `scale` times as wide as
// the layout measured it: above scale 1 glyphs are set at the finer size, each from its own
// advance, and the rounding of the measured advances is shared out over the whole piece
// rather than left as a gap beside each narrow glyph.
QFont FinerFont(const TextLayout& layout, const QString& text, int width, int scale) {
  QFont finer = layout.font;
  if (finer.pixelSize() > 0) finer.setPixelSize(finer.pixelSize() * scale);
  else finer.setPointSizeF(finer.pointSizeF() * scale);
  if (!text.isEmpty()) {
    const qreal natural = QFontMetricsF(finer).horizontalAdvance(text);
    finer.setLetterSpacing(QFont::AbsoluteSpacing, (qreal(width) * scale - natural) / text.size());
  }
  return finer;
}

// The anti-aliased glyphs of a classic font. Making them costs more than drawing a caption:
// the last few are kept per thread.
const QRawFont& SmoothGlyphs(const QFont& classic) {
  struct Entry {
    QFont Classic;
    QRawFont Glyphs;
  };
  constexpr size_t kEntries = 8;
  thread_local std::vector<Entry> cache;
  if (const Entry* e = FindRecent(cache, [&](const Entry& e) { return e.Classic == classic; }))
    return e->Glyphs;
  QFont smooth = classic;
  smooth.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::PreferMatch));
  return AddRecent(cache, Entry{classic, QRawFont::fromFont(smooth)}, kEntries).Glyphs;
}

// Draws Text's glyphs anti-aliased, shaped and placed by the layout's font (above scale 1 by
// its finer form), with the baseline's start at Baseline: the smooth glyphs stand where the
// classic ones do, so text is as wide as measured; so do the underline and the strike-out,
// Width long.
void DrawGlyphsAt(QPainter& painter, QPointF baseline, const QString& text,
                  const TextLayout& layout, int width, int scale) {
  // Shaping costs more than drawing the glyphs: the runs of recent pieces are kept.
  struct Shaped {
    QFont Font;  // the layout's
    QString Text;
    int Width, Scale;
    QList<QGlyphRun> Runs;  // from the smooth glyphs, without decorations
    qreal Ascent;
  };
  constexpr size_t kEntries = 64;
  thread_local std::vector<Shaped> cache;
  const Shaped* shaped = FindRecent(cache, [&](const Shaped& e) {
    return e.Text == text && e.Width == width && e.Scale == scale && e.Font == layout.font;
  });
  if (!shaped) {
    const QFont font = scale > 1 ? FinerFont(layout, text, width, scale) : layout.font;
    const QRawFont& glyphs = SmoothGlyphs(font);
    QTextLayout layoutOfText(text, font);
    layoutOfText.beginLayout();
    const QTextLine line = layoutOfText.createLine();
    layoutOfText.endLayout();
    QList<QGlyphRun> runs = layoutOfText.glyphRuns();
    for (QGlyphRun& run : runs) {
      run.setRawFont(glyphs);
      run.setUnderline(false);
      run.setStrikeOut(false);
      run.setOverline(false);
    }
    shaped = &AddRecent(
        cache, Shaped{layout.font, text, width, scale, std::move(runs), line.ascent()}, kEntries);
  }
  painter.save();
  painter.translate(baseline);
  painter.scale(1.0 / scale, 1.0 / scale);
  for (const QGlyphRun& run : shaped->Runs) painter.drawGlyphRun(QPointF(0, -shaped->Ascent), run);
  painter.restore();
  const QFontMetrics& fm = layout.metrics;
  const int thickness = std::max(1, fm.lineWidth());
  const auto rule = [&](int offset) {
    painter.fillRect(QRectF(baseline.x(), baseline.y() + offset, width, thickness),
                     painter.pen().color());
  };
  if (layout.font.underline()) rule(fm.underlinePos());
  if (layout.font.strikeOut()) rule(-fm.strikeOutPos());
}

// Draws the line with the top-left of its cell at the painter's origin, where one unit is
// `scale` device pixels: the cell (when opaque) in Cell, the glyphs (anti-aliased when Smooth)
// and the underline in Glyph.
void PaintLine(QPainter& painter, const TextLine& line, const TextLayout& layout, bool opaque,
               int width, int height, int scale, QColor cell, QColor glyph, bool smooth = false) {
  const QFontMetrics& fm = layout.metrics;
  if (opaque) painter.fillRect(QRect(0, 0, width, height), cell);
  painter.setFont(layout.font);
  painter.setPen(glyph);
  // Tab-separated pieces each start at their stop.
  qsizetype start = 0;
  for (qsizetype i = 0; i <= line.text.size(); ++i) {
    if (i < line.text.size() && !(layout.expandTabs && line.text[i] == '\t')) continue;
    const int x = layout.Advance(line.text, start);
    const QPointF at(x, fm.ascent());
    const QString piece = line.text.mid(start, i - start);
    const int pieceWidth = layout.Advance(line.text, i) - x;
    if (smooth) {
      DrawGlyphsAt(painter, at, piece, layout, pieceWidth, scale);
    } else if (scale > 1) {
      painter.save();
      painter.translate(at);
      painter.scale(1.0 / scale, 1.0 / scale);
      painter.setFont(FinerFont(layout, piece, pieceWidth, scale));
      painter.drawText(QPointF(0, 0), piece);
      painter.restore();
    } else {
      painter.drawText(at, piece);
    }
    start = i + 1;
  }
  if (line.underline >= 0) {
    const int from = layout.Advance(line.text, line.underline);
    const int to = layout.Advance(line.text, line.underline + 1);
    painter.fillRect(
        QRect(from, fm.ascent() + fm.underlinePos(), to - from, std::max(1, fm.lineWidth())),
        glyph);
  }
}

// Draws the line's marks on Scratch, whose pixel (0, 0) lies at canvas-local Area's corner.
void RenderScratch(QImage& scratch, const QTransform& place, int scale, const QPoint& area,
                   const TextLine& line, const TextLayout& layout, bool opaque, int width,
                   int height) {
  scratch.fill(0);
  QPainter painter(&scratch);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setTransform(place * QTransform::fromTranslate(-area.x(), -area.y()));
  PaintLine(painter, line, layout, opaque, width, height, scale, QColor::fromRgb(kCellMark),
            QColor::fromRgb(kGlyphMark));
}

// Draws the line smooth, straight onto the canvas's surface: the glyphs anti-aliased in the
// font colour, the cell in the brush colour.
void RenderSmoothLine(const TCanvas& canvas, const QTransform& local, const TextLine& line,
                      const TextLayout& layout, bool opaque, int width, int height,
                      const QRect* limit) {
  const kv::SmoothCall painter(canvas, limit);
  if (!painter) return;
  painter->setTransform(local, true);
  const auto colour = [](TColor c) {
    return QColor::fromRgb(kv::SurfaceColor(c, false) | 0xFF000000u);
  };
  PaintLine(*painter, line, layout, opaque, width, height, canvas.DeviceScale(),
            colour(canvas.Brush()->Color()), colour(canvas.Font()->Color()), true);
}

// An upright line's marks as runs, relative to its cell's top-left corner: a face repainted
// every frame draws the same captions again, and glyph rendering costs far more than
// painting the runs. A few lines of bounded size are kept per thread.
struct LineRuns {
  struct Run {
    int Y, Begin, End;
  };
  QFont Font;
  QString Text;
  int Underline = -1;
  int Scale = 1;
  bool Opaque = false, ExpandTabs = false;
  std::vector<Run> Cell, Glyph;
};

const LineRuns* UprightLineRuns(const TCanvas& canvas, const TextLine& line,
                                const TextLayout& layout, bool opaque, int width, int height) {
  constexpr size_t kLines = 64;
  constexpr int64_t kMaxPixels = int64_t(1) << 20;
  thread_local std::vector<std::unique_ptr<LineRuns>> cache;
  const QFont& font = canvas.Font()->ToQFont();
  const int scale = canvas.DeviceScale();
  if (const auto* found = FindRecent(cache, [&](const std::unique_ptr<LineRuns>& c) {
        return c->Text == line.text && c->Underline == line.underline && c->Opaque == opaque &&
               c->ExpandTabs == layout.expandTabs && c->Scale == scale && c->Font == font;
      }))
    return found->get();
  // Glyphs may reach beyond their cell (italics, bearings): a cell height of margin.
  const int64_t margin = int64_t(height) * scale;
  const int64_t areaWidth = int64_t(width) * scale + 2 * margin,
                areaHeight = int64_t(height) * scale + 2 * margin;
  if (areaWidth * areaHeight > kMaxPixels) return nullptr;
  QImage scratch(int(areaWidth), int(areaHeight), QImage::Format_RGB32);
  RenderScratch(scratch, QTransform::fromScale(scale, scale), scale,
                QPoint(int(-margin), int(-margin)), line, layout, opaque, width, height);
  auto runs = std::make_unique<LineRuns>();
  runs->Font = font;
  runs->Text = line.text;
  runs->Underline = line.underline;
  runs->Scale = scale;
  runs->Opaque = opaque;
  runs->ExpandTabs = layout.expandTabs;
  const auto collect = [&](std::vector<LineRuns::Run>& out, auto test) {
    for (int y = 0; y < scratch.height(); ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(scratch.constScanLine(y));
      for (int x = 0; x < scratch.width();) {
        if (!test(row[x])) {
          ++x;
          continue;
        }
        const int begin = x;
        while (x < scratch.width() && test(row[x])) ++x;
        out.push_back({y - int(margin), begin - int(margin), x - int(margin)});
      }
    }
  };
  collect(runs->Cell, IsCell);
  collect(runs->Glyph, IsGlyph);
  return AddRecent(cache, std::move(runs), kLines).get();
}

// Renders the line with the top-left of its cell at canvas (x, y), turned by the font's
// orientation about that point; `limit` (surface coordinates) narrows the clip.
void RenderLine(const TCanvas& canvas, int x, int y, const TextLine& line, const TextLayout& layout,
                const QRect* limit) {
  const QFontMetrics& fm = layout.metrics;
  const kv::ClipRects& canvasClip = canvas.EffectiveClip();
  const int width = layout.Width(line.text), height = fm.ascent() + fm.descent();
  const bool opaque = canvas.Brush()->Style() != TBrushStyle::bsClear;
  if (line.text.isEmpty() || canvasClip.IsEmpty()) return;

  QTransform local;  // in canvas pixels, for the smooth path
  local.translate(x, y);
  local.rotate(-canvas.Font()->Orientation() / 10.0);
  // The text is set in canvas pixels and drawn at the device scale: glyphs are traced at
  // the finer size, not enlarged.
  const kv::Point64 at = kv::ToSurface(canvas, x, y);
  QTransform place;
  place.translate(double(at.X), double(at.Y));
  place.scale(canvas.DeviceScale(), canvas.DeviceScale());
  place.rotate(-canvas.Font()->Orientation() / 10.0);
  // Glyphs may reach beyond their cell (italics, bearings): a cell height of margin.
  const double margin = height;  // in canvas pixels, as the text
  const QRect box = limit ? canvasClip.Bounds & *limit : canvasClip.Bounds;
  const QRectF reach =
      place.mapRect(QRectF(-margin, -margin, width + 2 * margin, height + 2 * margin)) &
      QRectF(box);
  const QRect area = reach.toAlignedRect() & box;
  if (area.isEmpty()) return;
  if (kv::DrawsSmooth(canvas)) {
    RenderSmoothLine(canvas, local, line, layout, opaque, width, height, &box);
    return;
  }

  const kv::ClipRects clip =
      limit ? kv::ClipRects::FromRegion(canvasClip.ToRegion() & box, canvasClip.SurfaceSize)
            : canvasClip;
  const bool mono = canvas.MonochromeSurface();
  const kv::SurfaceRows surface = canvas.WritableRows();
  const kv::Ink cellInk = kv::Ink::Solid(kv::SurfaceColor(canvas.Brush()->Color(), mono));
  const kv::Ink glyphInk = kv::Ink::Solid(kv::SurfaceColor(canvas.Font()->Color(), mono));

  // Upright text moves by whole pixels: its runs are those of the same line drawn anywhere.
  if (canvas.Font()->Orientation() == 0) {
    if (const LineRuns* runs = UprightLineRuns(canvas, line, layout, opaque, width, height)) {
      const int64_t dx = at.X, dy = at.Y;
      const auto paint = [&](const std::vector<LineRuns::Run>& list, const kv::Ink& ink) {
        for (const LineRuns::Run& r : list)
          kv::PaintSpan(surface, clip, r.Y + dy, r.Begin + dx, r.End + dx, ink);
      };
      if (opaque) paint(runs->Cell, cellInk);
      paint(runs->Glyph, glyphInk);
      return;
    }
  }

  QImage scratch(area.size(), QImage::Format_RGB32);
  RenderScratch(scratch, place, canvas.DeviceScale(), area.topLeft(), line, layout, opaque,
                width, height);
  if (opaque) kv::PaintMask(surface, clip, scratch, area.topLeft(), cellInk, IsCell);
  kv::PaintMask(surface, clip, scratch, area.topLeft(), glyphInk, IsGlyph);
}

// ---------------------------------------------------------------------------
// DrawText layout

TextLine WithoutPrefixes(const QString& text) {
  kv::CaptionText shown = kv::StripAccelerators(text);
  return TextLine{std::move(shown.Text), shown.Underline};
}

TextLine Slice(const TextLine& line, qsizetype from, qsizetype to) {
  TextLine part{line.text.mid(from, to - from), -1};
  if (line.underline >= from && line.underline < to) part.underline = int(line.underline - from);
  return part;
}

// Breaks a paragraph at blanks into lines no wider than `width`; a word wider than that
// stays whole on its own line.
void BreakWords(const TextLine& paragraph, int64_t width, const TextLayout& layout,
                std::vector<TextLine>& out) {
  const QString& s = paragraph.text;
  qsizetype start = 0;
  do {
    qsizetype end = start, fit = -1;
    while (end < s.size()) {
      qsizetype wordEnd = end;
      while (wordEnd < s.size() && s[wordEnd] == ' ') ++wordEnd;
      while (wordEnd < s.size() && s[wordEnd] != ' ') ++wordEnd;
      if (fit >= 0 && layout.Width(s.mid(start, wordEnd - start)) > width) break;
      fit = end = wordEnd;
    }
    out.push_back(Slice(paragraph, start, end));
    start = end;
    while (start < s.size() && s[start] == ' ') ++start;
  } while (start < s.size());
}

std::vector<TextLine> LayOut(const QString& text, int64_t width, unsigned flags,
                             const TextLayout& layout) {
  std::vector<TextLine> lines;
  if (text.isEmpty()) return lines;
  QStringList paragraphs;
  if (flags & DT_SINGLELINE) {
    paragraphs << text;
  } else {
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
    paragraphs = unified.split('\n');
  }
  for (const QString& p : paragraphs) {
    const TextLine line = (flags & DT_NOPREFIX) ? TextLine{p, -1} : WithoutPrefixes(p);
    if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE)) BreakWords(line, width, layout, lines);
    else lines.push_back(line);
  }
  return lines;
}

}  // namespace

// ---------------------------------------------------------------------------

void TCanvas::TextOut(int x, int y, const QString& text) {
  const QString shown = Capped(text);
  if (FSurface) {
    const QFont& font = FFont->ToQFont();
    const QFontMetrics metrics(font);
    RenderLine(*this, x, y, TextLine{shown, -1}, TextLayout{metrics, font}, nullptr);
  }
  FPenPos = {kv::SatAdd(x, TextWidth(shown)), y};
  if (FSurface) Changed();
}

int TCanvas::TextWidth(const QString& text) const {
  const QFont& font = FFont->ToQFont();
  return CachedAdvance(QFontMetrics(font), font, Capped(text));
}

int TCanvas::TextHeight(const QString&) const {
  const QFontMetrics metrics(FFont->ToQFont());
  return metrics.ascent() + metrics.descent();
}

TSize TCanvas::TextExtent(const QString& text) const { return {TextWidth(text), TextHeight(text)}; }

int kv::DrawText(TCanvas* canvas, const QString& text, TRect& r, unsigned flags) {
  if (!canvas) return 0;
  const QFont& font = canvas->Font()->ToQFont();
  const QFontMetrics metrics(font);
  const TextLayout layout{metrics, font, (flags & DT_EXPANDTABS) != 0};
  const std::vector<TextLine> lines =
      LayOut(Capped(text), int64_t(r.Right) - r.Left, flags, layout);
  const int lineHeight = metrics.ascent() + metrics.descent();
  const int height = kv::SatMul(int(std::min<size_t>(lines.size(), INT_MAX)), lineHeight);
  if (flags & DT_CALCRECT) {
    int widest = 0;
    for (const TextLine& line : lines) widest = std::max(widest, layout.Width(line.text));
    r.Right = kv::SatAdd(r.Left, widest);
    r.Bottom = kv::SatAdd(r.Top, height);
    return height;
  }
  if (!canvas->Surface()) return height;
  int y = r.Top;
  if (flags & DT_SINGLELINE) {
    if (flags & DT_VCENTER)
      y = kv::SaturateToInt(int64_t(r.Top) + (int64_t(r.Bottom) - r.Top - lineHeight) / 2);
    else if (flags & DT_BOTTOM) y = kv::SatSub(r.Bottom, lineHeight);
  }
  const kv::Point64 topLeft = kv::ToSurface(*canvas, r.Left, r.Top),
                   bottomRight = kv::ToSurface(*canvas, r.Right, r.Bottom);
  const QRect limit(QPoint(kv::SaturateToInt(topLeft.X), kv::SaturateToInt(topLeft.Y)),
                    QPoint(kv::SaturateToInt(bottomRight.X - 1),
                           kv::SaturateToInt(bottomRight.Y - 1)));
  for (const TextLine& line : lines) {
    const int width = layout.Width(line.text);
    int x = r.Left;
    if (flags & DT_CENTER)
      x = kv::SaturateToInt(int64_t(r.Left) + (int64_t(r.Right) - r.Left - width) / 2);
    else if (flags & DT_RIGHT) x = kv::SatSub(r.Right, width);
    RenderLine(*canvas, x, y, line, layout, (flags & DT_NOCLIP) ? nullptr : &limit);
    y = kv::SatAdd(y, lineHeight);
  }
  canvas->Changed();
  return height;
}
