#include "KvLabel.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "KvLabelsInternal.h"
#include "KvSysUtils.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>
#include <memory>

using kv::ColorToString, kv::Rect;

// The address sanitizer's quarantine keeps freed memory resident.
#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif

using kvtest::IsInk;
using kvtest::PixelAt;

namespace {

#if defined(KV_ADDRESS_SANITIZER)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr int32_t kBackground = 0x00C8D0D4;  // what RenderControl puts around the label

// A label with settings every picture test shares: 140 x 60, not auto-sized, a caption
// in a font large enough to show the offsets.
std::unique_ptr<TKvLabel> MakeLabel() {
  auto label = std::make_unique<TKvLabel>(nullptr);
  label->SetBounds(0, 0, 140, 60);
  label->SetCaption(QStringLiteral("Kelvara"));
  label->Font()->SetHeight(-19);
  label->Font()->SetColor(clNavy);
  label->SetColor(clYellow);
  return label;
}

TPoint CaptionSize(const TKvLabel& label) {
  TCanvas canvas;
  canvas.SetFont(label.Font());
  return TextSize(&canvas, label.Caption());
}

TPoint OriginOf(const TKvLabel& label) {
  return kv::LabelTextOrigin(label.Angle(), CaptionSize(label),
                             TPoint(label.Width(), label.Height()), label.Alignment(),
                             label.Layout());
}

// Where the caption's top copy puts ink: the caption drawn once at the label's origin.
QImage InkOf(const TKvLabel& label) {
  TBitmap bitmap;
  bitmap.SetSize(label.Width(), label.Height());
  TCanvas* c = bitmap.Canvas();
  c->Brush()->SetColor(clBlack);
  c->FillRect(Rect(0, 0, label.Width(), label.Height()));
  c->SetFont(label.Font());
  c->Font()->SetColor(clWhite);
  SetFontAngle(c, label.Angle());
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  const TPoint origin = OriginOf(label);
  c->TextOut(origin.X, origin.Y, label.Caption());
  return bitmap.Image();
}

// One copy of the caption, drawn at the origin moved by (DX, DY).
struct Layer {
  int DX;
  int DY;
  int32_t Color;
};

// Each pixel shows the colour of the topmost copy that covers it, else the background.
void ExpectLayers(const QImage& shot, const QImage& ink, const std::vector<Layer>& topFirst,
                  int32_t background) {
  EXPECT_SAME_PIXELS(shot, kvtest::PictureOf(shot.width(), shot.height(), [&](int x, int y) {
                       for (const Layer& layer : topFirst)
                         if (IsInk(ink, x - layer.DX, y - layer.DY)) return layer.Color;
                       return background;
                     }));
}

int CountInk(const QImage& ink) { return kvtest::CountPixels(ink, clWhite); }

}  // namespace

// ---------------------------------------------------------------------------
// Text origin and auto size

TEST(KvLabelGeometry, OriginsAtZeroDegrees) {
  const TPoint text(50, 20), client(100, 40);
  using enum StdCtrls::TAlignment;
  using enum StdCtrls::TTextLayout;
  EXPECT_EQ(kv::LabelTextOrigin(0, text, client, taLeftJustify, tlTop), TPoint(2, 2));
  // Right-justified text ends 2 pixels before the right edge; bottom text 2 above the bottom.
  EXPECT_EQ(kv::LabelTextOrigin(0, text, client, taRightJustify, tlBottom),
            TPoint(100 - 50 - 2, 40 - 20 - 2));
  EXPECT_EQ(kv::LabelTextOrigin(0, text, client, taCenter, tlCenter), TPoint(25, 10));
  // A client narrower than the text: centred text falls back to the left inset.
  EXPECT_EQ(kv::LabelTextOrigin(0, text, TPoint(30, 40), taCenter, tlTop), TPoint(2, 2));
  EXPECT_EQ(kv::LabelTextOrigin(0, text, TPoint(30, 40), taRightJustify, tlTop), TPoint(2, 2));
}

