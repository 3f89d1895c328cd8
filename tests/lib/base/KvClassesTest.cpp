#include "KvClasses.h"

#include "KvSysUtilsInternal.h"
#include "Pixels.h"
#include "Properties.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <array>
#include <climits>
#include <csignal>
#include <map>
#include <sys/resource.h>
#include <vector>

using kv::ColorToRGB, kv::DT_CENTER, kv::DT_SINGLELINE, kv::DT_VCENTER, kv::DrawText, kv::Exception;

using kvtest::OwnPropertyNames;
using kvtest::StreamingDefaults;
using kvtest::UseTextFont;

namespace {

constexpr TColor kPaper = 0x123456;

struct ChangeCounter {
  int count = 0;
  explicit ChangeCounter(TKvPersistent& object) {
    QObject::connect(&object, &TKvPersistent::OnChange, [this](TObject*) { ++count; });
  }
};

}  // namespace

TEST(KvPersistent, UpdatesNestReportOnceEvenOnFailureAndNeverGoBelowZero) {
  TKvPalette palette;
  ChangeCounter changes(palette);
  palette.BeginUpdate();
  EXPECT_THROW(kv::WithinUpdate(palette,
                                [&] {
                                  palette.SetLow(clRed);
                                  throw Exception(QStringLiteral("failed"));
                                }),
               Exception);
  EXPECT_EQ(palette.UpdateCount(), 1);
  EXPECT_EQ(changes.count, 0);
  palette.EndUpdate();
  EXPECT_EQ(changes.count, 1);
  palette.EndUpdate();  // without BeginUpdate
  EXPECT_EQ(palette.UpdateCount(), 0);
  palette.SetHigh(clRed);
  EXPECT_EQ(changes.count, 3);
}

// ---------------------------------------------------------------------------
// TKvBevel

TEST(KvBevel, PropertiesInOrderWithTheirStreamingDefaults) {
  EXPECT_EQ(
      OwnPropertyNames(TKvBevel::staticMetaObject),
      (std::vector<QByteArray>{
          "BorderWidth", "BorderColor", "InnerShadow", "InnerHighlight", "InnerWidth", "InnerStyle",
          "InnerOutline", "InnerSpace", "InnerColor", "OuterShadow", "OuterHighlight", "OuterWidth",
          "OuterStyle", "OuterOutline", "OuterSpace", "OuterColor", "Visible"}));
  EXPECT_EQ(StreamingDefaults(TKvBevel::staticMetaObject),
            (std::map<QByteArray, QByteArray>{{"BorderWidth", "0"},
                                              {"BorderColor", "clBtnFace"},
                                              {"InnerOutline", "osNone"},
                                              {"OuterWidth", "1"},
                                              {"OuterSpace", "0"},
                                              {"OuterColor", "clBtnFace"},
                                              {"Visible", "true"}}));
}

TEST(KvBevel, SettersReportChangesAndRefuseValuesOutsideTheirTypes) {
  TKvBevel b;
  ChangeCounter changes(b);
  b.SetInnerWidth(1);
  b.SetBorderColor(clBtnFace);
  b.SetInnerWidth(0);
  b.SetOuterWidth(-1);
  b.SetBorderWidth(-1);
  b.SetInnerSpace(INT_MIN);
  b.SetOuterStyle(static_cast<TKvBevelStyle>(7));
  b.SetInnerOutline(static_cast<TKvBevelOutlineStyle>(-1));
  EXPECT_EQ(changes.count, 0);
  EXPECT_EQ((std::array{b.InnerWidth(), b.OuterWidth(), b.BorderWidth(), b.InnerSpace()}),
            (std::array{1, 1, 0, 1}));
  EXPECT_EQ(b.OuterStyle(), TKvBevelStyle::bsRaised);
  b.SetBorderWidth(INT_MAX);
  EXPECT_TRUE(b.setProperty("InnerWidth", 3));  // as a form description sets it
  EXPECT_EQ(changes.count, 2);
  EXPECT_EQ(b.InnerWidth(), 3);
}

