#include "KvFormShape.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QWindow>
#include <QTest>
#include <QtEndian>

#include <cstring>
#include <functional>
#include <memory>
#include <random>

using kv::Exception, kv::GetRegionData, kv::GetSysColor, kv::Rect, kv::Screen, kv::crDefault,
    kv::crHourGlass;

namespace {

constexpr TColor kFace = clNavy;
constexpr TColor kFace2 = clTeal;

// A mask drawn from rows of text: 'M' white (the mask colour of the tests), 'X' navy, 'Y' teal.
std::unique_ptr<TBitmap> MaskFrom(std::initializer_list<const char*> rows) {
  auto mask = std::make_unique<TBitmap>();
  const int height = int(rows.size());
  const int width = height ? int(std::strlen(*rows.begin())) : 0;
  mask->SetSize(width, height);
  int y = 0;
  for (const char* row : rows) {
    for (int x = 0; x < width; ++x)
      mask->Canvas()->SetPixels(x, y, row[x] == 'M' ? clWhite : row[x] == 'X' ? kFace : kFace2);
    ++y;
  }
  return mask;
}

TRegion Rects(std::initializer_list<QRect> rects) {
  QRegion r;
  for (const QRect& rect : rects) r += rect;
  return TRegion(r);
}

// (Left, Top, Right, Bottom) with right and bottom exclusive.
QRect Ltrb(int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r - 1, b - 1)); }

QByteArray Int32(int32_t v) {
  QByteArray bytes(4, '\0');
  qToLittleEndian<int32_t>(v, bytes.data());
  return bytes;
}

// The "RgnData" payload: the stored size, then the bytes actually present.
QByteArray Payload(int32_t size, const QByteArray& bytes) { return Int32(size) + bytes; }
QByteArray Payload(const QByteArray& bytes) { return Payload(int32_t(bytes.size()), bytes); }

// A region header with zero bounds.
QByteArray Header(int32_t headerSize, int32_t type, int32_t count, int32_t rectBytes) {
  return Int32(headerSize) + Int32(type) + Int32(count) + Int32(rectBytes) + QByteArray(16, '\0');
}

QByteArray Describe(const QByteArray& shapeProperties) {
  return "object Form1: TForm\n  object Shape: TKvFormShape\n" + shapeProperties + "  end\nend\n";
}

QByteArray WithRgnData(const QByteArray& payload) {
  return Describe("    RgnData = {" + payload.toHex() + "}\n");
}

TKvFormShape* ShapeOf(TForm& form) {
  return dynamic_cast<TKvFormShape*>(form.FindComponent(QStringLiteral("Shape")));
}

// A form shape on a form of its own.
struct Shaped {
  TForm form{nullptr};
  TKvFormShape* shape = new TKvFormShape(&form);
  Shaped() {
    shape->SetParent(&form);
    form.SetBounds(0, 0, 6, 3);
  }
};

