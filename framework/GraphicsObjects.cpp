// Colours and the pen, brush and font objects.
#include "Graphics.h"
#include "GraphicsHooks.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QFontDatabase>
#include <QFontMetricsF>

#include <array>
#include <cstdlib>

using kv::GetSysColor;

// ---------------------------------------------------------------------------
// System colours: the application palette's, or one fixed table, so that pictures are the
// same on every machine.

namespace {

constexpr int kSysColorCount = 31;

constexpr int32_t RGBValue(int r, int g, int b) { return r | (g << 8) | (b << 16); }

constexpr std::array<int32_t, kSysColorCount> kDefaultSysColors = {
    RGBValue(200, 200, 200),  // 0 scroll bar
    RGBValue(0, 0, 0),        // 1 background
    RGBValue(153, 180, 209),  // 2 active caption
    RGBValue(191, 205, 219),  // 3 inactive caption
    RGBValue(240, 240, 240),  // 4 menu
    RGBValue(255, 255, 255),  // 5 window
    RGBValue(100, 100, 100),  // 6 window frame
    RGBValue(0, 0, 0),        // 7 menu text
    RGBValue(0, 0, 0),        // 8 window text
    RGBValue(0, 0, 0),        // 9 caption text
    RGBValue(180, 180, 180),  // 10 active border
    RGBValue(244, 247, 252),  // 11 inactive border
    RGBValue(171, 171, 171),  // 12 application work space
    RGBValue(0, 120, 215),    // 13 highlight
    RGBValue(255, 255, 255),  // 14 highlight text
    RGBValue(240, 240, 240),  // 15 button face
    RGBValue(160, 160, 160),  // 16 button shadow
    RGBValue(109, 109, 109),  // 17 grey text
    RGBValue(0, 0, 0),        // 18 button text
    RGBValue(0, 0, 0),        // 19 inactive caption text
    RGBValue(255, 255, 255),  // 20 button highlight
    RGBValue(105, 105, 105),  // 21 3D dark shadow
    RGBValue(227, 227, 227),  // 22 3D light
    RGBValue(0, 0, 0),        // 23 info text
    RGBValue(255, 255, 225),  // 24 info background
    RGBValue(0, 0, 0),        // 25 (unused)
    RGBValue(0, 102, 204),    // 26 hot light
    RGBValue(185, 209, 234),  // 27 gradient active caption
    RGBValue(215, 228, 242),  // 28 gradient inactive caption
    RGBValue(0, 120, 215),    // 29 menu highlight
    RGBValue(240, 240, 240),  // 30 menu bar
};

std::array<int32_t, kSysColorCount>& SysColors() {
  static std::array<int32_t, kSysColorCount> table = kDefaultSysColors;
  return table;
}

struct NamedColor {
  const char* name;
  TColor color;
};

constexpr NamedColor kColorNames[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
};

}  // namespace

int32_t kv::GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return 0;
  return SysColors()[size_t(index)];
}

int32_t kv::ColorToRGB(TColor color) {
  if (color.Value < 0) return GetSysColor(color.Value & 0xFF);
  return color.Value & 0xFFFFFF;
}

namespace {

// Forms made with Qt's form tools (uic, the run-time form loader) hold colours as QColor; these
// conversions take such a value to a TColor property through its own setter. A system colour
// becomes the colour it stands for.
[[maybe_unused]] const bool kQColorConversions = [] {
  QMetaType::registerConverter<QColor, TColor>(
      [](const QColor& c) { return kv::PixelToColor(c.rgb()); });
  QMetaType::registerConverter<TColor, QColor>(
      [](TColor c) { return QColor::fromRgb(kv::ColorToPixel(c)); });
  return true;
}();

}  // namespace

QString kv::ColorToString(TColor color) {
  for (const NamedColor& n : kColorNames)
    if (n.color.Value == color.Value) return QString::fromLatin1(n.name);
  return QStringLiteral("$%1").arg(uint32_t(color.Value), 8, 16, QChar('0')).toUpper();
}

