#include "KvClasses.h"

#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QSaveFile>
#include <QtEndian>

#include <algorithm>

using kv::Exception, kv::Format, kv::OffsetRect, kv::Rect;

// ---------------------------------------------------------------------------
// TKvPersistent

void TKvPersistent::BeginUpdate() { FUpdateLock.Enter(); }

void TKvPersistent::WithinUpdate(const std::function<void()>& change) {
  kv::WithinUpdate(*this, change);
}

void TKvPersistent::EndUpdate() {
  FUpdateLock.Leave();
  Changed();
}

void TKvPersistent::Changed() {
  if (FUpdateLock.Locked()) return;
  kv::EmitInTurn(
      this, [&] { emit OnChange(this); }, [&] { emit PropertyChanged(); });
}

// ---------------------------------------------------------------------------
// TKvBevel

void TKvBevel::Paint(TCanvas* Canvas, TRect& Rect) const {
  if (!F.Visible) return;
  auto plain = [&](TColor color, int width) { DrawFrame3D(Canvas, Rect, color, color, width); };
  auto outline = [&](TKvBevelOutlineStyle style, TKvBevelOutlineStyle here) {
    if (style == here) plain(clBlack, 1);
  };
  auto bevel = [&](TKvBevelStyle style, TColor highlight, TColor shadow, int width) {
    if (style == TKvBevelStyle::bsNone) return;
    const bool raised = style == TKvBevelStyle::bsRaised;
    DrawFrame3D(Canvas, Rect, raised ? highlight : shadow, raised ? shadow : highlight, width);
  };
  plain(F.BorderColor, F.BorderWidth);
  outline(F.OuterOutline, TKvBevelOutlineStyle::osOuter);
  bevel(F.OuterStyle, F.OuterHighlight, F.OuterShadow, F.OuterWidth);
  outline(F.OuterOutline, TKvBevelOutlineStyle::osInner);
  plain(F.OuterColor, F.OuterSpace);
  outline(F.InnerOutline, TKvBevelOutlineStyle::osOuter);
  bevel(F.InnerStyle, F.InnerHighlight, F.InnerShadow, F.InnerWidth);
  outline(F.InnerOutline, TKvBevelOutlineStyle::osInner);
  plain(F.InnerColor, F.InnerSpace);
}

int64_t TKvBevel::TotalWidth() const {
  if (!F.Visible) return 0;
  int64_t width = int64_t(F.BorderWidth) + F.OuterSpace + F.InnerSpace;
  width += F.OuterOutline != TKvBevelOutlineStyle::osNone;
  width += F.InnerOutline != TKvBevelOutlineStyle::osNone;
  if (F.OuterStyle != TKvBevelStyle::bsNone) width += F.OuterWidth;
  if (F.InnerStyle != TKvBevelStyle::bsNone) width += F.InnerWidth;
  return width;
}

void TKvBevel::GetVisibleArea(TRect& Rect) const {
  const int64_t inset = TotalWidth();
  Rect = TRect(kv::SaturateToInt(Rect.Left + inset), kv::SaturateToInt(Rect.Top + inset),
               kv::SaturateToInt(Rect.Right - inset), kv::SaturateToInt(Rect.Bottom - inset));
}

