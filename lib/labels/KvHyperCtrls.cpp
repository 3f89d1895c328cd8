#include "KvHyperCtrls.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLabelsInternal.h"
#include "KvLeastSize.h"
#include "KvSysUtilsInternal.h"

#include <QDesktopServices>
#include <QPointer>
#include <QUrl>

#include <algorithm>

using kv::DT_CENTER, kv::DT_EXPANDTABS, kv::DT_RIGHT, kv::DT_TOP, kv::DT_WORDBREAK, kv::DrawText,
    kv::InflateRect, kv::IsRectEmpty, kv::OffsetRect, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvHyperLink, TKvWebLabel>();

bool OpenWithSystem(const QString& url) {
  return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

kv::UrlOpener& CurrentOpener() {
  static kv::UrlOpener opener = OpenWithSystem;
  return opener;
}

unsigned OutlineTextFlags(bool wrap, TAlignment alignment) {
  unsigned flags = DT_EXPANDTABS | DT_TOP;
  if (wrap) flags |= DT_WORDBREAK;
  if (alignment == TAlignment::taCenter) flags |= DT_CENTER;
  if (alignment == TAlignment::taRightJustify) flags |= DT_RIGHT;
  return flags;
}

void InitLinkFont(TFont* font, TColor color) {
  font->SetName(QStringLiteral("Arial"));
  font->SetSize(12);
  font->SetColor(color);
  font->SetStyle(TFontStyle::fsBold | TFontStyle::fsUnderline);
}

// Up to this width the halo is drawn as its 4·w² copies; above it, as one widened mask.
constexpr int kCopiedOutlineWidth = 2;

// The region moved by every offset from Low to High along one axis, the moved copies united
// by doubling: a wide range costs its logarithm, not its width.
TRegion Smeared(const TRegion& region, int64_t low, int64_t high, bool across) {
  if (low > high) return {};
  const auto moved = [across](const TRegion& r, int64_t by) {
    return TRegion(r.ToQRegion().translated(across ? QPoint(int(by), 0) : QPoint(0, int(by))));
  };
  TRegion result = moved(region, low);
  for (int64_t done = 1, count = high - low + 1; done < count;) {
    const int64_t step = std::min(done, count - done);
    kv::CombineRgn(result, result, moved(result, step), kv::RGN_OR);
    done += step;
  }
  return result;
}

// The region moved by every offset 1 <= |d| <= W along one axis, where the region lies at
// Base and only offsets that land some of it in [0, Reach) count (Size: the region's extent).
TRegion Widened(const TRegion& region, int64_t base, int64_t size, int64_t reach, int64_t w,
                bool across) {
  const int64_t low = 1 - size, high = reach - 1;  // where a moved pixel can still land
  TRegion result;
  kv::CombineRgn(result, Smeared(region, std::max(base + 1, low), std::min(base + w, high), across),
                 Smeared(region, std::max(base - w, low), std::min(base - 1, high), across),
                 kv::RGN_OR);
  return result;
}

// Fills the union of the 4·w² halo copies in one pass: a pixel takes Color when the text,
// drawn alone in R and clipped to it, has ink at (x − dx, y − dy) for some
// 1 <= |dx|, |dy| <= w. Text moved by whole pixels is the same text moved, so the pixels
// are those of the copies, at a cost that grows with the text instead of with w².
void LayWideHalo(TCanvas* canvas, const TRect& r, const QString& text, unsigned flags, TColor color,
                 int w) {
  // What the halo can reach inside the clip, and the part of R whose ink reaches that.
  const TRect clip = canvas->ClipRect();
  const int64_t ax0 = std::max<int64_t>(int64_t(r.Left) - w, clip.Left);
  const int64_t ay0 = std::max<int64_t>(int64_t(r.Top) - w, clip.Top);
  const int64_t ax1 = std::min<int64_t>(int64_t(r.Right) + w, clip.Right);
  const int64_t ay1 = std::min<int64_t>(int64_t(r.Bottom) + w, clip.Bottom);
  const int64_t mx0 = std::max<int64_t>(r.Left, ax0 - w), my0 = std::max<int64_t>(r.Top, ay0 - w);
  const int64_t mx1 = std::min<int64_t>(r.Right, ax1 + w),
                my1 = std::min<int64_t>(r.Bottom, ay1 + w);
  if (ax0 >= ax1 || ay0 >= ay1 || mx0 >= mx1 || my0 >= my1) return;
  const int64_t aw = ax1 - ax0, ah = ay1 - ay0, mw = mx1 - mx0, mh = my1 - my0;

  // The ink, white on black; one column more, since a mask's last column never counts.
  TBitmap mask;
  mask.SetSize(int(mw + 1), int(mh));
  TCanvas* mc = mask.Canvas();
  mc->Brush()->SetColor(clBlack);
  mc->FillRect(Rect(0, 0, int(mw + 1), int(mh)));
  mc->SetFont(canvas->Font());
  mc->Font()->SetColor(clWhite);
  mc->Brush()->SetStyle(TBrushStyle::bsClear);
  TRect inMask = Rect(int(r.Left - mx0), int(r.Top - my0), int(r.Right - mx0), int(r.Bottom - my0));
  DrawText(mc, text, inMask, flags);

  // Widened across into the reach's columns, then down into its rows.
  TRegion halo = kv::MaskRegion(mask, clBlack);
  kv::CombineRgn(halo, Widened(halo, mx0 - ax0, mw, aw, w, true),
                 kv::CreateRectRgn(0, 0, int(aw), int(mh)), kv::RGN_AND);
  kv::CombineRgn(halo, Widened(halo, my0 - ay0, mh, ah, w, false),
                 kv::CreateRectRgn(0, 0, int(aw), int(ah)), kv::RGN_AND);
  halo = TRegion(halo.ToQRegion().translated(int(ax0), int(ay0)));

  const TColor brush = canvas->Brush()->Color();
  canvas->SelectClipRgn(&halo);
  canvas->Brush()->SetColor(color);
  canvas->FillRect(Rect(int(ax0), int(ay0), int(ax1), int(ay1)));
  canvas->SelectClipRgn(nullptr);
  canvas->Brush()->SetColor(brush);
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
}

}  // namespace