bool kv::IdentToColor(const QString& text, TColor& color) {
  const QString t = text.trimmed();
  for (const NamedColor& n : kColorNames) {
    if (t.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
      color = n.color;
      return true;
    }
  }
  bool ok = false;
  qlonglong v = 0;
  if (t.startsWith('$')) v = t.mid(1).toLongLong(&ok, 16);
  else v = t.toLongLong(&ok, 10);
  if (!ok || v < std::numeric_limits<int32_t>::min() || v > 0xFFFFFFFFLL) return false;
  color = TColor(int32_t(uint32_t(v)));
  return true;
}

namespace kv {

void SetSysColor(int index, int32_t bgr) {
  if (index < 0 || index >= kSysColorCount) return;
  SysColors()[size_t(index)] = bgr & 0xFFFFFF;
  NotifySysColorsChanged();
}

void ResetSysColors() {
  SysColors() = kDefaultSysColors;
  NotifySysColorsChanged();
}

namespace {

SysColorSource gSysColorSource = SysColorSource::Palette;

int32_t RoleColor(const QPalette& palette, QPalette::ColorRole role,
                  QPalette::ColorGroup group = QPalette::Active) {
  return PixelToColor(palette.color(group, role).rgb()).Value;
}

// Each system colour from the nearest palette role. The shadows and lights are the roles Qt
// derives from the button colour, so they keep its proportions in any palette.
std::array<int32_t, kSysColorCount> TableOf(const QPalette& p) {
  std::array<int32_t, kSysColorCount> t = kDefaultSysColors;
  using R = QPalette::ColorRole;
  t[0] = RoleColor(p, R::Mid);                               // scroll bar
  t[1] = RoleColor(p, R::Window);                            // background
  t[2] = RoleColor(p, R::Highlight);                         // active caption
  t[3] = RoleColor(p, R::Highlight, QPalette::Inactive);     // inactive caption
  t[4] = RoleColor(p, R::Window);                            // menu
  t[5] = RoleColor(p, R::Base);                              // window
  t[6] = RoleColor(p, R::Shadow);                            // window frame
  t[7] = RoleColor(p, R::WindowText);                        // menu text
  t[8] = RoleColor(p, R::WindowText);                        // window text
  t[9] = RoleColor(p, R::HighlightedText);                   // caption text
  t[10] = RoleColor(p, R::Mid);                              // active border
  t[11] = RoleColor(p, R::Midlight);                         // inactive border
  t[12] = RoleColor(p, R::Dark);                             // application work space
  t[13] = RoleColor(p, R::Highlight);                        // highlight
  t[14] = RoleColor(p, R::HighlightedText);                  // highlight text
  t[15] = RoleColor(p, R::Button);                           // button face
  t[16] = RoleColor(p, R::Dark);                             // button shadow
  t[17] = RoleColor(p, R::Text, QPalette::Disabled);         // grey text
  t[18] = RoleColor(p, R::ButtonText);                       // button text
  t[19] = RoleColor(p, R::WindowText, QPalette::Inactive);   // inactive caption text
  t[20] = RoleColor(p, R::Light);                            // button highlight
  t[21] = RoleColor(p, R::Shadow);                           // 3D dark shadow
  t[22] = RoleColor(p, R::Midlight);                         // 3D light
  t[23] = RoleColor(p, R::ToolTipText);                      // info text
  t[24] = RoleColor(p, R::ToolTipBase);                      // info background
  t[26] = RoleColor(p, R::Link);                             // hot light
  t[27] = RoleColor(p, R::Highlight);                        // gradient active caption
  t[28] = RoleColor(p, R::Highlight, QPalette::Inactive);    // gradient inactive caption
  t[29] = RoleColor(p, R::Highlight);                        // menu highlight
  t[30] = RoleColor(p, R::Window);                           // menu bar
  return t;
}

}  // namespace

void SetSysColorSource(SysColorSource source) {
  gSysColorSource = source;
  if (source == SysColorSource::Classic) ResetSysColors();
  else if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    FollowPalette(QGuiApplication::palette());
}

SysColorSource GetSysColorSource() { return gSysColorSource; }

void FollowPalette(const QPalette& palette) {
  if (gSysColorSource != SysColorSource::Palette) return;
  const std::array<int32_t, kSysColorCount> table = TableOf(palette);
  if (table == SysColors()) return;
  SysColors() = table;
  NotifySysColorsChanged();
}

namespace {
void (*gSysColorListener)() = nullptr;
}

void SetSysColorListener(void (*listener)()) { gSysColorListener = listener; }

void NotifySysColorsChanged() {
  if (gSysColorListener) gSysColorListener();
}

}  // namespace kv