TEST(KvLabelGeometry, OriginsAtQuarterTurns) {
  const TPoint text(50, 20), client(100, 80);
  using enum StdCtrls::TAlignment;
  using enum StdCtrls::TTextLayout;
  // 90: the text runs upwards from the origin, so the top layout starts it W lower.
  EXPECT_EQ(kv::LabelTextOrigin(90, text, client, taLeftJustify, tlTop), TPoint(2, 2 + 50));
  EXPECT_EQ(kv::LabelTextOrigin(90, text, client, taRightJustify, tlBottom),
            TPoint(100 - 20 - 2, 80 - 2));
  EXPECT_EQ(kv::LabelTextOrigin(90, text, client, taCenter, tlCenter), TPoint(50 - 10, 40 + 25));
  // 180: upside down, the text ends at the left inset and its cell lies above the origin.
  EXPECT_EQ(kv::LabelTextOrigin(180, text, client, taLeftJustify, tlTop), TPoint(2 + 50, 2 + 20));
  EXPECT_EQ(kv::LabelTextOrigin(180, text, client, taRightJustify, tlBottom),
            TPoint(100 - 2, 80 - 2));
  EXPECT_EQ(kv::LabelTextOrigin(180, text, client, taCenter, tlCenter), TPoint(75, 50));
  // 270: the text runs downwards and its cell hangs to the left of the origin.
  EXPECT_EQ(kv::LabelTextOrigin(270, text, client, taLeftJustify, tlTop), TPoint(2 + 20, 2));
  EXPECT_EQ(kv::LabelTextOrigin(270, text, client, taRightJustify, tlBottom),
            TPoint(100 - 2, 80 - 50 - 2));
}

TEST(KvLabelGeometry, OriginAtFortyFiveDegreesKeepsTheTurnedBoxInside) {
  const TPoint text(100, 20), client(200, 200);
  using enum StdCtrls::TAlignment;
  using enum StdCtrls::TTextLayout;
  // |sin 45| * 100 = 70.71, truncated; |cos 45| * 20 = 14.14 is not added below 90 degrees.
  EXPECT_EQ(kv::LabelTextOrigin(45, text, client, taLeftJustify, tlTop), TPoint(2, 2 + 70));
  // Centre: 100 - 0.7071 * 50 - 0.7071 * 10 = 57.57; 100 - 0.7071 * 10 + 0.7071 * 50 = 128.28.
  EXPECT_EQ(kv::LabelTextOrigin(45, text, client, taCenter, tlCenter), TPoint(57, 128));
}

TEST(KvLabelGeometry, TurnedExtent) {
  EXPECT_EQ(kv::TurnedTextExtent(0, TPoint(50, 20)), TPoint(50, 20));
  EXPECT_EQ(kv::TurnedTextExtent(90, TPoint(50, 20)), TPoint(20, 50));
  EXPECT_EQ(kv::TurnedTextExtent(180, TPoint(50, 20)), TPoint(50, 20));
  EXPECT_EQ(kv::TurnedTextExtent(270, TPoint(50, 20)), TPoint(20, 50));
  EXPECT_EQ(kv::TurnedTextExtent(45, TPoint(50, 20)), TPoint(49, 49));  // 0.7071 * 70 = 49.5
}

TEST(KvLabel, AutoSizeIsTheTurnedBoxPlusFour) {
  auto label = MakeLabel();
  label->SetAutoSize(true);
  const TPoint text = CaptionSize(*label);
  EXPECT_EQ(label->Width(), text.X + 4);
  EXPECT_EQ(label->Height(), text.Y + 4);
  label->SetAngle(90);
  EXPECT_EQ(label->Width(), text.Y + 4);
  EXPECT_EQ(label->Height(), text.X + 4);
  label->SetAngle(270);
  EXPECT_EQ(label->Width(), text.Y + 4);
  label->SetAngle(45);
  const TPoint turned = kv::TurnedTextExtent(45, text);
  EXPECT_EQ(label->Width(), turned.X + 4);
  EXPECT_EQ(label->Height(), turned.Y + 4);
}

TEST(KvLabel, AutoSizeFollowsCaptionAndFontAndLeavesTheAlignedSide) {
  auto label = MakeLabel();
  label->SetAutoSize(true);
  int fontChanges = 0;
  QObject::connect(label.get(), &TKvGraphicControl::OnFontChanged,
                   [&](TObject*) { ++fontChanges; });
  const int width = label->Width();
  label->SetCaption(QStringLiteral("Kelvara Kelvara"));
  EXPECT_GT(label->Width(), width);
  label->Font()->SetHeight(-30);
  EXPECT_EQ(label->Height(), CaptionSize(*label).Y + 4);
  EXPECT_EQ(fontChanges, 1);  // the inherited notification still runs

  label->SetAlign(TAlign::alTop);  // the width belongs to the parent now
  label->SetBounds(0, 0, 300, 10);
  EXPECT_EQ(label->Width(), 300);
  EXPECT_EQ(label->Height(), CaptionSize(*label).Y + 4);
}

