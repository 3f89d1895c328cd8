#include "KvMatrix.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "KvLedsInternal.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>

#include <climits>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

void ApplyDemoSettings(TKvMatrix& m) { kvdemo::ApplyDemoSettings(m, "frmLeds", "KvMatrix"); }

class TestMatrix : public TKvMatrix {
public:
  using TKvMatrix::ScrollStep;
  using TKvMatrix::TKvMatrix;
};

// The demo geometry: cells 16 apart from (5, 5), 2 x 2 dots on a pitch of 3.
constexpr int kCellX = 5, kCellY = 5, kPitch = 16;

// The dots of cell Cell as seven row bytes, read from the picture: a dot is lit when its
// top-left pixel is not an unlit dot colour (Low) nor the background.
std::vector<int> LitRows(const QImage& shot, int cell, int32_t unlit = clGreen.Value,
                         int32_t background = clBlack.Value) {
  std::vector<int> rows(7, 0);
  for (int r = 0; r < 7; ++r)
    for (int j = 0; j < 5; ++j) {
      const int32_t c = PixelAt(shot, kCellX + cell * kPitch + 12 - 3 * j, kCellY + 3 * r);
      if (c != unlit && c != background) rows[size_t(r)] |= 1 << j;
    }
  return rows;
}

std::vector<int> GlyphRows(int code) {
  const uint8_t* g = kv::MatrixGlyph(code);
  return std::vector<int>(g, g + 7);
}

// The colour of the lit dots of a cell, -1 when none is lit.
int32_t CellColor(const QImage& shot, int cell) {
  for (int r = 0; r < 7; ++r)
    for (int j = 0; j < 5; ++j) {
      const int32_t c = PixelAt(shot, kCellX + cell * kPitch + 12 - 3 * j, kCellY + 3 * r);
      if (c != clGreen.Value && c != clBlack.Value) return c;
    }
  return -1;
}

QImage Shot(TKvMatrix& m) { return kvtest::RenderControl(&m, kPanelColor); }

QImage DemoWithText(const QString& text, TKvMatrixTextStyle style = TKvMatrixTextStyle::tsAsIs) {
  TKvMatrix m(nullptr);
  ApplyDemoSettings(m);
  m.SetTextStyle(style);
  m.SetText(text);
  return Shot(m);
}

template <class F>
bool PumpUntil(F done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2000) kvtest::Pump(5);
  return done();
}

}  // namespace