// ---------------------------------------------------------------------------
// Pen, brush, font

void TGraphicsObject::Changed() {
  ++FChangeStamp;
  emit OnChange(this);
}

void TPen::SetColor(TColor v) {
  if (v.Value == FColor.Value) return;
  FColor = v;
  Changed();
}

void TPen::SetMode(TPenMode v) {
  if (v == FMode || !kv::IsEnumValue(v)) return;
  FMode = v;
  Changed();
}

void TPen::SetStyle(TPenStyle v) {
  if (v == FStyle || !kv::IsEnumValue(v)) return;
  FStyle = v;
  Changed();
}

void TPen::SetWidth(int v) {
  v = std::max(v, 1);
  if (v == FWidth) return;
  FWidth = v;
  Changed();
}

void TPen::Assign(const TPersistent* source) {
  auto* p = dynamic_cast<const TPen*>(source);
  if (!p) {
    TPersistent::Assign(source);
    return;
  }
  if (p == this) return;
  const bool same = FColor.Value == p->FColor.Value && FMode == p->FMode && FStyle == p->FStyle &&
                    FWidth == p->FWidth;
  FColor = p->FColor;
  FMode = p->FMode;
  FStyle = p->FStyle;
  FWidth = p->FWidth;
  if (!same) Changed();
}

void TBrush::SetColor(TColor v) {
  if (v.Value == FColor.Value && FStyle != TBrushStyle::bsClear) return;
  FColor = v;
  if (FStyle == TBrushStyle::bsClear) FStyle = TBrushStyle::bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle v) {
  if (v == FStyle || !kv::IsEnumValue(v)) return;
  FStyle = v;
  Changed();
}

void TBrush::SetBitmap(TBitmap* v) {
  if (v == FBitmap) return;
  FBitmap = v;
  Changed();
}

void TBrush::Assign(const TPersistent* source) {
  auto* b = dynamic_cast<const TBrush*>(source);
  if (!b) {
    TPersistent::Assign(source);
    return;
  }
  if (b == this) return;
  const bool same = FColor.Value == b->FColor.Value && FStyle == b->FStyle && FBitmap == b->FBitmap;
  FColor = b->FColor;
  FStyle = b->FStyle;
  FBitmap = b->FBitmap;
  if (!same) Changed();
}

namespace kv {

QString SubstituteFontFamily(const QString& name) {
  static const QStringList families = QFontDatabase::families();
  auto installed = [](const char* f) {
    return families.contains(QLatin1String(f), Qt::CaseInsensitive);
  };
  const QString n = name.trimmed();
  // Metric-compatible stand-ins for the families the form descriptions name.
  if (n.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0 ||
      n.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0 ||
      n.compare(QLatin1String("Tahoma"), Qt::CaseInsensitive) == 0 ||
      n.compare(QLatin1String("Verdana"), Qt::CaseInsensitive) == 0 || n.isEmpty()) {
    if (installed("Liberation Sans")) return QStringLiteral("Liberation Sans");
    return QStringLiteral("DejaVu Sans");
  }
  if (n.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0 &&
      installed("Liberation Serif"))
    return QStringLiteral("Liberation Serif");
  if (n.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0 &&
      installed("Liberation Mono"))
    return QStringLiteral("Liberation Mono");
  if (families.contains(n, Qt::CaseInsensitive)) return n;
  return installed("Liberation Sans") ? QStringLiteral("Liberation Sans")
                                      : QStringLiteral("DejaVu Sans");
}

}  // namespace kv