TEST(KvLabel, SettersRefuseValuesOutsideTheirTypes) {
  auto label = MakeLabel();
  label->SetAngle(90);
  label->SetAngle(360);
  label->SetAngle(-1);
  EXPECT_EQ(label->Angle(), 90);
  label->SetStyle(TKvLabelStyle::lsShadow);
  label->SetStyle(TKvLabelStyle(9));
  EXPECT_EQ(label->Style(), TKvLabelStyle::lsShadow);
  label->SetAlignment(TAlignment(-1));
  EXPECT_EQ(label->Alignment(), TAlignment::taCenter);
  label->SetLayout(TTextLayout(3));
  EXPECT_EQ(label->Layout(), TTextLayout::tlCenter);
}

TEST(KvLabel, InitialValues) {
  TKvLabel label(nullptr);
  EXPECT_EQ(label.BoundsRect(), Rect(0, 0, 100, 25));
  EXPECT_EQ(label.Color(), clBtnFace);
  EXPECT_EQ(label.Font()->Name(), QStringLiteral("Arial"));
  EXPECT_EQ(label.Font()->Size(), 14);
  EXPECT_EQ(label.ColorHighlight(), TColor(16777215));
  EXPECT_EQ(label.ColorShadow(), TColor(8421504));
  EXPECT_EQ(label.Style(), TKvLabelStyle::lsRaised);
  EXPECT_EQ(label.Layout(), TTextLayout::tlCenter);
  EXPECT_EQ(label.ShadowDepth(), 2);
  EXPECT_TRUE(label.Bitmap()->Empty());
  EXPECT_FALSE(label.AutoSize());
  EXPECT_FALSE(label.Transparent());
  EXPECT_TRUE(label.ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  label.SetName(QStringLiteral("KvLabel1"));
  EXPECT_EQ(label.Caption(), QStringLiteral("KvLabel1"));  // it sets its caption from its name
}

// ---------------------------------------------------------------------------
// Pictures by their layers

TEST(KvLabelPaint, NoneIsOneCopyInTheFontColour) {
  auto label = MakeLabel();
  label->SetStyle(TKvLabelStyle::lsNone);
  label->SetAlignment(TAlignment::taLeftJustify);
  label->SetLayout(TTextLayout::tlTop);
  const QImage ink = InkOf(*label);
  ASSERT_GT(CountInk(ink), 50);
  ExpectLayers(kvtest::RenderControl(label.get(), kBackground), ink, {{0, 0, clNavy}}, clYellow);
}

TEST(KvLabelPaint, RaisedAndLoweredOffsetByOnePixelWhateverTheShadowDepth) {
  auto label = MakeLabel();
  label->SetShadowDepth(5);
  label->SetColorHighlight(clWhite);
  label->SetColorShadow(clMaroon);
  const QImage ink = InkOf(*label);
  ExpectLayers(kvtest::RenderControl(label.get(), kBackground), ink,
               {{0, 0, clNavy}, {-1, -1, clWhite}, {1, 1, clMaroon}}, clYellow);
  label->SetStyle(TKvLabelStyle::lsLowered);
  ExpectLayers(kvtest::RenderControl(label.get(), kBackground), ink,
               {{0, 0, clNavy}, {-1, -1, clMaroon}, {1, 1, clWhite}}, clYellow);
}

TEST(KvLabelPaint, ShadowIsOffsetByTheShadowDepthBothWays) {
  auto label = MakeLabel();
  label->SetStyle(TKvLabelStyle::lsShadow);
  label->SetColorShadow(clMaroon);
  const QImage ink = InkOf(*label);
  ExpectLayers(kvtest::RenderControl(label.get(), kBackground), ink,
               {{0, 0, clNavy}, {2, 2, clMaroon}}, clYellow);
  label->SetShadowDepth(-3);
  ExpectLayers(kvtest::RenderControl(label.get(), kBackground), ink,
               {{0, 0, clNavy}, {-3, -3, clMaroon}}, clYellow);
}

TEST(KvLabelPaint, TurnedTextKeepsItsLayers) {
  auto label = MakeLabel();
  label->SetBounds(0, 0, 120, 120);
  label->SetColorShadow(clMaroon);
  for (int angle : {45, 90, 180, 270, 300}) {
    label->SetAngle(angle);
    const QImage ink = InkOf(*label);
    ASSERT_GT(CountInk(ink), 50) << angle;
    SCOPED_TRACE(angle);
    ExpectLayers(kvtest::RenderControl(label.get(), kBackground), ink,
                 {{0, 0, clNavy}, {-1, -1, clWhite}, {1, 1, clMaroon}}, clYellow);
  }
}

TEST(KvLabelPaint, TextureFillsTheGlyphsStretchedOverTheClient) {
  auto label = MakeLabel();
  label->SetStyle(TKvLabelStyle::lsNone);
  TBitmap texture;
  texture.SetSize(2, 1);
  texture.Canvas()->SetPixels(0, 0, clRed);
  texture.Canvas()->SetPixels(1, 0, clBlue);
  label->SetBitmap(&texture);
  const QImage ink = InkOf(*label);
  const QImage shot = kvtest::RenderControl(label.get(), kBackground);
  const int middle = label->Width() / 2;
  int red = 0, blue = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      if (!IsInk(ink, x, y)) {
        ASSERT_EQ(PixelAt(shot, x, y), clYellow.Value) << x << ", " << y;
      } else if (x < middle - 1) {
        ASSERT_EQ(PixelAt(shot, x, y), clRed.Value) << x << ", " << y;
        ++red;
      } else if (x > middle) {
        ASSERT_EQ(PixelAt(shot, x, y), clBlue.Value) << x << ", " << y;
        ++blue;
      }
    }
  EXPECT_GT(red, 20);
  EXPECT_GT(blue, 20);

  // An empty bitmap turns the texture off again.
  TBitmap empty;
  label->SetBitmap(&empty);
  ExpectLayers(kvtest::RenderControl(label.get(), kBackground), ink, {{0, 0, clNavy}}, clYellow);
}