void ExpectMessage(const std::function<void()>& f, const char* text) {
  try {
    f();
    ADD_FAILURE() << "no exception, expected \"" << text << "\"";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.Message().contains(QLatin1String(text))) << qPrintable(e.Message());
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// The scan

TEST(FormShapeScan, ThreePixelRows) {
  EXPECT_EQ(kv::MaskRegion(*MaskFrom({"MXM"}), clWhite), Rects({Ltrb(1, 0, 2, 1)}));
  // The last column never belongs to the region.
  EXPECT_EQ(kv::MaskRegion(*MaskFrom({"XXX"}), clWhite), Rects({Ltrb(0, 0, 2, 1)}));
  // Runs that end in the mask colour read no pixel past the row (the sanitizer watches).
  EXPECT_TRUE(kv::MaskRegion(*MaskFrom({"MMM"}), clWhite).IsEmpty());
  EXPECT_TRUE(kv::MaskRegion(*MaskFrom({"M"}), clWhite).IsEmpty());
  EXPECT_TRUE(kv::MaskRegion(*MaskFrom({"X"}), clWhite).IsEmpty());
  EXPECT_TRUE(kv::MaskRegion(TBitmap(), clWhite).IsEmpty());
}

TEST(FormShapeScan, SeveralRunsPerRowAndRowsOfMaskColour) {
  const TRegion r = kv::MaskRegion(*MaskFrom({"XMXYMX", "MMMMMM", "MYYYXM"}), clWhite);
  EXPECT_EQ(r, Rects({Ltrb(0, 0, 1, 1), Ltrb(2, 0, 4, 1), Ltrb(1, 2, 5, 3)}));
}

TEST(FormShapeScan, EqualRowsAreOneRectangle) {
  // The stored data has one rectangle per band, as the window system reports regions.
  const TRegion r = kv::MaskRegion(*MaskFrom({"MXXM", "MXXM", "MXXM", "XXXX"}), clWhite);
  EXPECT_EQ(r.ToQRegion().rectCount(), 2);
  EXPECT_EQ(GetRegionData(r).size(), 32 + 2 * 16);
}

TEST(FormShapeScan, EveryPixelButTheLastColumnThatIsNotMaskColour) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    const int width = 1 + int(random() % 19), height = 1 + int(random() % 7);
    TBitmap mask;
    mask.SetSize(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        mask.Canvas()->SetPixels(x, y, random() % 3 == 0 ? clWhite : kFace);
    const TRegion r = kv::MaskRegion(mask, clWhite);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(r.Contains(x, y), x < width - 1 && mask.Canvas()->Pixels(x, y) != clWhite)
            << "round " << round << " at " << x << ", " << y;
  }
}

TEST(FormShapeScan, SystemMaskColourIsResolved) {
  TBitmap mask;
  mask.SetSize(4, 1);
  mask.Canvas()->Brush()->SetColor(TColor(GetSysColor(15)));
  mask.Canvas()->FillRect(Rect(0, 0, 4, 1));
  mask.Canvas()->SetPixels(1, 0, kFace);
  EXPECT_EQ(kv::MaskRegion(mask, clBtnFace), Rects({Ltrb(1, 0, 2, 1)}));
}

// ---------------------------------------------------------------------------
// The control