TEST(KvBevel, AssignCopiesEverythingAndNotifiesOnce) {
  TKvBevel source, target;
  source.SetBorderColor(clRed);
  source.SetInnerStyle(TKvBevelStyle::bsRaised);
  source.SetOuterSpace(3);
  source.SetVisible(false);
  ChangeCounter changes(target);
  target.Assign(&source);
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(target.BorderColor().Value, clRed.Value);
  EXPECT_EQ(target.InnerStyle(), TKvBevelStyle::bsRaised);
  EXPECT_EQ(target.OuterSpace(), 3);
  EXPECT_FALSE(target.Visible());
  const TKvPalette palette;
  EXPECT_THROW(target.Assign(&palette), EConvertError);
  EXPECT_THROW(target.Assign(nullptr), EConvertError);
  EXPECT_EQ(changes.count, 1);
}

namespace {

// Paints the bevel on a square and checks the inset against GetVisibleArea and the ring
// colours: top-left ones along the diagonal, bottom-right ones from the other corner.
void ExpectRings(const TKvBevel& b, int size, const std::vector<TColor>& topLeft,
                 const std::vector<TColor>& bottomRight) {
  kvtest::Picture s(size, size, kPaper);
  TRect r(0, 0, size, size), area = r;
  b.Paint(s.c, r);
  b.GetVisibleArea(area);
  const int n = int(topLeft.size());
  EXPECT_EQ(r, TRect(n, n, size - n, size - n));
  EXPECT_EQ(area, r);
  for (int k = 0; k < n; ++k) {
    EXPECT_EQ(s.At(k, k), ColorToRGB(topLeft[size_t(k)])) << "ring " << k;
    EXPECT_EQ(s.At(size - 1 - k, size - 1 - k), ColorToRGB(bottomRight[size_t(k)])) << "ring " << k;
    EXPECT_EQ(s.At(size - 1 - k, k), ColorToRGB(bottomRight[size_t(k)])) << "ring " << k;
  }
  EXPECT_EQ(s.At(n, n), kPaper.Value);
}

}  // namespace

TEST(KvBevel, TheInitialBevelIsFourPixelsWide) {
  // Outline, raised outer bevel, lowered inner bevel, inner space.
  ExpectRings(TKvBevel(), 20, {clBlack, clBtnHighlight, clBtnShadow, clBtnFace},
              {clBlack, clBtnShadow, clBtnHighlight, clBtnFace});
}

TEST(KvBevel, RingsComeInTheirOrderFromTheOutsideIn) {
  TKvBevel b;
  b.SetBorderWidth(2);
  b.SetBorderColor(clMaroon);
  b.SetOuterOutline(TKvBevelOutlineStyle::osInner);
  b.SetOuterStyle(TKvBevelStyle::bsLowered);
  b.SetOuterWidth(2);
  b.SetOuterHighlight(clYellow);
  b.SetOuterShadow(clOlive);
  b.SetOuterSpace(1);
  b.SetOuterColor(clTeal);
  b.SetInnerOutline(TKvBevelOutlineStyle::osOuter);
  b.SetInnerStyle(TKvBevelStyle::bsRaised);
  b.SetInnerHighlight(clAqua);
  b.SetInnerShadow(clNavy);
  b.SetInnerSpace(2);
  b.SetInnerColor(clPurple);
  ExpectRings(
      b, 30,
      {clMaroon, clMaroon, clOlive, clOlive, clBlack, clTeal, clBlack, clAqua, clPurple, clPurple},
      {clMaroon, clMaroon, clYellow, clYellow, clBlack, clTeal, clBlack, clNavy, clPurple,
       clPurple});
}