void TKvBevel::Assign(const TPersistent* source) {
  if (!AssignData(source, &TKvBevel::F)) TKvPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
// Palettes, outline, 3D font

TColor TKvPalette::GetColor(int Index) const { return Index <= 0 ? F.Low : F.High; }

void TKvPalette::ApplyToBitmap(TBitmap* Bitmap, TColor OffColor, TColor OnColor) const {
  if (!Bitmap || Bitmap->Empty()) return;
  const kv::ColorReplacement replacements[] = {{OffColor, F.Low}, {OnColor, F.High}};
  Bitmap->Canvas()->ReplaceColors(BitmapRect(Bitmap), replacements);
}

void TKvPalette::Assign(const TPersistent* source) {
  if (!AssignData(source, &TKvPalette::F)) TKvPersistent::Assign(source);
}

void TKvPaletteEx::Assign(const TPersistent* source) {
  if (!AssignData(source, &TKvPaletteEx::F)) TKvPersistent::Assign(source);
}

void TKvTextOutline::Assign(const TPersistent* source) {
  if (!AssignData(source, &TKvTextOutline::F)) TKvPersistent::Assign(source);
}

void TKvFont3D::DrawText(TCanvas* Canvas, const TRect& Rect, unsigned Format,
                         const QString& Text) const {
  const int highlight = F.HighlightDepth, shadow = F.ShadowDepth;
  const int highlightBack = kv::SatSub(0, highlight), shadowBack = kv::SatSub(0, shadow);
  std::vector<kv::TextLayer> layers;
  switch (F.Style) {
    case TKvFont3DStyle::f3dNone: break;
    case TKvFont3DStyle::f3dRaised:
      layers = {{shadow, shadow, F.ShadowColor}, {highlightBack, highlightBack, F.HighlightColor}};
      break;
    case TKvFont3DStyle::f3dSunken:
      layers = {{highlight, highlight, F.HighlightColor}, {shadowBack, shadowBack, F.ShadowColor}};
      break;
    case TKvFont3DStyle::f3dShadow: layers = {{shadow, shadow, F.ShadowColor}}; break;
  }
  kv::DrawTextLayers(Canvas, layers, [&](int dx, int dy) {
    TRect r = Rect;
    OffsetRect(r, dx, dy);
    kv::DrawText(Canvas, Text, r, Format);
  });
}

void TKvFont3D::Assign(const TPersistent* source) {
  if (!AssignData(source, &TKvFont3D::F)) TKvPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
// TKvBitmaps

namespace {

[[noreturn]] void InvalidFormat() { throw Exception(QStringLiteral("Invalid file format")); }

int32_t ReadInt32(TStream& stream) {
  uchar bytes[4] = {};
  if (stream.Read(bytes, 4) != 4) InvalidFormat();
  return qFromLittleEndian<int32_t>(bytes);
}

void WriteInt32(TStream& stream, int32_t value) {
  uchar bytes[4] = {};
  qToLittleEndian(value, bytes);
  stream.WriteBuffer(bytes, 4);
}

}  // namespace

TKvBitmaps::~TKvBitmaps() { disconnect(this, &TKvPersistent::OnChange, nullptr, nullptr); }

TBitmap* TKvBitmaps::Bitmaps(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
  return FBitmaps[size_t(Index)].get();
}

int TKvBitmaps::Add(const TBitmap* Bitmap) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(Bitmap);
  FBitmaps.push_back(std::move(copy));
  Changed();
  return Count() - 1;
}

void TKvBitmaps::Clear() {
  kv::WithinUpdate(*this, [&] { FBitmaps.clear(); });
  Changed();
}

void TKvBitmaps::Assign(const TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  const auto* other = dynamic_cast<const TKvBitmaps*>(Source);
  if (!other || other == this) return;
  kv::WithinUpdate(*this, [&] {
    Clear();
    for (const auto& bitmap : other->FBitmaps) Add(bitmap.get());
  });
}

// The bitmap reader checks each file against the bytes the stream still holds, its
// headers, depth, compression, colour table, row data and a pixel budget, and consumes
// exactly the size the file declares; whatever it rejects is a bad list stream.
void TKvBitmaps::LoadFromStream(TStream& Stream) {
  if (ReadInt32(Stream) != kv::kBitmapListSignature) InvalidFormat();
  const int32_t count = ReadInt32(Stream);
  if (count < 0) InvalidFormat();
  const kv::PixelBudgetScope pictures;
  // Each file takes at least its headers, so a count larger than the stream can hold
  // ends at the first missing file.
  for (int32_t i = 0; i < count; ++i) {
    TBitmap bitmap;
    try {
      bitmap.LoadFromStream(Stream);
    } catch (const Exception&) {
      InvalidFormat();
    }
    Add(&bitmap);
  }
}

void TKvBitmaps::SaveToStream(TStream& Stream) const {
  TMemoryStream encoded;
  WriteInt32(encoded, kv::kBitmapListSignature);
  WriteInt32(encoded, Count());
  for (const auto& bitmap : FBitmaps) bitmap->SaveToStream(encoded);
  encoded.SaveToStream(Stream);
}

void TKvBitmaps::LoadFromFile(const QString& FileName) {
  TFileStream stream(FileName, TFileMode::fmOpenRead);
  kv::WithinUpdate(*this, [&] { LoadFromStream(stream); });
}

// Written to a temporary file next to the target, which replaces the target only when
// everything has been written: a failed save leaves the old file as it was.
void TKvBitmaps::SaveToFile(const QString& FileName) const {
  TMemoryStream encoded;
  SaveToStream(encoded);
  QSaveFile file(FileName);
  if (!file.open(QIODevice::WriteOnly))
    throw EFOpenError(
        QStringLiteral("Cannot create file \"%1\". %2").arg(FileName, file.errorString()));
  if (file.write(encoded.Data()) != encoded.Size() || !file.commit())
    throw EWriteError(
        QStringLiteral("Cannot write file \"%1\". %2").arg(FileName, file.errorString()));
}

void TKvBitmaps::DefineProperties(TFiler& Filer) {
  TKvPersistent::DefineProperties(Filer);
  Filer.DefineBinaryProperty(
      QStringLiteral("Bitmaps"), [this](TStream& stream) { ReadBitmaps(stream); },
      [this](TStream& stream) { WriteBitmaps(stream); }, Count() > 0);
}

void TKvBitmaps::ReadBitmaps(TStream& stream) {
  kv::WithinUpdate(*this, [&] {
    Clear();
    LoadFromStream(stream);
  });
}

void TKvBitmaps::WriteBitmaps(TStream& stream) {
  kv::WithinUpdate(*this, [&] { SaveToStream(stream); });
}

// ---------------------------------------------------------------------------
// The light-weight collection

TKvCollectionItem::TKvCollectionItem(TKvCollection* Collection) { SetCollection(Collection); }

TKvCollectionItem::~TKvCollectionItem() { SetCollection(nullptr); }

void TKvCollectionItem::SetCollection(TKvCollection* Value) {
  if (Value == FCollection) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

void TKvCollectionItem::Changed(bool AllItems) {
  if (FCollection && !FCollection->FUpdateLock.Locked())
    FCollection->Update(AllItems ? nullptr : this);
}

TKvCollection::~TKvCollection() {
  FUpdateLock.Enter();  // no Update calls while tearing down
  Clear();
}

TKvCollectionItem* TKvCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
  return FItems[size_t(Index)];
}

void TKvCollection::Clear() {
  if (FItems.empty()) return;
  kv::WithinUpdate(*this, [&] {
    while (!FItems.empty()) {
      // Detached before it is freed, so its destructor finds no collection to leave.
      const std::unique_ptr<TKvCollectionItem> item(FItems.back());
      RemoveItem(item.get());
    }
  });
}

void TKvCollection::Update(TKvCollectionItem*) {}

void TKvCollection::BeginUpdate() { FUpdateLock.Enter(); }

void TKvCollection::EndUpdate() {
  FUpdateLock.Leave();
  Changed();
}

void TKvCollection::Changed() {
  if (!FUpdateLock.Locked()) Update(nullptr);
}

void TKvCollection::InsertItem(TKvCollectionItem* item) {
  FItems.push_back(item);
  item->FIndex = Count() - 1;
  item->FCollection = this;
}

void TKvCollection::RemoveItem(TKvCollectionItem* item) {
  std::erase(FItems, item);
  item->FCollection = nullptr;
}