TEST(FormShape, InitialSettingsAndPublishedProperties) {
  TKvFormShape shape(nullptr);
  EXPECT_TRUE(shape.Mask()->Empty());
  EXPECT_EQ(shape.MaskColor(), clOlive);
  EXPECT_EQ(shape.Color(), clOlive);
  EXPECT_FALSE(shape.ParentColor());
  EXPECT_TRUE(shape.Transparent());
  EXPECT_FALSE(shape.ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  EXPECT_EQ(shape.Align(), TAlign::alClient);
  EXPECT_EQ(shape.RgnData()->Size(), 0);

  const QMetaObject& meta = TKvFormShape::staticMetaObject;
  EXPECT_EQ(kvtest::OwnPropertyNames(meta),
            (std::vector<QByteArray>{"Mask", "MaskColor", "Hint", "ParentShowHint", "ShowHint"}));
  EXPECT_EQ(kvtest::StreamingDefaults(meta).count("Mask"), 0u);
  EXPECT_EQ(kvtest::StreamingDefaults(meta).count("MaskColor"), 0u);

  shape.SetMaskColor(clRed);
  EXPECT_EQ(shape.Color(), clRed);
}

TEST(FormShape, OnlyAFormCanBeTheParent) {
  TForm form(nullptr);
  auto* box = new TScrollBox(&form);
  box->SetParent(&form);
  TKvFormShape shape(nullptr);
  ExpectMessage([&] { shape.SetParent(box); }, "KvFormShape requires a FORM as parent!");
  EXPECT_EQ(shape.Parent(), nullptr);

  shape.SetParent(&form);
  EXPECT_EQ(form.BorderStyle(), TFormBorderStyle::bsNone);
  ExpectMessage([&] { shape.SetParent(box); }, "KvFormShape requires a FORM as parent!");
  EXPECT_EQ(shape.Parent(), &form);
  shape.SetParent(nullptr);
  EXPECT_EQ(shape.Parent(), nullptr);

  const QByteArray nested =
      "object Form1: TForm\n  object Box: TScrollBox\n    object Shape: TKvFormShape\n    end\n  "
      "end\nend\n";
  TForm reading(nullptr);
  ExpectMessage([&] { kv::ReadComponent(&reading, nested, QStringLiteral("nested.kvf")); },
                "KvFormShape requires a FORM as parent!");
}

TEST(FormShape, MaskAtRunTimeShapesTheWindow) {
  Shaped s;
  const auto mask = MaskFrom({"MXXXMM", "XXYXXM", "MMXMMM"});
  const TRegion expected = kv::MaskRegion(*mask, clWhite);
  s.shape->SetMaskColor(clWhite);
  EXPECT_EQ(s.shape->RgnData()->Size(), 0);  // an empty mask builds nothing
  EXPECT_FALSE(s.form.WindowRegion());

  s.shape->SetMask(mask.get());
  EXPECT_EQ(s.shape->RgnData()->Bytes(), GetRegionData(expected));
  ASSERT_TRUE(s.form.WindowRegion());
  EXPECT_EQ(*s.form.WindowRegion(), expected);
  EXPECT_EQ(s.form.mask(), expected.ToQRegion());

  // A mask colour that leaves nothing inside keeps the data and the shape.
  s.shape->SetMaskColor(kFace);
  const TRegion others = kv::MaskRegion(*mask, kFace);
  EXPECT_EQ(*s.form.WindowRegion(), others);
  const auto blank = MaskFrom({"XXXX"});
  s.shape->SetMask(blank.get());
  EXPECT_EQ(s.shape->RgnData()->Bytes(), GetRegionData(others));
  EXPECT_EQ(*s.form.WindowRegion(), others);
}

TEST(FormShape, RepeatedMaskColourChangesEachApplyTheirRegion) {
  Shaped s;
  const auto mask = MaskFrom({"MXXYYM", "XYMXYX"});
  s.shape->SetMask(mask.get());
  const TColor colours[] = {clWhite, kFace, kFace2};
  for (int i = 0; i < 100; ++i) {
    const TColor c = colours[i % 3];
    s.shape->SetMaskColor(c);
    ASSERT_EQ(*s.form.WindowRegion(), kv::MaskRegion(*mask, c)) << "change " << i;
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(FormShape, SystemMaskColourLeavesItsPixelsOutside) {
  Shaped s;
  TBitmap mask;
  mask.SetSize(5, 2);
  mask.Canvas()->Brush()->SetColor(TColor(GetSysColor(15)));
  mask.Canvas()->FillRect(Rect(0, 0, 5, 2));
  mask.Canvas()->SetPixels(2, 1, kFace);
  mask.Canvas()->SetPixels(3, 1, kFace);
  s.shape->SetMask(&mask);
  s.shape->SetMaskColor(clBtnFace);
  ASSERT_TRUE(s.form.WindowRegion());
  EXPECT_EQ(*s.form.WindowRegion(), Rects({Ltrb(2, 1, 4, 2)}));
}

TEST(FormShape, WhileLoadingNothingIsScanned) {
  TForm form(nullptr);
  TKvFormShape* shape = nullptr;
  const auto mask = MaskFrom({"XXXM"});
  {
    // As a form description does it: the shape is made and set while the form loads.
    kv::LoadingScope loading(&form);
    shape = new TKvFormShape(&form);
    shape->SetParent(&form);
    ASSERT_TRUE(shape->IsLoading());
    shape->SetMaskColor(clWhite);
    shape->SetMask(mask.get());
    EXPECT_EQ(shape->RgnData()->Size(), 0);
  }
  // Start-up applies the stored data only: there is none.
  EXPECT_EQ(shape->RgnData()->Size(), 0);
  EXPECT_FALSE(form.WindowRegion());
  EXPECT_EQ(shape->Mask()->Width(), 4);
}

TEST(FormShape, LoadedWithoutAParentDoesNothing) {
  TKvFormShape shape(nullptr);
  shape.RgnData()->SetBytes(GetRegionData(Rects({Ltrb(0, 0, 2, 2)})));
  shape.Loaded();
  EXPECT_EQ(shape.Parent(), nullptr);
}

namespace {

// Fetches region data that is cut short, or fails outright.
class TFailingShape : public TKvFormShape {
public:
  using TKvFormShape::TKvFormShape;
  enum class Failure { None, Short, Raise } Mode = Failure::None;
  mutable TCursor CursorDuringFetch = crDefault;

protected:
  QByteArray FetchRegionData(const TRegion& Region) const override {
    CursorDuringFetch = Screen->Cursor();
    const QByteArray data = TKvFormShape::FetchRegionData(Region);
    if (Mode == Failure::Short) return data.left(data.size() - 16);
    if (Mode == Failure::Raise) throw EOutOfResources(QStringLiteral("no region data"));
    return data;
  }
};

}  // namespace

TEST(FormShape, AFailedFetchKeepsTheRegionData) {
  TForm form(nullptr);
  auto* shape = new TFailingShape(&form);
  shape->SetParent(&form);
  const auto mask = MaskFrom({"XXXM", "MXXM"});
  shape->SetMaskColor(clWhite);
  shape->SetMask(mask.get());
  EXPECT_EQ(shape->CursorDuringFetch, crHourGlass);
  const QByteArray kept = shape->RgnData()->Bytes();
  ASSERT_GT(kept.size(), 32);
  const TRegion shapeBefore = *form.WindowRegion();

  shape->Mode = TFailingShape::Failure::Short;
  shape->SetMaskColor(kFace);
  EXPECT_EQ(shape->RgnData()->Bytes(), kept);
  EXPECT_EQ(*form.WindowRegion(), shapeBefore);

  shape->Mode = TFailingShape::Failure::Raise;
  EXPECT_THROW(shape->SetMaskColor(clWhite), EOutOfResources);
  EXPECT_EQ(shape->RgnData()->Bytes(), kept);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(FormShape, PressesMoveTheFormAndFireNoMouseDown) {
  TForm form(nullptr);
  auto* shape = new TKvFormShape(&form);
  shape->SetParent(&form);
  int mouseDowns = 0;
  QObject::connect(shape, &TControl::OnMouseDown, [&] { ++mouseDowns; });
  kvtest::ShowForm(&form, 40, 30);
  QWindow* window = form.windowHandle();
  ASSERT_TRUE(window);
  const QPoint start = form.pos();

  QTest::mousePress(window, Qt::RightButton, {}, QPoint(5, 5));
  QTest::mouseRelease(window, Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_EQ(form.pos(), start);

  // The off-screen platform has no window manager: the form follows the pointer itself.
  QTest::mousePress(window, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(window, QPoint(35, 25));
  kvtest::Pump();
  EXPECT_EQ(form.pos(), start + QPoint(30, 20));
  QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(window, QPoint(9, 9));
  kvtest::Pump();
  EXPECT_EQ(form.pos(), start + QPoint(30, 20));
  EXPECT_EQ(mouseDowns, 0);
  EXPECT_FALSE(shape->MouseCapture());
}

// ---------------------------------------------------------------------------
// Region data in form descriptions

TEST(FormShapeRgnData, SizesBeyondThePayloadAreRefused) {
  const QByteArray bad[] = {Payload(-1, QByteArray(40, 'x')),
                            Payload(0x7FFFFFFF, QByteArray(40, 'x')),
                            Payload(100, QByteArray(10, 'x')), QByteArray(3, '\0'), QByteArray()};
  for (const QByteArray& payload : bad) {
    TKvRgnData data;
    data.SetBytes("kept");
    TMemoryStream stream(payload);
    ExpectMessage([&] { data.LoadFromStream(stream); }, "Invalid file format");
    EXPECT_EQ(data.Bytes(), QByteArray("kept"));

    TForm form(nullptr);
    ExpectMessage(
        [&] { kv::ReadComponent(&form, WithRgnData(payload), QStringLiteral("bad.kvf")); },
        "Invalid file format");
    EXPECT_EQ(form.ComponentCount(), 0);
  }
}

TEST(FormShapeRgnData, StoredSizeZeroAppliesNoRegion) {
  TForm form(nullptr);
  kv::ReadComponent(&form, WithRgnData(Payload(0, {})), QStringLiteral("empty.kvf"));
  TKvFormShape* shape = ShapeOf(form);
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->RgnData()->Size(), 0);
  EXPECT_FALSE(form.WindowRegion());
  EXPECT_FALSE(form.testAttribute(Qt::WA_TranslucentBackground));
}

TEST(FormShapeRgnData, MalformedRegionsKeepTheWindowsShape) {
  const TRegion current = Rects({Ltrb(0, 0, 7, 7)});
  const QByteArray malformed[] = {
      Header(32, 1, 1, 16).left(20),                // shorter than a header
      Header(32, 1, 0x10000000, 0),                 // 16 * N does not fit in 32 bits
      Header(32, 1, 2, 32) + QByteArray(16, '\0'),  // a rectangle missing
      Header(24, 1, 0, 0),
      Header(32, 2, 0, 0),
      Header(32, 1, 0, 0),  // wrong header; no pixel
  };
  for (const QByteArray& block : malformed) {
    TForm form(nullptr);
    form.SetWindowRegion(&current);
    kv::ReadComponent(&form, WithRgnData(Payload(block)), QStringLiteral("malformed.kvf"));
    ASSERT_TRUE(ShapeOf(form));
    EXPECT_EQ(ShapeOf(form)->RgnData()->Bytes(), block);
    ASSERT_TRUE(form.WindowRegion());
    EXPECT_EQ(*form.WindowRegion(), current);
    EXPECT_EQ(form.mask(), current.ToQRegion());
  }
}

TEST(FormShapeRgnData, ScannedDataShapesAWindowAtLoad) {
  Shaped scanned;
  const auto mask = MaskFrom({"MXXXXXXM", "XXXYYXXX", "MMXXXXMM"});
  scanned.shape->SetMaskColor(clWhite);
  scanned.shape->SetMask(mask.get());
  const QByteArray data = scanned.shape->RgnData()->Bytes();

  TForm form(nullptr);
  kv::ReadComponent(&form, WithRgnData(Payload(data)), QStringLiteral("shaped.kvf"));
  const TRegion expected = kv::MaskRegion(*mask, clWhite);
  ASSERT_TRUE(form.WindowRegion());
  EXPECT_EQ(*form.WindowRegion(), expected);
  EXPECT_EQ(form.mask(), expected.ToQRegion());
  EXPECT_EQ(form.BorderStyle(), TFormBorderStyle::bsNone);
  // A window system that shapes windows needs no transparency outside.
  EXPECT_FALSE(form.testAttribute(Qt::WA_TranslucentBackground));
}

TEST(FormShapeRgnData, RoundTripThroughADescription) {
  Shaped source;
  source.form.SetName(QStringLiteral("Form1"));
  source.shape->SetName(QStringLiteral("Shape"));
  const auto mask = MaskFrom({"MXYM", "XXXX"});
  source.shape->SetMaskColor(clWhite);
  source.shape->SetMask(mask.get());
  const QByteArray text = kv::WriteComponent(&source.form);
  EXPECT_TRUE(text.contains("RgnData = {")) << text.constData();
  EXPECT_TRUE(text.contains("MaskColor = clWhite")) << text.constData();

  TForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("written.kvf"));
  TKvFormShape* shape = ShapeOf(copy);
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->RgnData()->Bytes(), source.shape->RgnData()->Bytes());
  EXPECT_EQ(shape->MaskColor(), clWhite);
  EXPECT_SAME_PIXELS(shape->Mask()->Image(), mask->Image());
  EXPECT_EQ(*copy.WindowRegion(), *source.form.WindowRegion());
  EXPECT_EQ(kv::WriteComponent(&copy), text);

  // An empty region is stored too, as its size alone.
  TForm plain(nullptr);
  (new TKvFormShape(&plain))->SetParent(&plain);
  const QByteArray plainText = kv::WriteComponent(&plain);
  EXPECT_TRUE(plainText.contains("    RgnData = {\n      00000000\n    }\n"))
      << plainText.constData();
}

namespace {

// A file of the source tree.
QString SourceFile(const char* path) {
  return QStringLiteral(KV_TEST_REFERENCE_DIR "/../../") + QLatin1String(path);
}

std::unique_ptr<TBitmap> DemoWindowImage() {
  auto mask = std::make_unique<TBitmap>();
  mask->LoadFromFile(SourceFile("app/pictures/DEMO_WINDOW.bmp"));
  return mask;
}

}  // namespace

TEST(FormShapeRgnData, DemoWindowEntryIsWhatTheRunTimeScanStores) {
  const auto image = DemoWindowImage();
  const TBitmap& mask = *image;
  ASSERT_EQ(mask.Width(), 800);
  ASSERT_EQ(mask.Height(), 600);
  const QByteArray entry = kv::RgnDataEntry(mask, clWhite, 2);
  ASSERT_TRUE(entry.startsWith("    RgnData = {\n      ")) << entry.left(80).constData();
  ASSERT_TRUE(entry.endsWith("\n    }\n"));

  // A form shape whose mask changes at run time.
  Shaped live;
  live.form.SetBounds(0, 0, 800, 600);
  live.shape->SetMaskColor(clWhite);
  live.shape->SetMask(&mask);
  const QByteArray scanned = live.shape->RgnData()->Bytes();
  EXPECT_EQ(scanned, GetRegionData(kv::MaskRegion(mask, clWhite)));

  // The entry read back: the same bytes, and the window is shaped from them at once.
  TForm form(nullptr);
  kv::ReadComponent(&form, Describe(entry), QStringLiteral("demo.kvf"));
  ASSERT_TRUE(ShapeOf(form));
  EXPECT_EQ(ShapeOf(form)->RgnData()->Bytes(), scanned);
  ASSERT_TRUE(form.WindowRegion());
  EXPECT_EQ(*form.WindowRegion(), *live.form.WindowRegion());
  // The outline: the white corners lie outside, the middle inside, the last column outside.
  const TRegion& region = *form.WindowRegion();
  EXPECT_FALSE(region.Contains(0, 0));
  EXPECT_FALSE(region.Contains(799, 599));
  EXPECT_TRUE(region.Contains(400, 300));
  const TRect bounds = region.BoundingRect();
  EXPECT_GE(bounds.Left, 16);
  EXPECT_LE(bounds.Right, 776);
  EXPECT_GE(bounds.Top, 24);
  EXPECT_LE(bounds.Bottom, 572);

  EXPECT_TRUE(kv::RgnDataEntry(TBitmap(), clWhite, 2).isEmpty());
  // 52 bytes: the writer's lines of 32 bytes each.
  const QByteArray hex = Payload(GetRegionData(Rects({Ltrb(1, 0, 3, 1)}))).toHex().toUpper();
  EXPECT_EQ(kv::RgnDataEntry(*MaskFrom({"MXXM"}), clWhite, 0),
            "RgnData = {\n  " + hex.left(64) + "\n  " + hex.mid(64) + "\n}\n");
}

TEST(FormShapeRgnData, DemoDescriptionMatchesItsWindowImage) {
  QFile file(SourceFile("app/forms/frmQelDemo.kvf"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray description = file.readAll();
  if (!description.contains("RgnData = {")) GTEST_SKIP() << "the main window has no form shape yet";
  // The stored region is what the scan of the window image gives: regenerate it with
  // kv-rgndata whenever the image changes.
  EXPECT_TRUE(description.contains(kv::RgnDataEntry(*DemoWindowImage(), clWhite, 2)))
      << "app/forms/frmQelDemo.kvf holds region data of another window image";
}

// ---------------------------------------------------------------------------
// Pictures

TEST(FormShapePaint, EmptyMaskShowsWhatLiesUnder) {
  TForm form(nullptr);
  form.SetColor(kFace2);
  auto* shape = new TKvFormShape(&form);
  shape->SetParent(&form);
  form.SetBounds(0, 0, 12, 8);
  const QImage shot = kvtest::RenderForm(&form);
  EXPECT_EQ(kvtest::PixelAt(shot, 0, 0), kFace2);
  EXPECT_EQ(kvtest::PixelAt(shot, 11, 7), kFace2);
  EXPECT_MATCHES_REFERENCE(shot, "lib/formshape-initial");
}

TEST(FormShapePaint, ShapedFormShowsItsMaskInsideTheOutline) {
  TForm form(nullptr);
  auto* shape = new TKvFormShape(&form);
  shape->SetParent(&form);
  const auto mask = MaskFrom({
      "MMMXXXXXXXXMMMMM",
      "MMXXYYYYYYXXMMMM",
      "MXXYYYYYYYYXXMMM",
      "XXYYYXXXXYYYXXMM",
      "XXYYYXXXXYYYXXXM",
      "MXXYYYYYYYYXXXXX",
      "MMXXYYYYYYXXMMXX",
      "MMMXXXXXXXXMMMMX",
  });
  shape->SetMaskColor(clWhite);
  shape->SetMask(mask.get());
  kvtest::ShowForm(&form, 16, 8);
  QImage shot = kvtest::Grab(&form);
  // Outside the window's mask the off-screen window shows whatever was there: mark it.
  const QRegion inside = form.mask();
  ASSERT_FALSE(inside.isEmpty());
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (!inside.contains(QPoint(x, y))) shot.setPixel(x, y, kv::ColorToPixel(clFuchsia));
  EXPECT_EQ(kvtest::PixelAt(shot, 0, 0), clFuchsia);
  EXPECT_EQ(kvtest::PixelAt(shot, 3, 0), kFace);
  EXPECT_EQ(kvtest::PixelAt(shot, 4, 1), kFace2);
  EXPECT_EQ(kvtest::PixelAt(shot, 14, 4), kFace);
  EXPECT_EQ(kvtest::PixelAt(shot, 15, 5), clFuchsia);  // the last column
  EXPECT_MATCHES_REFERENCE(shot, "lib/formshape-shaped");
}

// At run time the mask is the whole face, drawn straight onto the window: the shape is opaque
// (the form paints nothing under it) and what a larger shape's mask does not reach is its
// colour. Without a mask it shows what lies under it.
TEST(FormShapePaint, AMaskIsTheWholeOpaqueFace) {
  TForm form(nullptr);
  auto* shape = new TKvFormShape(&form);
  shape->SetParent(&form);
  shape->SetAlign(TAlign::alNone);
  EXPECT_FALSE(shape->testAttribute(Qt::WA_OpaquePaintEvent));
  const auto mask = MaskFrom({"XXXY", "XYYY"});
  shape->SetMaskColor(clWhite);
  shape->SetMask(mask.get());
  EXPECT_TRUE(shape->testAttribute(Qt::WA_OpaquePaintEvent));
  shape->SetColor(clRed);
  shape->SetBounds(0, 0, 6, 3);
  form.SetWindowRegion(nullptr);
  kvtest::ShowForm(&form, 6, 3);
  const QImage shot = kvtest::Grab(shape);
  EXPECT_EQ(kvtest::PixelAt(shot, 0, 0), kFace);
  EXPECT_EQ(kvtest::PixelAt(shot, 3, 1), kFace2);
  for (const QPoint p : {QPoint(4, 0), QPoint(5, 2), QPoint(0, 2), QPoint(3, 2)})
    EXPECT_EQ(kvtest::PixelAt(shot, p.x(), p.y()), clRed) << p.x() << "," << p.y();
  auto transparent = MaskFrom({"XXXY", "XYYY"});
  transparent->SetTransparent(true);
  shape->SetMask(transparent.get());
  EXPECT_FALSE(shape->testAttribute(Qt::WA_OpaquePaintEvent));
  shape->SetMask(nullptr);
  EXPECT_FALSE(shape->testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(FormShapePaint, DemoWindowFace) {
  TForm form(nullptr);
  form.SetColor(clFuchsia);
  auto* shape = new TKvFormShape(&form);
  shape->SetParent(&form);
  shape->SetMaskColor(clWhite);
  shape->SetMask(DemoWindowImage().get());
  kvtest::ShowForm(&form, 800, 600);
  QImage shot = kvtest::Grab(&form);
  const QRegion inside = form.mask();
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (!inside.contains(QPoint(x, y))) shot.setPixel(x, y, kv::ColorToPixel(clFuchsia));
  // Inside the outline the face is the picture itself.
  const QImage& picture = shape->Mask()->Image();
  for (const QPoint p : {QPoint(400, 300), QPoint(20, 300), QPoint(150, 30), QPoint(700, 560)}) {
    ASSERT_TRUE(inside.contains(p));
    EXPECT_EQ(shot.pixel(p) & 0xFFFFFFu, picture.pixel(p) & 0xFFFFFFu) << p.x() << ", " << p.y();
  }
  EXPECT_MATCHES_REFERENCE(shot, "lib/formshape-demo");
}

TEST(FormShapePaint, WithoutWindowShapesTheOutsideIsTransparentAndTakesNoInput) {
  kv::SetWindowShapingForTesting(false);
  const auto mask = MaskFrom({"MMXXXM", "MXXYXM", "XXXXXX", "MMXXMM"});
  TForm form(nullptr);
  {
    kv::LoadingScope loading(&form);
    auto* shape = new TKvFormShape(&form);
    shape->SetParent(&form);
    shape->SetMaskColor(clWhite);
    shape->SetMask(mask.get());
    shape->RgnData()->SetBytes(GetRegionData(kv::MaskRegion(*mask, clWhite)));
  }
  kv::SetWindowShapingForTesting(std::nullopt);
  EXPECT_TRUE(form.testAttribute(Qt::WA_TranslucentBackground));
  // The region is the input mask: presses outside it go to the window below.
  EXPECT_EQ(form.mask(), kv::MaskRegion(*mask, clWhite).ToQRegion());
  kvtest::ShowForm(&form, 6, 4);
  // The window asks the compositor for an alpha channel (the off-screen platform itself
  // composes without one), and nothing paints outside the outline.
  ASSERT_TRUE(form.windowHandle());
  EXPECT_EQ(form.windowHandle()->requestedFormat().alphaBufferSize(), 8);
  QImage shot(6, 4, QImage::Format_ARGB32);
  shot.fill(Qt::transparent);
  form.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_EQ(qAlpha(shot.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(shot.pixel(5, 2)), 0);  // the last column
  EXPECT_EQ(qAlpha(shot.pixel(2, 0)), 255);
  EXPECT_EQ(kvtest::PixelAt(shot, 2, 0), kFace);
  EXPECT_EQ(kvtest::PixelAt(shot, 3, 1), kFace2);
}