TEST(KvBevel, AnInvisibleOrEmptyBevelDrawsAndReservesNothing) {
  TKvBevel hidden, empty;
  hidden.SetVisible(false);
  empty.SetOuterStyle(TKvBevelStyle::bsNone);
  empty.SetInnerStyle(TKvBevelStyle::bsNone);
  empty.SetOuterOutline(TKvBevelOutlineStyle::osNone);
  empty.SetInnerSpace(0);
  for (const TKvBevel* b : {&hidden, &empty}) {
    kvtest::Picture s(10, 10, kPaper);
    TRect r(0, 0, 10, 10);
    b->Paint(s.c, r);
    b->GetVisibleArea(r);
    EXPECT_EQ(r, TRect(0, 0, 10, 10));
    EXPECT_EQ(kvtest::CountPixels(s.Image(), kPaper), 100);
  }
}

TEST(KvBevel, HugeWidthsStopAtTheMiddleAndSaturateTheInset) {
  TKvBevel b;
  b.SetBorderWidth(INT_MAX);
  b.SetBorderColor(clRed);
  for (auto set : {&TKvBevel::SetOuterWidth, &TKvBevel::SetOuterSpace, &TKvBevel::SetInnerWidth,
                   &TKvBevel::SetInnerSpace})
    (b.*set)(INT_MAX);
  kvtest::Picture s(20, 20, kPaper);
  TRect r(0, 0, 20, 20), area = r;
  b.Paint(s.c, r);
  b.GetVisibleArea(area);
  EXPECT_EQ(r, TRect(INT_MAX, INT_MAX, INT_MIN, INT_MIN));
  EXPECT_EQ(area, r);
  for (int k = 0; k < 10; ++k)
    EXPECT_TRUE(s.At(k, k) == clRed.Value && s.At(19 - k, k) == clRed.Value);
}

// ---------------------------------------------------------------------------
// Palettes, outline and 3D font

TEST(KvPalette, ColoursByIndexAndRecolouringFromTheOriginalPixels) {
  TKvPalette palette;
  EXPECT_EQ((std::array{palette.Low().Value, palette.High().Value}), (std::array{32768, 65280}));
  EXPECT_TRUE(StreamingDefaults(TKvPalette::staticMetaObject).empty());
  EXPECT_EQ((std::array{palette.GetColor(-1), palette.GetColor(0), palette.GetColor(1)}),
            (std::array{clGreen, clGreen, clLime}));
  // Grey becomes silver; silver, judged before that, becomes lime; near colours stay.
  palette.SetLow(clSilver);
  kvtest::Picture s(4, 1, kPaper);
  const int32_t before[] = {clGray, clSilver, 0x808081};
  for (int x = 0; x < 3; ++x) s.c->SetPixels(x, 0, before[x]);
  palette.ApplyToBitmap(&s.bitmap, clGray, clSilver);
  EXPECT_EQ((std::array{s.At(0, 0), s.At(1, 0), s.At(2, 0), s.At(3, 0)}),
            (std::array{clSilver.Value, clLime.Value, 0x808081, kPaper.Value}));
}

TEST(KvPalette, TheOtherPairsAndTheOutlineHaveTheirInitialValues) {
  TKvPaletteEx pairs, copy;
  EXPECT_EQ(OwnPropertyNames(TKvPaletteEx::staticMetaObject),
            (std::vector<QByteArray>{"Low1", "High1", "Low2", "High2"}));
  EXPECT_EQ((std::array{pairs.Low1(), pairs.High1(), pairs.Low2(), pairs.High2()}),
            (std::array{clGreen, clLime, clBlack, clBlack}));
  pairs.SetHigh2(clRed);
  ChangeCounter changes(copy);
  copy.Assign(&pairs);
  EXPECT_EQ(copy.High2().Value, clRed.Value);
  EXPECT_EQ(changes.count, 1);

  const TKvTextOutline outline;
  EXPECT_EQ(outline.Color().Value, 8388608);
  EXPECT_TRUE(outline.Visible());
  EXPECT_EQ(outline.Width(), 1);
  EXPECT_EQ(
      StreamingDefaults(TKvTextOutline::staticMetaObject),
      (std::map<QByteArray, QByteArray>{{"Color", "clNavy"}, {"Visible", "true"}, {"Width", "1"}}));
}

