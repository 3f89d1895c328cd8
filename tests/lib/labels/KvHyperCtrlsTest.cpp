#include "KvHyperCtrls.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "KvLabelsInternal.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QUrl>

#include <climits>
#include <set>
#include <utility>
#include <vector>

using kv::DT_CENTER, kv::DT_EXPANDTABS, kv::DT_RIGHT, kv::DT_WORDBREAK, kv::DrawText,
    kv::OffsetRect, kv::Rect, kv::crCross, kv::crDefault;

using kvtest::CountPixels;
using kvtest::IsInk;
using kvtest::PixelAt;

namespace {

// A shown form with one hyperlink (or web label) of the demo's size at (10, 10).
template <class T>
struct Scene {
  kvtest::PointerAway away;
  TForm form{nullptr};
  T* link;
  explicit Scene(TColor formColor = TColor(7292981)) {
    form.SetColor(formColor);
    link = new T(&form);
    link->SetParent(&form);
    link->SetBounds(10, 10, 186, 25);
    link->SetCaption(QStringLiteral("Visit Brontel"));
    kvtest::ShowForm(&form, 206, 45);
  }
  void Hover() { QTest::mouseMove(link, QPoint(20, 12)); }
  void Unhover() { QTest::mouseMove(&form, QPoint(3, 3)); }
  QImage Picture() { return kvtest::Grab(&form).copy(10, 10, 186, 25); }
};

// Where DrawText puts ink for the caption in R with the hyperlink's flags.
QImage InkIn(const TFont* font, const QString& text, TRect r, int width, int height,
             unsigned alignment) {
  TBitmap bitmap;
  bitmap.SetSize(width, height);
  TCanvas* c = bitmap.Canvas();
  c->Brush()->SetColor(clBlack);
  c->FillRect(Rect(0, 0, width, height));
  c->SetFont(font);
  c->Font()->SetColor(clWhite);
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  DrawText(c, text, r, alignment | DT_EXPANDTABS | DT_WORDBREAK);
  return bitmap.Image();
}

// The hyperlink's picture for an ink mask: green text on black.
QImage TextOnBlack(const QImage& ink) {
  return kvtest::PictureOf(ink.width(), ink.height(),
                           [&](int x, int y) { return IsInk(ink, x, y) ? clGreen : clBlack; });
}

int InkRows(const QImage& shot, int32_t background, int fromRow) {
  int rows = 0;
  for (int y = fromRow; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (PixelAt(shot, x, y) != background) {
        ++rows;
        break;
      }
  return rows;
}

// Replaces the system's URL opener for one test, recording every call.
struct RecordingOpener {
  std::vector<QString> Calls;
  bool Succeeds = true;
  RecordingOpener() {
    kv::SetUrlOpenerForTesting([this](const QString& url) {
      Calls.push_back(url);
      return Succeeds;
    });
  }
  ~RecordingOpener() { kv::SetUrlOpenerForTesting(nullptr); }
  RecordingOpener(const RecordingOpener&) = delete;
  RecordingOpener& operator=(const RecordingOpener&) = delete;
};

}  // namespace

// ---------------------------------------------------------------------------
// The outline

TEST(KvHyperLinkOutline, WidthTwoVisitsSixteenOffsets) {
  std::vector<std::pair<int, int>> offsets;
  kv::ForEachOutlineOffset(2, [&](int dx, int dy) { offsets.emplace_back(dx, dy); });
  ASSERT_EQ(offsets.size(), 16u);
  EXPECT_EQ((std::vector<std::pair<int, int>>(offsets.begin(), offsets.begin() + 5)),
            (std::vector<std::pair<int, int>>{{1, 1}, {1, -1}, {-1, 1}, {-1, -1}, {1, 2}}));
  const std::set<std::pair<int, int>> distinct(offsets.begin(), offsets.end());
  EXPECT_EQ(distinct.size(), 16u);
  for (const auto& [dx, dy] : distinct) {
    EXPECT_TRUE(std::abs(dx) == 1 || std::abs(dx) == 2);
    EXPECT_TRUE(std::abs(dy) == 1 || std::abs(dy) == 2);
  }
  int none = 0;
  kv::ForEachOutlineOffset(0, [&](int, int) { ++none; });
  kv::ForEachOutlineOffset(-5, [&](int, int) { ++none; });
  EXPECT_EQ(none, 0);
}

TEST(KvHyperLinkOutline, HaloSurroundsTheLettersInsideTheShrunkRectangle) {
  kvtest::PointerAway away;
  TKvHyperLink link(nullptr);
  link.SetCaption(QStringLiteral("Kv link"));
  link.TextOutline()->SetWidth(2);
  link.TextOutline()->SetColor(clRed);
  const QImage shot = kvtest::RenderControl(&link, clWhite.Value);
  const QImage ink =
      InkIn(link.FontLeave(), link.Caption(), Rect(2, 2, 133, 23), 135, 25, DT_CENTER);
  const QImage expected = kvtest::PictureOf(135, 25, [&](int x, int y) {
    bool near = false;
    kv::ForEachOutlineOffset(2, [&](int dx, int dy) { near = near || IsInk(ink, x - dx, y - dy); });
    return IsInk(ink, x, y) ? clGreen : near ? clRed : clBlack;
  });
  EXPECT_SAME_PIXELS(shot, expected);
  EXPECT_GT(CountPixels(expected, clRed), 100);
}

TEST(KvHyperLinkOutline, AWideHaloHasThePixelsOfItsCopies) {
  TFont font;
  font.SetName(QStringLiteral("Arial"));
  font.SetHeight(-16);
  font.SetStyle(TFontStyle::fsBold | TFontStyle::fsUnderline);
  font.SetColor(clLime);
  const QString text = QStringLiteral("Visit\tBrontel, the maker of Kelvara");
  const auto picture = [&](const TRect& r, bool wrap, TAlignment alignment, int width,
                           bool literal) {
    TBitmap bitmap;
    bitmap.SetSize(140, 70);
    TCanvas* c = bitmap.Canvas();
    c->Brush()->SetColor(clBlack);
    c->FillRect(Rect(0, 0, 140, 70));
    c->SetFont(&font);
    if (!literal) {
      kv::DrawOutlinedText(c, r, text, wrap, alignment, clRed, width);
      return bitmap.Image();
    }
    const unsigned flags = DT_EXPANDTABS | (wrap ? DT_WORDBREAK : 0u) |
                           (alignment == TAlignment::taCenter         ? DT_CENTER
                            : alignment == TAlignment::taRightJustify ? DT_RIGHT
                                                                      : 0u);
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->Font()->SetColor(clRed);
    kv::ForEachOutlineOffset(width, [&](int dx, int dy) {
      TRect moved = r;
      OffsetRect(moved, dx, dy);
      DrawText(c, text, moved, flags);
    });
    c->Font()->SetColor(clLime);
    TRect unmoved = r;
    DrawText(c, text, unmoved, flags);
    return bitmap.Image();
  };
  using enum StdCtrls::TAlignment;
  for (int width : {2, 3, 7, 12})
    for (const TRect& r : {Rect(6, 6, 134, 64), Rect(-9, 20, 150, 75)})
      for (bool wrap : {true, false})
        for (TAlignment alignment : {taLeftJustify, taCenter, taRightJustify}) {
          const QImage expected = picture(r, wrap, alignment, width, true);
          ASSERT_EQ(picture(r, wrap, alignment, width, false), expected)
              << width << " " << r.Left << " " << wrap << " " << int(alignment);
        }
}

TEST(KvHyperLinkOutline, AHaloWiderThanHalfTheControlShowsNothing) {
  kvtest::PointerAway away;
  TKvHyperLink link(nullptr);
  link.SetCaption(QStringLiteral("Visit Brontel"));
  for (int width : {13, 100000, INT_MAX}) {
    link.TextOutline()->SetWidth(width);
    EXPECT_SAME_PIXELS(kvtest::RenderControl(&link, clWhite.Value),
                       kvtest::PictureOf(135, 25, [](int, int) { return clBlack; }))
        << width;
  }
  // Below half the smaller side the halo shows, however wide.
  link.SetBounds(0, 0, 135, 60);
  link.TextOutline()->SetWidth(20);
  const QImage wide = kvtest::RenderControl(&link, clWhite.Value);
  EXPECT_GT(CountPixels(wide, clNavy), 100);
  EXPECT_GT(CountPixels(wide, clGreen), 20);
}

TEST(KvHyperLinkOutline, NegativeOrHiddenOutlineDrawsOnlyTheText) {
  kvtest::PointerAway away;
  TKvHyperLink link(nullptr);
  link.SetCaption(QStringLiteral("Kv link"));
  link.TextOutline()->SetVisible(false);
  link.TextOutline()->SetWidth(3);
  const QImage hidden = kvtest::RenderControl(&link, clWhite.Value);
  const QImage ink =
      InkIn(link.FontLeave(), link.Caption(), Rect(0, 0, 135, 25), 135, 25, DT_CENTER);
  EXPECT_SAME_PIXELS(hidden, TextOnBlack(ink));
  // A negative width grows the text's rectangle and draws no halo.
  link.TextOutline()->SetVisible(true);
  link.TextOutline()->SetWidth(-1);
  const QImage grown = kvtest::RenderControl(&link, clWhite.Value);
  const QImage grownInk =
      InkIn(link.FontLeave(), link.Caption(), Rect(-1, -1, 136, 26), 135, 25, DT_CENTER);
  EXPECT_SAME_PIXELS(grown, TextOnBlack(grownInk));
  link.TextOutline()->SetWidth(INT_MIN);  // the text lies far above the control
  EXPECT_EQ(InkRows(kvtest::RenderControl(&link, clWhite.Value), clBlack.Value, 0), 0);
}

// ---------------------------------------------------------------------------
// Hover, word wrap, disabled look

TEST(KvHyperLink, HoverSwitchesFontAndBackgroundBeforeTheEvents) {
  Scene<TKvHyperLink> s;
  std::vector<int32_t> seen;  // the background at each event
  QObject::connect(s.link, &TKvGraphicControl::OnMouseEnter, [&](TObject* sender) {
    EXPECT_EQ(sender, s.link);
    seen.push_back(PixelAt(s.Picture(), 0, 0));
  });
  QObject::connect(s.link, &TKvGraphicControl::OnMouseLeave,
                   [&](TObject*) { seen.push_back(PixelAt(s.Picture(), 0, 0)); });
  EXPECT_EQ(PixelAt(s.Picture(), 0, 0), clBlack.Value);
  s.Hover();
  EXPECT_EQ(PixelAt(s.Picture(), 0, 0), clBlue.Value);
  s.Unhover();
  EXPECT_EQ(PixelAt(s.Picture(), 0, 0), clBlack.Value);
  EXPECT_EQ(seen, (std::vector<int32_t>{clBlue.Value, clBlack.Value}));
}

TEST(KvHyperLink, ChangesOfFontsColoursAndCaptionRepaint) {
  Scene<TKvHyperLink> s;
  s.link->TextOutline()->SetVisible(false);
  const auto countOf = [&](int32_t color) { return CountPixels(s.Picture(), color); };
  const int green = countOf(clGreen.Value);
  EXPECT_GT(green, 50);
  s.link->FontLeave()->SetColor(clYellow);
  EXPECT_EQ(countOf(clYellow.Value), green);
  s.link->SetCaption(QString());
  EXPECT_EQ(countOf(clYellow.Value), 0);
  s.link->SetColorLeave(clMaroon);
  EXPECT_EQ(countOf(clMaroon.Value), 186 * 25);
}

TEST(KvHyperLink, DisabledKeepsTheLeaveLookUnderThePointer) {
  Scene<TKvHyperLink> s;
  const QImage leave = s.Picture();
  s.link->SetEnabled(false);
  s.Hover();
  EXPECT_EQ(s.Picture(), leave);
  s.link->SetEnabled(true);
  s.link->UpdateControl();
  EXPECT_EQ(PixelAt(s.Picture(), 0, 0), clBlue.Value);
}

TEST(KvHyperLink, WordWrapBreaksLinesAndNoWrapClipsAtTheEdges) {
  kvtest::PointerAway away;
  TKvHyperLink link(nullptr);
  link.SetBounds(0, 0, 135, 60);
  link.TextOutline()->SetVisible(false);
  link.SetCaption(QStringLiteral("one two three four five six"));
  const int line = [&] {
    TCanvas c;
    c.SetFont(link.FontLeave());
    return c.TextHeight(QStringLiteral("x"));
  }();
  EXPECT_GT(InkRows(kvtest::RenderControl(&link, clWhite.Value), clBlack.Value, line), 5);
  link.SetWordWrap(false);
  const QImage one = kvtest::RenderControl(&link, clWhite.Value);
  EXPECT_EQ(InkRows(one, clBlack.Value, line), 0);
  // The one line is wider than the control: centred, it is cut off on both sides.
  const auto inkInColumns = [&](int from, int to) {
    for (int x = from; x < to; ++x)
      for (int y = 0; y < line; ++y)
        if (PixelAt(one, x, y) != clBlack.Value) return true;
    return false;
  };
  EXPECT_TRUE(inkInColumns(0, 6));
  EXPECT_TRUE(inkInColumns(129, 135));
}

TEST(KvHyperLink, InitialValuesAndRefusedAlignment) {
  TKvHyperLink link(nullptr);
  EXPECT_EQ(link.BoundsRect(), Rect(0, 0, 135, 25));
  EXPECT_EQ(link.FontEnter()->Name(), QStringLiteral("Arial"));
  EXPECT_EQ(link.FontEnter()->Size(), 12);
  EXPECT_EQ(link.FontEnter()->Color(), clLime);
  EXPECT_EQ(link.FontLeave()->Color(), clGreen);
  EXPECT_EQ(link.FontLeave()->Style(), TFontStyle::fsBold | TFontStyle::fsUnderline);
  EXPECT_EQ(link.ColorEnter(), clBlue);
  EXPECT_EQ(link.ColorLeave(), clBlack);
  EXPECT_EQ(link.TextOutline()->Color(), clNavy);
  EXPECT_EQ(link.TextOutline()->Width(), 1);
  EXPECT_TRUE(link.WordWrap());
  EXPECT_FALSE(link.Transparent());
  EXPECT_TRUE(link.ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  EXPECT_FALSE(link.ControlStyle().testFlag(TControlStyleFlag::csDoubleClicks));
  link.SetAlignment(TAlignment(7));
  EXPECT_EQ(link.Alignment(), TAlignment::taCenter);
}

// ---------------------------------------------------------------------------
// The web label

TEST(KvWebLabel, LeftReleaseOverItOpensTheUrlOnceAsItIs) {
  RecordingOpener opener;
  Scene<TKvWebLabel> s;
  const QString url = QStringLiteral("http://x/\"&calc&\"");
  s.link->SetURL(url);
  int errors = 0, mouseUps = 0;
  QObject::connect(s.link, &TKvWebLabel::OnError, [&](TObject*) { ++errors; });
  QObject::connect(s.link, &TControl::OnMouseUp,
                   [&](TObject*, TMouseButton, TShiftState, int, int) { ++mouseUps; });
  s.Hover();
  QTest::mouseClick(s.link, Qt::RightButton, {}, QPoint(20, 12));
  EXPECT_TRUE(opener.Calls.empty());
  QTest::mouseClick(s.link, Qt::LeftButton, {}, QPoint(20, 12));
  EXPECT_EQ(opener.Calls, std::vector<QString>{url});
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(mouseUps, 2);
}

TEST(KvWebLabel, AReleaseAfterThePointerLeftOpensNothing) {
  RecordingOpener opener;
  Scene<TKvWebLabel> s;
  s.Hover();
  QTest::mousePress(s.link, Qt::LeftButton, {}, QPoint(20, 12));
  QTest::mouseMove(s.link, QPoint(190, 12));
  QTest::mouseRelease(s.link, Qt::LeftButton, {}, QPoint(190, 12));
  EXPECT_TRUE(opener.Calls.empty());
}

TEST(KvWebLabel, FailureFiresOnErrorOnce) {
  RecordingOpener opener;
  opener.Succeeds = false;
  Scene<TKvWebLabel> s;
  std::vector<TObject*> senders;
  QObject::connect(s.link, &TKvWebLabel::OnError,
                   [&](TObject* sender) { senders.push_back(sender); });
  s.Hover();
  QTest::mouseClick(s.link, Qt::LeftButton, {}, QPoint(20, 12));
  EXPECT_EQ(senders, std::vector<TObject*>{s.link});
  EXPECT_EQ(opener.Calls.size(), 1u);
}

TEST(KvWebLabel, HandCursorAndAReservedPlaceholderAddress) {
  TKvWebLabel label(nullptr);
  EXPECT_EQ(label.Cursor(), 99);
  EXPECT_TRUE(QUrl(label.URL()).host().endsWith(QStringLiteral(".example")));
}

TEST(KvWebLabel, EveryCursorSurvivesARoundTrip) {
  for (TCursor cursor : {crDefault, TCursor(99), crCross}) {
    TForm form(nullptr);
    auto* label = new TKvWebLabel(&form);
    label->SetName(QStringLiteral("Web"));
    label->SetParent(&form);
    label->SetCursor(cursor);
    TForm back(nullptr);
    kv::ReadComponent(&back, kv::WriteComponent(&form), QStringLiteral("web.kvf"));
    auto* read = dynamic_cast<TKvWebLabel*>(back.FindComponent(QStringLiteral("Web")));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Cursor(), cursor);
  }
}

TEST(KvWebLabel, AFreshOneStoresOnlyWhatDiffersFromItsDefaults) {
  TForm form(nullptr);
  auto* label = new TKvWebLabel(&form);
  label->SetName(QStringLiteral("Web"));
  label->SetParent(&form);
  const QByteArray fresh = kv::WriteComponent(&form);
  for (const char* name : {"ColorEnter", "ColorLeave", "Alignment", "WordWrap", "Transparent",
                           "Enabled", "URL", "Cursor", "TextOutline"})
    EXPECT_EQ(fresh.indexOf(name), -1) << name << " in\n" << fresh.constData();
  label->SetURL(QStringLiteral("https://kv.example/a b"));
  label->SetColorLeave(clMaroon);
  label->SetWordWrap(false);
  TForm back(nullptr);
  kv::ReadComponent(&back, kv::WriteComponent(&form), QStringLiteral("web.kvf"));
  auto* read = dynamic_cast<TKvWebLabel*>(back.FindComponent(QStringLiteral("Web")));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->URL(), QStringLiteral("https://kv.example/a b"));
  EXPECT_EQ(read->ColorLeave(), clMaroon);
  EXPECT_FALSE(read->WordWrap());
  EXPECT_EQ(read->ColorEnter(), clBlue);
}