TEST(KvLabelPaint, TransparentShowsTheParentAroundTheText) {
  auto label = MakeLabel();
  label->SetStyle(TKvLabelStyle::lsNone);
  label->SetTransparent(true);
  EXPECT_FALSE(label->ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  const QImage ink = InkOf(*label);
  ExpectLayers(kvtest::RenderControl(label.get(), clLime.Value), ink, {{0, 0, clNavy}}, clLime);
}

TEST(KvLabelPaint, ManyTurnedTexturedPaintsDoNotGrowMemory) {
  TForm form(nullptr);
  auto* label = new TKvLabel(&form);
  label->SetParent(&form);
  label->SetBounds(0, 0, 60, 60);
  label->SetCaption(QStringLiteral("Kv"));
  label->SetAngle(45);
  TBitmap texture;
  texture.SetSize(4, 4);
  label->SetBitmap(&texture);
  kvtest::ShowForm(&form, 60, 60);
  const auto residentPages = [] {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return int64_t(0);
    return static_cast<int64_t>(statm.readAll().split(' ').value(1).toLongLong());
  };
  for (int i = 0; i < 500; ++i) label->Repaint();
  const int64_t before = residentPages();
  // Under the sanitizer its leak check at exit finds a lost object after a few paints.
  const int paints = kAddressSanitizer ? 500 : 10000;
  for (int i = 0; i < paints; ++i) label->Repaint();
  const int64_t grown = residentPages() - before;
  // A leaked font or image per paint would add several megabytes here.
  if (!kAddressSanitizer) {
    EXPECT_LT(grown * 4096, 2 << 20) << grown << " pages";
  }
}

// ---------------------------------------------------------------------------
// Reference pictures

namespace {

void ExpectPicture(TKvLabel* label, const char* name) {
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(label, kBackground, 2),
                           QStringLiteral("lib/label-") + name);
}

}  // namespace

TEST(KvLabelPictures, InitialSettings) {
  TKvLabel label(nullptr);
  label.SetName(QStringLiteral("KvLabel1"));
  ExpectPicture(&label, "initial");
}

TEST(KvLabelPictures, EachStyle) {
  const std::pair<TKvLabelStyle, const char*> styles[] = {{TKvLabelStyle::lsNone, "none"},
                                                          {TKvLabelStyle::lsRaised, "raised"},
                                                          {TKvLabelStyle::lsLowered, "lowered"},
                                                          {TKvLabelStyle::lsShadow, "shadow"}};
  for (const auto& [style, name] : styles) {
    TKvLabel label(nullptr);
    label.SetCaption(QStringLiteral("Kelvara"));
    label.SetStyle(style);
    label.SetColorShadow(clNavy);
    label.Font()->SetColor(clTeal);
    label.SetAutoSize(true);
    ExpectPicture(&label, name);
  }
}