namespace {

constexpr unsigned kCentred = DT_SINGLELINE | DT_CENTER | DT_VCENTER;

// The pixels DrawText inks in (5, 5, 45, 25) moved by (d, d).
std::vector<bool> InkAt(int d) {
  kvtest::Picture s(50, 30, kPaper);
  UseTextFont(s.c);
  s.c->Font()->SetColor(clWhite);
  s.c->Brush()->SetStyle(TBrushStyle::bsClear);
  TRect r(5 + d, 5 + d, 45 + d, 25 + d);
  DrawText(s.c, QStringLiteral("Kv"), r, kCentred);
  std::vector<bool> ink;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 50; ++x) ink.push_back(s.At(x, y) == clWhite.Value);
  return ink;
}

}  // namespace

TEST(KvFont3D, EachStyleDrawsItsCopiesUnderTheText) {
  EXPECT_EQ(StreamingDefaults(TKvFont3D::staticMetaObject),
            (std::map<QByteArray, QByteArray>{{"Style", "f3dNone"},
                                              {"HighlightColor", "clBtnHighlight"},
                                              {"ShadowColor", "clBtnShadow"},
                                              {"HighlightDepth", "1"},
                                              {"ShadowDepth", "1"}}));
  // Highlight red at depth 1, shadow blue at depth 2, the text black; layers bottom first.
  const std::pair<TKvFont3DStyle, std::vector<std::pair<int, TColor>>> cases[] = {
      {TKvFont3DStyle::f3dNone, {{0, clBlack}}},
      {TKvFont3DStyle::f3dRaised, {{2, clBlue}, {-1, clRed}, {0, clBlack}}},
      {TKvFont3DStyle::f3dSunken, {{1, clRed}, {-2, clBlue}, {0, clBlack}}},
      {TKvFont3DStyle::f3dShadow, {{2, clBlue}, {0, clBlack}}},
  };
  for (const auto& [style, layers] : cases) {
    TKvFont3D font;
    font.SetStyle(style);
    font.SetHighlightColor(clRed);
    font.SetShadowColor(clBlue);
    font.SetShadowDepth(2);
    kvtest::Picture s(50, 30, kPaper);
    UseTextFont(s.c);
    s.c->Font()->SetColor(clBlack);
    font.DrawText(s.c, TRect(5, 5, 45, 25), kCentred, QStringLiteral("Kv"));
    std::vector<int32_t> expected(50 * 30, kPaper.Value);
    for (const auto& [offset, color] : layers) {
      const std::vector<bool> ink = InkAt(offset);
      for (size_t i = 0; i < ink.size(); ++i)
        if (ink[i]) expected[i] = color;
    }
    EXPECT_SAME_PIXELS(
        s.Image(),
        kvtest::PictureOf(50, 30, [&](int x, int y) { return expected[size_t(y * 50 + x)]; }))
        << "style " << int(style);
    EXPECT_EQ(s.c->Font()->Color().Value, clBlack.Value);
  }
}

// ---------------------------------------------------------------------------
// TKvBitmaps

namespace {

std::unique_ptr<TBitmap> Picture(int w, int h, TColor color) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  b->Canvas()->Brush()->SetColor(color);
  b->Canvas()->FillRect(TRect(0, 0, w, h));
  b->Canvas()->SetPixels(0, 0, clWhite);
  return b;
}

QByteArray Int32(int32_t v) {
  QByteArray out(4, '\0');
  qToLittleEndian(v, out.data());
  return out;
}

template <class T>
QByteArray Saved(const T& object) {
  TMemoryStream s;
  object.SaveToStream(s);
  return s.Data();
}

QByteArray ListStream(int32_t count, const QByteArray& files) {
  return Int32(kv::kBitmapListSignature) + Int32(count) + files;
}

// A 54-byte file whose headers declare 2^20 x 2^20 pixels at 24 bits.
QByteArray HugeHeaderOnly() {
  return "BM" + Int32(54) + Int32(0) + Int32(54) + Int32(40) + Int32(1 << 20) + Int32(1 << 20) +
         QByteArray("\x01\x00\x18\x00", 4) + QByteArray(24, '\0');
}