// ---------------------------------------------------------------------------
// Reference pictures

TEST(KvHyperLinkPictures, InitialSettings) {
  kvtest::PointerAway away;
  TKvHyperLink link(nullptr);
  link.SetName(QStringLiteral("KvHyperLink1"));
  EXPECT_EQ(link.Caption(), QStringLiteral("KvHyperLink1"));
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&link, clWhite.Value, 2),
                           QStringLiteral("lib/hyperlink-initial"));
}

TEST(KvHyperLinkPictures, DemoWebLabelNotHoveredHoveredAndDisabled) {
  Scene<TKvWebLabel> s;
  s.link->SetTransparent(true);
  s.link->FontEnter()->SetHeight(-16);
  s.link->FontLeave()->SetHeight(-16);
  s.Unhover();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&s.form), QStringLiteral("lib/hyperlink-leave"));
  s.Hover();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&s.form), QStringLiteral("lib/hyperlink-enter"));
  s.link->SetEnabled(false);
  s.link->UpdateControl();
  const QImage disabled = kvtest::Grab(&s.form);
  EXPECT_MATCHES_REFERENCE(disabled, QStringLiteral("lib/hyperlink-disabled"));
  s.Unhover();
  EXPECT_EQ(kvtest::Grab(&s.form), disabled);
}

TEST(KvHyperLinkPictures, OpaqueHoveredWithAWideOutline) {
  Scene<TKvHyperLink> s;
  s.link->TextOutline()->SetWidth(2);
  s.link->TextOutline()->SetColor(clRed);
  s.Hover();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&s.form), QStringLiteral("lib/hyperlink-outline-enter"));
}