TEST(KvLabelPictures, Angles) {
  for (int angle : {0, 45, 90, 180, 270}) {
    TKvLabel label(nullptr);
    label.SetCaption(QStringLiteral("Kelvara"));
    label.SetAngle(angle);
    label.SetAutoSize(true);
    ExpectPicture(&label, qPrintable(QStringLiteral("angle-%1").arg(angle)));
  }
}

TEST(KvLabelPictures, Textured) {
  TKvLabel label(nullptr);
  label.SetBounds(0, 0, 160, 40);
  label.SetCaption(QStringLiteral("Kelvara"));
  label.Font()->SetHeight(-32);
  label.Font()->SetStyle(TFontStyle::fsBold);
  label.SetStyle(TKvLabelStyle::lsShadow);
  TBitmap texture;
  texture.SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      texture.Canvas()->SetPixels(x, y, (x + y) % 4 < 2 ? clRed : clYellow);
  label.SetBitmap(&texture);
  ExpectPicture(&label, "textured");
}

// ---------------------------------------------------------------------------
// Form descriptions

namespace {

std::unique_ptr<TForm> ReadBack(const QByteArray& text) {
  auto form = std::make_unique<TForm>(nullptr);
  kv::ReadComponent(form.get(), text, QStringLiteral("label.kvf"));
  return form;
}

}  // namespace

TEST(KvLabelStreaming, AutoSizeAppliesToTheCaptionAndFontReadAfterIt) {
  TForm form(nullptr);
  auto* label = new TKvLabel(&form);
  label->SetName(QStringLiteral("Heading"));
  label->SetParent(&form);
  label->SetCaption(QStringLiteral("A longer heading"));
  label->Font()->SetHeight(-25);
  label->SetAngle(90);
  label->SetAutoSize(true);
  const TRect bounds = label->BoundsRect();
  const QByteArray text = kv::WriteComponent(&form);
  // The writer puts AutoSize before Caption and Font.
  ASSERT_LT(text.indexOf("AutoSize"), text.indexOf("Caption"));
  const auto back = ReadBack(text);
  auto* read = dynamic_cast<TKvLabel*>(back->FindComponent(QStringLiteral("Heading")));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->BoundsRect(), bounds);
  EXPECT_EQ(read->Angle(), 90);
}

TEST(KvLabelStreaming, EveryColourSurvivesARoundTrip) {
  for (TColor color : {clWindow, clBtnFace, clRed}) {
    TForm form(nullptr);
    auto* label = new TKvLabel(&form);
    label->SetName(QStringLiteral("L"));
    label->SetParent(&form);
    label->SetColor(color);
    label->SetParentColor(false);
    const auto back = ReadBack(kv::WriteComponent(&form));
    auto* read = dynamic_cast<TKvLabel*>(back->FindComponent(QStringLiteral("L")));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Color(), color) << ColorToString(color).toStdString();
  }
}

TEST(KvLabelStreaming, AFreshLabelStoresOnlyWhatDiffersFromItsDefaults) {
  TForm form(nullptr);
  auto* label = new TKvLabel(&form);
  label->SetName(QStringLiteral("L"));
  label->SetParent(&form);
  const QByteArray fresh = kv::WriteComponent(&form);
  for (const char* name :
       {"Alignment", "ColorHighlight", "ColorShadow", "Style", "Layout", "ShadowDepth", "Angle",
        "Transparent", "AutoSize", "Align ", " Color =", "Bitmap"})
    EXPECT_EQ(fresh.indexOf(name), -1) << name << " in\n" << fresh.constData();
  label->SetColorShadow(clWhite);
  label->SetAngle(270);
  label->SetStyle(TKvLabelStyle::lsShadow);
  TBitmap texture;
  texture.SetSize(2, 1);
  texture.Canvas()->SetPixels(1, 0, clRed);
  label->SetBitmap(&texture);
  const auto back = ReadBack(kv::WriteComponent(&form));
  auto* read = dynamic_cast<TKvLabel*>(back->FindComponent(QStringLiteral("L")));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->ColorShadow(), clWhite);
  EXPECT_EQ(read->Angle(), 270);
  EXPECT_EQ(read->Style(), TKvLabelStyle::lsShadow);
  EXPECT_EQ(read->ColorHighlight(), TColor(16777215));
  ASSERT_EQ(read->Bitmap()->Width(), 2);
  EXPECT_EQ(read->Bitmap()->Canvas()->Pixels(1, 0), clRed);
}