namespace kv {

void ForEachOutlineOffset(int Width, const std::function<void(int DX, int DY)>& F) {
  for (int64_t i = 1; i <= Width; ++i)
    for (int64_t j = 1; j <= Width; ++j) {
      const int dx = int(i), dy = int(j);
      F(dx, dy);
      F(dx, -dy);
      F(-dx, dy);
      F(-dx, -dy);
    }
}

void DrawOutlinedText(TCanvas* Canvas, const TRect& R, const QString& Text, bool Wrap,
                      TAlignment Alignment, TColor OutlineColor, int Width) {
  // Every copy is clipped to R moved by its offset, all of R's size: with R empty none
  // shows.
  if (IsRectEmpty(R)) return;
  const unsigned flags = OutlineTextFlags(Wrap, Alignment);
  const TColor fontColor = Canvas->Font()->Color();
  if (Width > kCopiedOutlineWidth) {
    LayWideHalo(Canvas, R, Text, flags, OutlineColor, Width);
  } else if (Width > 0) {
    Canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    Canvas->Font()->SetColor(OutlineColor);
    ForEachOutlineOffset(Width, [&](int dx, int dy) {
      TRect moved = R;
      OffsetRect(moved, dx, dy);
      DrawText(Canvas, Text, moved, flags);
    });
  }
  Canvas->Font()->SetColor(fontColor);
  TRect r = R;
  DrawText(Canvas, Text, r, flags);
}

bool OpenUrl(const QString& Url) { return CurrentOpener()(Url); }

void SetUrlOpenerForTesting(UrlOpener Opener) {
  CurrentOpener() = Opener ? std::move(Opener) : UrlOpener(OpenWithSystem);
}

}  // namespace kv

// ---------------------------------------------------------------------------
// TKvHyperLink

struct TKvHyperLink::Private {
  // The caption with its halo: it stays while only the colours behind it change.
  TKvStaticLayer TextLayer;
};