namespace {

// MulDiv rounds half away from zero.
int MulDiv(int a, int b, int c) {
  const int64_t p = int64_t(a) * b;
  const int64_t q = (std::llabs(p) * 2 + c) / (2 * int64_t(c));
  return kv::SaturateToInt(p < 0 ? -q : q);
}

}  // namespace

void TFont::SetCharset(int v) {
  if (v == FCharset) return;
  FCharset = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v.Value == FColor.Value) return;
  FColor = v;
  Changed();
}

void TFont::SetHeight(int v) {
  // Heights beyond any screen are clamped so that text layout stays bounded.
  v = std::clamp(v, -4096, 4096);
  if (v == FHeight) return;
  FHeight = v;
  FQFont.reset();
  Changed();
}

void TFont::SetName(const QString& v) {
  if (v == FName) return;
  FName = v;
  FQFont.reset();
  Changed();
}

void TFont::SetPitch(TFontPitch v) {
  if (v == FPitch) return;
  FPitch = v;
  FQFont.reset();
  Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, 96); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(std::clamp(points, -3072, 3072), 96, 72)); }

void TFont::SetStyle(TFontStyles v) {
  if (v == FStyle) return;
  FStyle = v;
  FQFont.reset();
  Changed();
}

void TFont::SetOrientation(int tenthsOfDegree) {
  if (tenthsOfDegree == FOrientation) return;
  FOrientation = tenthsOfDegree;
  Changed();
}

void TFont::Assign(const TPersistent* source) {
  auto* f = dynamic_cast<const TFont*>(source);
  if (!f) {
    TPersistent::Assign(source);
    return;
  }
  if (f == this) return;
  const bool same = FCharset == f->FCharset && FColor.Value == f->FColor.Value &&
                    FHeight == f->FHeight && FName == f->FName && FPitch == f->FPitch &&
                    FStyle == f->FStyle && FOrientation == f->FOrientation;
  if (same) return;
  FCharset = f->FCharset;
  FColor = f->FColor;
  FHeight = f->FHeight;
  FName = f->FName;
  FPitch = f->FPitch;
  FStyle = f->FStyle;
  FOrientation = f->FOrientation;
  FQFont.reset();
  Changed();
}

const QFont& TFont::ToQFont() const {
  if (FQFont) return *FQFont;
  QFont f(kv::SubstituteFontFamily(FName));
  f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setKerning(false);
  f.setBold(FStyle.testFlag(TFontStyle::fsBold));
  f.setItalic(FStyle.testFlag(TFontStyle::fsItalic));
  f.setUnderline(FStyle.testFlag(TFontStyle::fsUnderline));
  f.setStrikeOut(FStyle.testFlag(TFontStyle::fsStrikeOut));
  if (FPitch == TFontPitch::fpFixed) f.setFixedPitch(true);
  int pixels = 11;
  if (FHeight < 0) {
    pixels = -FHeight;
  } else if (FHeight > 0) {
    // A positive height is the cell height (ascent + descent).
    QFont probe(f);
    probe.setPixelSize(100);
    const QFontMetricsF m(probe);
    const qreal cell = m.ascent() + m.descent();
    pixels = cell > 0 ? std::max(1, int(FHeight * 100 / cell + 0.5)) : FHeight;
  }
  f.setPixelSize(std::max(1, pixels));
  FQFont = f;
  return *FQFont;
}