void ExpectInvalidFormat(const std::function<void()>& load) {
  try {
    load();
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidGraphic&) {
    ADD_FAILURE() << "the bitmap reader's exception escaped";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Invalid file format"));
  }
}

class RecordingFiler : public TFiler {
public:
  QString name;
  TStreamProc read, write;
  bool hasData = false;
  void DefineBinaryProperty(const QString& n, TStreamProc r, TStreamProc w, bool has) override {
    name = n;
    read = std::move(r);
    write = std::move(w);
    hasData = has;
  }
};

}  // namespace

TEST(KvBitmaps, AddCopiesClearNotifiesTwiceAndDestructionSaysNothing) {
  auto list = std::make_unique<TKvBitmaps>();
  ChangeCounter changes(*list);
  const auto original = Picture(3, 2, clRed);
  EXPECT_EQ(list->Add(original.get()), 0);
  EXPECT_EQ(list->Add(original.get()), 1);
  EXPECT_EQ(changes.count, 2);
  original->Canvas()->SetPixels(1, 1, clBlue);
  EXPECT_EQ(list->Bitmaps(0)->Canvas()->Pixels(1, 1).Value, clRed.Value);
  EXPECT_THROW(list->Bitmaps(2), EListError);
  EXPECT_THROW(list->Bitmaps(-1), EListError);
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(changes.count, 4);
  list->Add(original.get());
  list.reset();
  EXPECT_EQ(changes.count, 5);
}

TEST(KvBitmaps, ThreeSavedBitmapsLoadBackByteIdentical) {
  TKvBitmaps list;
  list.Add(Picture(5, 3, clRed).get());
  auto mono = Picture(9, 4, clBlack);
  mono->SetMonochrome(true);
  list.Add(mono.get());
  list.Add(Picture(1, 7, clBtnFace).get());
  const QByteArray saved = Saved(list);
  EXPECT_EQ(saved.left(8), ListStream(3, {}));
  TKvBitmaps loaded;
  TMemoryStream stream(saved);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), saved.size());
  ASSERT_EQ(loaded.Count(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_SAME_PIXELS(loaded.Bitmaps(i)->Image(), list.Bitmaps(i)->Image()) << i;
  EXPECT_EQ(Saved(loaded), saved);
}

TEST(KvBitmaps, HostileStreamsRaiseInvalidFileFormatAndKeepWhatWasRead) {
  const QByteArray good = Saved(*Picture(4, 4, clGreen));
  QByteArray zeroSize = good, tooLong = good;
  qToLittleEndian<int32_t>(0, zeroSize.data() + 2);
  qToLittleEndian<int32_t>(int32_t(good.size()) + 100, tooLong.data() + 2);
  const std::pair<QByteArray, int> cases[] = {
      {Int32(0x00355463) + Int32(0), 0},                // wrong signature
      {Int32(kv::kBitmapListSignature), 0},             // no count
      {ListStream(-1, good), 0},                        // negative count
      {ListStream(INT_MAX, {}), 0},                     // a count the stream cannot hold
      {ListStream(2, good + zeroSize), 1},              // bfSize 0
      {ListStream(2, good + tooLong), 1},               // bfSize past the end
      {ListStream(2, good + HugeHeaderOnly()), 1},      // 2^40 pixels in 54 bytes
      {ListStream(3, good + good + good.left(30)), 2},  // truncated
  };
  for (const auto& [data, kept] : cases) {
    TKvBitmaps list;
    list.Add(Picture(2, 2, clRed).get());
    TMemoryStream stream(data);
    ExpectInvalidFormat([&] { list.LoadFromStream(stream); });
    EXPECT_EQ(list.Count(), 1 + kept) << data.toHex().left(40).constData();
    EXPECT_SAME_PIXELS(list.Bitmaps(0)->Image(), Picture(2, 2, clRed)->Image());
  }
}

TEST(KvBitmaps, FilesAppendInOneUpdateThatEndsAlsoOnFailure) {
  QTemporaryDir dir;
  const QString good = dir.filePath(QStringLiteral("list.kvb")),
                path = dir.filePath(QStringLiteral("bad.kvb"));
  TKvBitmaps saved, loaded;
  saved.Add(Picture(3, 3, clRed).get());
  saved.Add(Picture(2, 5, clBlue).get());
  saved.SaveToFile(good);
  ChangeCounter loads(loaded);
  loaded.LoadFromFile(good);
  loaded.LoadFromFile(good);
  EXPECT_EQ(loaded.Count(), 4);
  EXPECT_EQ(loads.count, 2);
  EXPECT_SAME_PIXELS(loaded.Bitmaps(3)->Image(), saved.Bitmaps(1)->Image());

  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(Int32(12345) + Int32(0));
  f.close();
  TKvBitmaps list;
  ChangeCounter changes(list);
  ExpectInvalidFormat([&] { list.LoadFromFile(path); });
  EXPECT_EQ(list.UpdateCount(), 0);
  const int afterLoad = changes.count;
  list.Add(Picture(1, 1, clRed).get());
  EXPECT_EQ(changes.count, afterLoad + 1);
  EXPECT_TRUE(QFile::remove(path));
  EXPECT_THROW(list.LoadFromFile(path), EFOpenError);
  EXPECT_EQ(list.UpdateCount(), 0);
}

TEST(KvBitmaps, AFailedSaveLeavesTheFileAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("list.kvb"));
  const TKvBitmaps small;
  small.SaveToFile(path);
  TKvBitmaps unwritable, large;
  const TBitmap empty;  // a bitmap the format cannot hold
  unwritable.Add(&empty);
  EXPECT_THROW(unwritable.SaveToFile(path), EInvalidGraphic);
  large.Add(Picture(300, 300, clRed).get());
  {
    // The disk fills up during the write.
    struct FileSizeLimit {
      rlimit saved{};
      void (*handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
      FileSizeLimit() {
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{4096, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
      }
    } limit;
    EXPECT_THROW(large.SaveToFile(path), EWriteError);
  }
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), Saved(small));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.kvb")});
}