TKvHyperLink::TKvHyperLink(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FFontEnter(std::make_unique<TFont>()),
      FFontLeave(std::make_unique<TFont>()),
      FTextOutline(std::make_unique<TKvTextOutline>()),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csOpaque) &
                  ~TControlStyle(TControlStyleFlag::csDoubleClicks));
  SetBounds(0, 0, 135, 25);
  AcceptFocus();
  InitLinkFont(FFontEnter.get(), clLime);
  InitLinkFont(FFontLeave.get(), clGreen);
  const auto repaint = [this] { UpdateControl(); };
  QObject::connect(FFontEnter.get(), &TFont::OnChange, this, repaint);
  QObject::connect(FFontLeave.get(), &TFont::OnChange, this, repaint);
  QObject::connect(FTextOutline.get(), &TKvTextOutline::OnChange, this, repaint);
}

TKvHyperLink::~TKvHyperLink() = default;

void TKvHyperLink::SetColorEnter(TColor v) {
  SetFollowed(this, FColorEnter, v, &TKvHyperLink::ColorEnterChanged);
}

void TKvHyperLink::SetColorLeave(TColor v) {
  SetFollowed(this, FColorLeave, v, &TKvHyperLink::ColorLeaveChanged);
}

void TKvHyperLink::SetAlignment(TAlignment v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FAlignment, v)) UpdateControl();
}

void TKvHyperLink::SetWordWrap(bool v) {
  if (SetIfChanged(FWordWrap, v)) UpdateControl();
}

void TKvHyperLink::MouseEnter() {
  FMouseInside = true;
  UpdateControl();
  TKvGraphicImageControl::MouseEnter();
}

void TKvHyperLink::MouseLeave() {
  FMouseInside = false;
  UpdateControl();
  TKvGraphicImageControl::MouseLeave();
}

void TKvHyperLink::TextChanged() {
  UpdateControl();
  TKvGraphicImageControl::TextChanged();
}

void TKvHyperLink::Paint() {
  if (Transparent()) ClearBitmapCanvas();
  TCanvas* canvas = BitmapCanvas();
  const TFont* font = Hot() ? FFontEnter.get() : FFontLeave.get();
  canvas->SetFont(font);
  canvas->Brush()->SetColor(Hot() ? FColorEnter : FColorLeave);
  canvas->Brush()->SetStyle(Transparent() ? TBrushStyle::bsClear : TBrushStyle::bsSolid);
  if (!Transparent()) {
    // One solid colour over the whole image.
    canvas->FillRect(TRect{0, 0, Image()->Width(), Image()->Height()});
  }

  const int width = FTextOutline->Visible() ? FTextOutline->Width() : 0;
  TRect r = ClientRect();
  InflateRect(r, kv::SatSub(0, width), kv::SatSub(0, width));
  // An opaque text cell has the colour just filled: drawn clear, the text writes the same.
  TKvLayerKey key;
  key << Caption() << font << FTextOutline->Color() << width << FWordWrap << int(FAlignment);
  d->TextLayer.Draw(Image(), key, [&](TCanvas* c) {
    c->SetFont(font);
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    kv::DrawOutlinedText(c, r, Caption(), FWordWrap, FAlignment, FTextOutline->Color(), width);
  });
  TKvGraphicImageControl::Paint();
}

// ---------------------------------------------------------------------------
// TKvWebLabel

TKvWebLabel::TKvWebLabel(kv::OwnerOrParent owner)
    : TKvHyperLink(owner), FURL(QStringLiteral("https://www.brontel.example/")) {
  SetCursor(kKvHandCursor);
}

void TKvWebLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  QPointer<TKvWebLabel> self(this);
  TKvHyperLink::MouseUp(button, shift, x, y);
  if (!self || button != TMouseButton::mbLeft || !MouseInside()) return;
  OpenURL();
}

void TKvWebLabel::KeyClick() {
  QPointer<TKvWebLabel> self(this);
  TKvHyperLink::KeyClick();
  if (self) OpenURL();
}

void TKvWebLabel::OpenURL() {
  UpdateControl();
  if (!kv::OpenUrl(FURL)) emit OnError(this);
}

// The caption whole in either font, inside its outline.
QSize TKvHyperLink::minimumSizeHint() const {
  const TPoint text = kv::LeastTextSize(FFontLeave.get(), FFontEnter.get(), Caption());
  const int64_t outline = FTextOutline->Visible() ? std::max(FTextOutline->Width(), 0) : 0;
  return kv::LeastSizeHint(text.X, text.Y, outline);
}