TEST(Matrix, ConstructionAndPublishedProperties) {
  TKvMatrix m(nullptr);
  // The initial 245 x 30 gives way to the size of 15 cells of 14 x 20 in a 5-pixel bevel.
  EXPECT_EQ(m.BoundsRect(), Rect(0, 0, 248, 30));
  EXPECT_TRUE(m.Threaded());
  EXPECT_EQ(m.TextStyle(), TKvMatrixTextStyle::tsUpperCase);
  EXPECT_EQ(m.Leds(), 15);
  EXPECT_EQ(m.Spacing(), 2);
  EXPECT_EQ(m.Palette()->Low(), clGreen);
  EXPECT_EQ(m.Palette()->High(), clLime);
  EXPECT_EQ(m.LedStyle(), TKvMatrixLedStyle::ls14x20);
  EXPECT_EQ(m.TimeInterval(), 500);
  EXPECT_EQ(m.Bevel()->InnerWidth(), 2);
  EXPECT_EQ(m.Bevel()->InnerColor(), clBlack);
  EXPECT_EQ(m.Color(), clBlack);
  EXPECT_FALSE(m.ParentColor());
  EXPECT_TRUE(m.Text().isEmpty());
  const std::vector<QByteArray> order = {
      "Threaded",     "TextStyle",       "Orientation", "Leds",       "Spacing",
      "Palette",      "LedStyle",        "LedsVisible", "AutoScroll", "Alignment",
      "TimeInterval", "ScrollDirection", "Bevel",       "Color",      "Hint",
      "ParentColor",  "ParentShowHint",  "ShowHint",    "Text",       "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvMatrix::staticMetaObject), order);
  EXPECT_EQ(kvtest::StreamingDefaults(TKvMatrix::staticMetaObject).count("Threaded"), 0u);
}

TEST(Matrix, SizeFollowsTheCellsWhateverIsRequested) {
  TKvMatrix m(nullptr);
  m.SetWidth(100);
  m.SetHeight(7);
  EXPECT_EQ(m.BoundsRect(), Rect(0, 0, 248, 30));
  m.SetOrientation(TKvOrientation::voVertical);
  EXPECT_EQ(m.BoundsRect(), Rect(0, 0, 24, 15 * 20 + 14 * 2 + 10));
  m.SetLedStyle(TKvMatrixLedStyle::ls9x13);
  EXPECT_EQ(m.BoundsRect(), Rect(0, 0, 19, 15 * 13 + 14 * 2 + 10));
  m.SetBounds(30, 40, 1, 1);
  EXPECT_EQ(m.Left(), 30);
  EXPECT_EQ(m.Top(), 40);
  EXPECT_EQ(m.Width(), 19);
}

TEST(Matrix, LedsOutsideOneToTheLimitAreRefused) {
  TKvMatrix m(nullptr);
  for (int v : {0, -3, INT_MAX, kv::kMatrixMaxLeds + 1}) {
    m.SetLeds(v);
    EXPECT_EQ(m.Leds(), 15) << v;
  }
  m.SetLeds(kv::kMatrixMaxLeds);
  EXPECT_EQ(m.Leds(), kv::kMatrixMaxLeds);
  // Extreme spacings saturate the size.
  m.SetLeds(2);
  m.SetSpacing(INT_MAX);
  EXPECT_EQ(m.Width(), QWIDGETSIZE_MAX);
  m.SetSpacing(INT_MIN);
  EXPECT_EQ(m.Width(), 0);
}

TEST(Matrix, NegativeAndHugeSpacingsGiveSaturatedSizes) {
  TKvMatrix m(nullptr);
  m.SetLeds(2);
  m.SetSpacing(-40);
  m.SetTextStyle(TKvMatrixTextStyle::tsAsIs);
  m.SetText(QStringLiteral("ab"));
  EXPECT_EQ(m.Width(), 2 * 14 - 40 + 10 < 0 ? 0 : 2 * 14 - 40 + 10);
  m.SetSpacing(1000000);
  m.SetOrientation(TKvOrientation::voVertical);
  EXPECT_EQ(m.Width(), 24);
  EXPECT_GT(m.Height(), 1000000);
}

TEST(Matrix, DemoCellsLieSixteenApartAndTheBLightsItsTopLeftDot) {
  TKvMatrix m(nullptr);
  ApplyDemoSettings(m);
  EXPECT_EQ(m.Width(), 248);
  EXPECT_EQ(m.Height(), 30);
  const QImage shot = Shot(m);
  // The "b": its top row holds only the leftmost dot, a 2 x 2 square at (5, 5).
  for (int y : {5, 6})
    for (int x : {5, 6}) EXPECT_EQ(PixelAt(shot, x, y), clLime.Value) << x << "," << y;
  EXPECT_EQ(PixelAt(shot, 7, 5), clBlack.Value);
  const QString text = QStringLiteral("brontel.example");
  for (int k = 0; k < 15; ++k) EXPECT_EQ(LitRows(shot, k), GlyphRows(text[k].unicode())) << k;
  // An unlit dot of the cell image: grey became Low at its top-left and bottom-right.
  EXPECT_EQ(PixelAt(shot, kCellX + 3, kCellY), clGreen.Value);
  EXPECT_EQ(PixelAt(shot, kCellX + 4, kCellY + 1), clGreen.Value);
  EXPECT_EQ(PixelAt(shot, kCellX + 4, kCellY), clBlack.Value);
}

TEST(Matrix, TheFontTableHoldsTheCapitalA) {
  EXPECT_EQ(GlyphRows('A'), (std::vector<int>{0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}));
  EXPECT_EQ(GlyphRows(127), (std::vector<int>{0x0A, 0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A}));
  EXPECT_EQ(kv::MatrixGlyph(128), nullptr);
  EXPECT_EQ(kv::MatrixGlyph(-1), nullptr);
}

TEST(Matrix, ColourCodesSelectTheirColoursAndOthersHigh) {
  struct Case {
    const char* text;
    int32_t color;
  } cases[] = {{"%0X", clLime.Value},  {"%-X", clLime.Value},  {"%xX", clLime.Value},
               {"%aX", clRed.Value},   {"%AX", clRed.Value},   {"%GX", clWhite.Value},
               {"%gX", clWhite.Value}, {"%1X", clBlack.Value}, {"%9X", clSilver.Value},
               {"%CX", clYellow.Value}};
  for (const Case& c : cases) {
    TKvMatrix m(nullptr);
    m.SetText(QString::fromLatin1(c.text));
    EXPECT_EQ(m.DisplayText(), QStringLiteral("X")) << c.text;
    if (c.color == clBlack.Value) {
      // Black dots on the black background: the cell shows only the unlit grid.
      EXPECT_EQ(kv::MatrixCodeColor(m.ColorCodes()[0], clLime), clBlack) << c.text;
      continue;
    }
    EXPECT_EQ(CellColor(DemoWithText(QString::fromLatin1(c.text)), 0), c.color) << c.text;
  }
  // A code holds for the characters after it until the next.
  const QImage shot = DemoWithText(QStringLiteral("a%Db%%c%"));
  EXPECT_EQ(CellColor(shot, 0), clLime.Value);
  EXPECT_EQ(CellColor(shot, 1), clBlue.Value);
  EXPECT_EQ(CellColor(shot, 2), clBlue.Value);  // the percent sign
  EXPECT_EQ(CellColor(shot, 3), clBlue.Value);
  EXPECT_EQ(CellColor(shot, 4), -1);
}

TEST(Matrix, PercentSignsAtTheEndAndDoubled) {
  TKvMatrix m(nullptr);
  m.SetTextStyle(TKvMatrixTextStyle::tsAsIs);
  m.SetText(QStringLiteral("AB%"));
  EXPECT_EQ(m.DisplayText(), QStringLiteral("AB"));
  m.SetText(QStringLiteral("%%%"));
  EXPECT_EQ(m.DisplayText(), QStringLiteral("%"));
  m.SetText(QStringLiteral("%%%%"));
  EXPECT_EQ(m.DisplayText(), QStringLiteral("%%"));
  m.SetText(QStringLiteral("%"));
  EXPECT_TRUE(m.DisplayText().isEmpty());
  EXPECT_EQ(m.ColorCodes().size(), size_t(m.DisplayText().size()));
}

TEST(Matrix, CharactersOutsideTheFontTakeABlankCell) {
  // "a", e acute, the euro sign, the two halves of an emoji, "b".
  const QString text =
      QStringLiteral("a\u00e9\u20ac") + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("b");
  const QImage shot = DemoWithText(text);
  EXPECT_EQ(LitRows(shot, 0), GlyphRows('a'));
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(LitRows(shot, k), std::vector<int>(7, 0)) << k;
  EXPECT_EQ(LitRows(shot, 5), GlyphRows('b'));
  for (int k = 6; k < 15; ++k) EXPECT_EQ(LitRows(shot, k), std::vector<int>(7, 0)) << k;
}

TEST(Matrix, CaseConversionKeepsOneCodePerCharacter) {
  {
    // Upper case of sharp s is two letters in full mapping: here it stays one character.
    TKvMatrix m(nullptr);
    m.SetText(QStringLiteral("%A\u00df%Cx"));
    EXPECT_EQ(m.DisplayText().size(), 2);
    EXPECT_EQ(m.DisplayText()[1], QLatin1Char('X'));
    const QImage shot =
        DemoWithText(QStringLiteral("%A\u00df%Cx"), TKvMatrixTextStyle::tsUpperCase);
    EXPECT_EQ(LitRows(shot, 0), std::vector<int>(7, 0));
    EXPECT_EQ(LitRows(shot, 1), GlyphRows('X'));
    EXPECT_EQ(CellColor(shot, 1), clYellow.Value);
  }
  {
    TKvMatrix m(nullptr);
    m.SetTextStyle(TKvMatrixTextStyle::tsLowerCase);
    m.SetText(QStringLiteral("\u0130%CA"));
    EXPECT_EQ(m.DisplayText().size(), 2);
    EXPECT_EQ(m.ColorCodes().size(), 2u);
    const QImage shot = DemoWithText(QStringLiteral("\u0130%CA"), TKvMatrixTextStyle::tsLowerCase);
    EXPECT_EQ(LitRows(shot, 1), GlyphRows('a'));
    EXPECT_EQ(CellColor(shot, 1), clYellow.Value);
  }
}

TEST(Matrix, ProperCase) {
  TKvMatrix m(nullptr);
  m.SetTextStyle(TKvMatrixTextStyle::tsProperCase);
  m.SetText(QStringLiteral("  hELLO wORLD"));
  EXPECT_EQ(m.DisplayText(), QStringLiteral("  Hello world"));
  m.SetText(QStringLiteral("  x"));
  EXPECT_EQ(m.DisplayText(), QStringLiteral("  X"));
  for (const char* text : {"", "%A", "%", "   "}) {
    m.SetText(QString::fromLatin1(text));
    const QImage shot = DemoWithText(QString::fromLatin1(text), TKvMatrixTextStyle::tsProperCase);
    for (int k = 0; k < 15; ++k) EXPECT_EQ(LitRows(shot, k), std::vector<int>(7, 0)) << text;
  }
}

TEST(Matrix, LongTextsParseInOnePass) {
  TKvMatrix m(nullptr);
  QString codes;
  for (int i = 0; i < 500000; ++i) codes += QStringLiteral("%A");
  QString plain(1000000, QLatin1Char('x'));
  QElapsedTimer clock;
  clock.start();
  m.SetText(codes);
  EXPECT_TRUE(m.DisplayText().isEmpty());
  m.SetText(plain);
  EXPECT_EQ(m.DisplayText().size(), 1000000);
  m.SetLeds(14);
  m.SetTextStyle(TKvMatrixTextStyle::tsLowerCase);
  EXPECT_LT(clock.elapsed(), 5000);  // a watchdog, not a measurement
}

TEST(Matrix, AlignmentPlacesALongTextByItsFirstCharacter) {
  TKvMatrix m(nullptr);
  m.SetTextStyle(TKvMatrixTextStyle::tsAsIs);
  const QString text = QStringLiteral("abcdefghijklmnopqrst");  // 20 characters
  m.SetText(text);
  m.SetAlignment(TKvAlignment::vaRightJustify);
  QImage shot = Shot(m);
  EXPECT_EQ(m.FirstChar(), 6);
  EXPECT_EQ(LitRows(shot, 0), GlyphRows('f'));
  EXPECT_EQ(LitRows(shot, 14), GlyphRows('t'));
  m.SetAlignment(TKvAlignment::vaCenter);
  shot = Shot(m);
  EXPECT_EQ(m.FirstChar(), 3);  // -5 div 2 is -2: toward zero
  EXPECT_EQ(LitRows(shot, 0), GlyphRows('c'));
  m.SetText(QStringLiteral("ab"));
  shot = Shot(m);
  EXPECT_EQ(m.FirstChar(), -5);
  EXPECT_EQ(LitRows(shot, 6), GlyphRows('a'));
}

TEST(Matrix, ScrollDoneComesOncePerPassOfTextAndCells) {
  for (auto dir :
       {TKvMatrixScrollDirection::msdRightToLeft, TKvMatrixScrollDirection::msdLeftToRight}) {
    TestMatrix m(nullptr);
    ApplyDemoSettings(m);
    m.SetScrollDirection(dir);
    m.SetTimeInterval(-1);
    EXPECT_EQ(m.TimeInterval(), -1);
    m.SetAutoScroll(true);
    std::vector<int> done;
    int tick = 0;
    QObject::connect(&m, &TKvMatrix::OnScrollDone, [&] { done.push_back(tick); });
    for (tick = 1; tick <= 80; ++tick) m.ScrollStep();
    const bool rtl = dir == TKvMatrixScrollDirection::msdRightToLeft;
    EXPECT_EQ(done, (rtl ? std::vector<int>{15, 45, 75} : std::vector<int>{16, 46, 76}));
    m.SetAutoScroll(false);
  }
}

TEST(Matrix, ScrolledTextShowsFromItsPlace) {
  TestMatrix m(nullptr);
  ApplyDemoSettings(m);
  m.SetTimeInterval(-1);
  m.SetAutoScroll(true);
  m.ScrollStep();
  m.ScrollStep();
  const QImage shot = Shot(m);
  EXPECT_EQ(LitRows(shot, 0), GlyphRows('o'));
  EXPECT_EQ(m.FirstChar(), 3);
  m.SetAutoScroll(false);
}

TEST(Matrix, AScrollDoneHandlerMayFreeTheMatrix) {
  for (bool threaded : {true, false}) {
    auto* m = new TKvMatrix(nullptr);
    m->SetThreaded(threaded);
    m->SetText(QStringLiteral("ab"));
    m->SetTimeInterval(1);
    QPointer<TKvMatrix> alive(m);
    QObject::connect(m, &TKvMatrix::OnScrollDone, [&] { delete m; });
    m->SetAutoScroll(true);
    EXPECT_TRUE(PumpUntil([&] { return alive.isNull(); })) << threaded;
    kvtest::Pump(20);
  }
}

TEST(Matrix, AScrollDoneHandlerMaySwitchThreadedAndScrollingGoesOn) {
  for (bool threaded : {true, false}) {
    TKvMatrix m(nullptr);
    m.SetThreaded(threaded);
    m.SetText(QStringLiteral("ab"));
    m.SetTimeInterval(1);
    int done = 0;
    QObject::connect(&m, &TKvMatrix::OnScrollDone, [&] {
      ++done;
      m.SetThreaded(!m.Threaded());
    });
    m.SetAutoScroll(true);
    EXPECT_TRUE(PumpUntil([&] { return done >= 3; })) << threaded;
    m.SetAutoScroll(false);
  }
}

TEST(Matrix, AutoScrollTogglesNeverBlockAndAStoppedTextStays) {
  for (bool threaded : {true, false}) {
    TKvMatrix m(nullptr);
    m.SetThreaded(threaded);
    m.SetText(QStringLiteral("abc"));
    m.SetTimeInterval(1);
    for (int i = 0; i < 10000; ++i) m.SetAutoScroll(i % 2 == 0);
    EXPECT_FALSE(m.AutoScroll());
    const int64_t first = m.FirstChar();
    kvtest::Pump(30);
    EXPECT_EQ(m.FirstChar(), first) << threaded;
  }
}

TEST(Matrix, ANegativeIntervalNeverTicks) {
  TKvMatrix m(nullptr);
  m.SetTimeInterval(-1);
  int done = 0;
  QObject::connect(&m, &TKvMatrix::OnScrollDone, [&] { ++done; });
  m.SetAutoScroll(true);
  kvtest::Pump(50);
  EXPECT_EQ(m.FirstChar(), 1);
  EXPECT_EQ(done, 0);
  m.SetAutoScroll(false);
}

TEST(Matrix, DescriptionKeepsTheDemoSettings) {
  TForm form(nullptr);
  auto* m = new TKvMatrix(&form);
  m->SetName(QStringLiteral("Probe"));
  ApplyDemoSettings(*m);
  m->SetLeds(3);
  m->SetTimeInterval(-1);
  const QByteArray text = kv::WriteComponent(&form);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("matrix.kvf"));
  auto* c = dynamic_cast<TKvMatrix*>(copy.FindComponent(QStringLiteral("Probe")));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Text(), m->Text());
  EXPECT_EQ(c->Leds(), 3);
  EXPECT_EQ(c->TimeInterval(), -1);
  EXPECT_EQ(c->TextStyle(), TKvMatrixTextStyle::tsAsIs);
  EXPECT_EQ(c->BoundsRect(), m->BoundsRect());
}