TEST(KvBitmaps, TheBinaryPropertyIsStoredWhenThereAreBitmapsAndReplacesTheList) {
  TKvBitmaps source, target;
  RecordingFiler writer, reader;
  source.DefineProperties(writer);
  EXPECT_EQ(writer.name, QStringLiteral("Bitmaps"));
  EXPECT_FALSE(writer.hasData);
  EXPECT_EQ(Saved(source), QByteArray("\x62\x54\x35\x00\x00\x00\x00\x00", 8));
  source.Add(Picture(3, 3, clRed).get());
  source.Add(Picture(4, 1, clBlue).get());
  target.Add(Picture(7, 7, clLime).get());
  source.DefineProperties(writer);
  target.DefineProperties(reader);
  EXPECT_TRUE(writer.hasData);
  ChangeCounter written(source), read(target);
  TMemoryStream property;
  writer.write(property);
  EXPECT_EQ(property.Data(), Saved(source));
  property.SetPosition(0);
  reader.read(property);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_SAME_PIXELS(target.Bitmaps(1)->Image(), source.Bitmaps(1)->Image());
  EXPECT_EQ((std::array{written.count, read.count}), (std::array{1, 1}));
}

TEST(KvBitmaps, AssignCopiesAListInOneUpdateAndIgnoresOtherClasses) {
  TKvBitmaps source, target;
  source.Add(Picture(3, 3, clRed).get());
  source.Add(Picture(4, 1, clBlue).get());
  target.Add(Picture(7, 7, clLime).get());
  ChangeCounter changes(target);
  target.Assign(&source);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_NE(target.Bitmaps(1), source.Bitmaps(1));
  EXPECT_SAME_PIXELS(target.Bitmaps(1)->Image(), source.Bitmaps(1)->Image());
  const TKvPalette palette;
  target.Assign(&palette);
  target.Assign(&target);
  EXPECT_EQ(target.Count(), 2);
  EXPECT_EQ(changes.count, 1);
  target.Assign(nullptr);
  EXPECT_EQ(target.Count(), 0);
}