// ---------------------------------------------------------------------------
// Reference pictures

TEST(Matrix, ReferenceDemoSettings) {
  TKvMatrix m(nullptr);
  ApplyDemoSettings(m);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&m, kPanelColor, 4), "lib/matrix-demo");
}

TEST(Matrix, ReferenceInitialSettings) {
  TKvMatrix m(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&m, clWhite, 4), "lib/matrix-initial");
}

TEST(Matrix, ReferenceColourCodedVerticalStylesAndHiddenGrid) {
  {
    TKvMatrix m(nullptr);
    m.SetText(QStringLiteral("%1a%2b%3c%4d%5e%6f%7g%8h%9i%Aj%Bk%Cl%Dm%En%Fo%Gp"));
    m.SetLeds(16);
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&m, clWhite, 4), "lib/matrix-colour-codes");
  }
  {
    TKvMatrix m(nullptr);
    m.SetOrientation(TKvOrientation::voVertical);
    m.SetLeds(4);
    m.SetText(QStringLiteral("Kv%C42"));
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&m, clWhite, 4), "lib/matrix-vertical");
  }
  for (auto style : {TKvMatrixLedStyle::ls9x13, TKvMatrixLedStyle::ls19x27}) {
    TKvMatrix m(nullptr);
    m.SetLedStyle(style);
    m.SetLeds(5);
    m.SetText(QStringLiteral("Ab%D#2"));
    EXPECT_MATCHES_REFERENCE(
        kvtest::RenderControl(&m, clWhite, 4),
        style == TKvMatrixLedStyle::ls9x13 ? "lib/matrix-9x13" : "lib/matrix-19x27");
  }
  {
    TKvMatrix m(nullptr);
    ApplyDemoSettings(m);
    m.SetLedsVisible(false);
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&m, kPanelColor, 4), "lib/matrix-no-grid");
  }
}