// ---------------------------------------------------------------------------
// The light-weight collection

namespace {

class Bars : public TKvCollection {
public:
  std::vector<TKvCollectionItem*> updates;
  int begins = 0;
  void BeginUpdate() override {
    ++begins;
    TKvCollection::BeginUpdate();
  }

protected:
  void Update(TKvCollectionItem* item) override { updates.push_back(item); }
};

class Bar : public TKvCollectionItem {
public:
  explicit Bar(TKvCollection* collection, std::vector<int>* freed = nullptr, int id = 0)
      : TKvCollectionItem(collection), FFreed(freed), FId(id) {}
  ~Bar() override {
    if (FFreed) FFreed->push_back(FId);
  }
  using TKvCollectionItem::Changed;

private:
  std::vector<int>* FFreed;
  int FId;
};

using Updates = std::vector<TKvCollectionItem*>;

}  // namespace

TEST(KvCollection, ClearFreesTheLastItemFirstAndUpdatesOnceAtTheEnd) {
  std::vector<int> freed;
  {
    Bars bars;
    bars.Clear();
    EXPECT_EQ(bars.begins, 0);
    EXPECT_TRUE(bars.updates.empty());
    for (int id = 1; id <= 3; ++id) new Bar(&bars, &freed, id);
    EXPECT_TRUE(bars.updates.empty());  // inserting is silent
    bars.Clear();
    EXPECT_EQ(freed, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(bars.updates, Updates{nullptr});
    EXPECT_EQ(bars.begins, 1);
    for (int id = 4; id <= 5; ++id) new Bar(&bars, &freed, id);
  }
  EXPECT_EQ(freed, (std::vector<int>{3, 2, 1, 5, 4}));  // the destructor frees the rest
}

TEST(KvCollection, IndicesAreNotRenumberedAndItemsMoveBetweenCollections) {
  Bars bars;
  auto* a = new Bar(&bars);
  auto* b = new Bar(&bars);
  auto* c = new Bar(&bars);
  EXPECT_EQ((std::array{a->Index(), b->Index(), c->Index()}), (std::array{0, 1, 2}));
  delete a;
  ASSERT_EQ(bars.Count(), 2);
  EXPECT_EQ((std::array{bars.Items(0), bars.Items(1)}), (std::array<TKvCollectionItem*, 2>{b, c}));
  EXPECT_EQ((std::array{b->Index(), c->Index()}), (std::array{1, 2}));
  EXPECT_THROW(bars.Items(bars.Count()), EListError);
  EXPECT_THROW(bars.Items(-1), EListError);

  // Moving appends to the other collection with a new index.
  Bars other;
  new Bar(&other);
  b->SetCollection(&bars);
  EXPECT_EQ(bars.Count(), 2);
  b->SetCollection(&other);
  EXPECT_EQ(bars.Count(), 1);
  ASSERT_EQ(other.Count(), 2);
  EXPECT_EQ(other.Items(1), b);
  EXPECT_EQ(b->Collection(), &other);
  EXPECT_EQ(b->Index(), 1);
  b->SetCollection(nullptr);
  EXPECT_EQ(other.Count(), 1);
  delete b;
}

TEST(KvCollection, ItemChangesReachUpdateOutsideAnUpdateEvenAfterAnExtraEndUpdate) {
  Bars bars;
  auto* bar = new Bar(&bars);
  bars.EndUpdate();  // without BeginUpdate
  EXPECT_EQ(bars.UpdateCount(), 0);
  bar->Changed(false);
  bar->Changed(true);
  bars.BeginUpdate();
  bar->Changed(false);
  bars.EndUpdate();
  EXPECT_EQ(bars.updates, (Updates{nullptr, bar, nullptr, nullptr}));
}
