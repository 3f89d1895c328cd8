// Style objects that group related settings of a control (a two-ring bevel, colour pairs,
// a text outline, 3D text, a list of bitmaps) and a light-weight owned collection.
//
// A control owns each of its style objects, connects their OnChange to a handler of its
// own and publishes them as nested properties; setting the nested property copies the
// given object into the owned one (Assign), which the owner hears as one change.
#pragma once

#include "KvExport.h"

#include "Classes.h"
#include "Graphics.h"
#include "KvControls.h"

#include <QMetaEnum>
#include <QObject>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace KvClasses {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvBevelStyle { bsNone, bsLowered, bsRaised };
Q_ENUM_NS(TKvBevelStyle)
using enum TKvBevelStyle;
enum class TKvBevelOutlineStyle { osOuter, osInner, osNone };
Q_ENUM_NS(TKvBevelOutlineStyle)
using enum TKvBevelOutlineStyle;
enum class TKvFont3DStyle { f3dNone, f3dRaised, f3dSunken, f3dShadow };
Q_ENUM_NS(TKvFont3DStyle)
using enum TKvFont3DStyle;

}  // namespace KvClasses

using KvClasses::TKvBevelOutlineStyle;
using KvClasses::TKvBevelStyle;
using KvClasses::TKvFont3DStyle;

using TKvBorderWidth = TKvRange<0, 2147483647>;
using TKvBevelWidth = TKvRange<1, 2147483647>;
using TKvBevelSpace = TKvRange<0, 2147483647>;

namespace kv {

// A nesting update count that never goes below 0.
class KV_EXPORT UpdateLock {
public:
  void Enter() {
    if (FCount < std::numeric_limits<int>::max()) ++FCount;
  }
  void Leave() {
    if (FCount > 0) --FCount;
  }
  bool Locked() const { return FCount > 0; }
  int Count() const { return FCount; }

private:
  int FCount = 0;
};

}  // namespace kv

// ---------------------------------------------------------------------------

// Base of the style objects: an update lock and the change event.
class KV_EXPORT TKvPersistent : public QObject, public TPersistent {
  Q_OBJECT
public:
  TKvPersistent() = default;
  void BeginUpdate();
  // Unlocks (never below 0), then reports a change.
  void EndUpdate();
  int UpdateCount() const { return FUpdateLock.Count(); }

signals:
  void OnChange(TObject* Sender);
  // The NOTIFY signal of every published property (bindings follow it), after OnChange.
  void PropertyChanged();

protected:
  // Fires OnChange, then PropertyChanged, unless an update is in progress.
  void Changed();

  // The setters' rule: a different value is stored and reported, an equal one ignored.
  template <class T>
  void SetValue(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  // Values outside the range type are refused.
  template <class Range>
  void SetRanged(int& field, int value) {
    if (Range::Contains(value)) SetValue(field, value);
  }
  // Values that are not of the enumeration are refused.
  template <class E>
  void SetEnum(E& field, E value) {
    if (QMetaEnum::fromType<E>().valueToKey(int(value))) SetValue(field, value);
  }
  // Runs Change between BeginUpdate and EndUpdate, which also runs when Change raises: one
  // change reported, whatever Change sets.
  void WithinUpdate(const std::function<void()>& change);
  // Copies Data from a Source of class C inside one update; false for another class.
  template <class C, class D>
  bool AssignData(const TPersistent* source, D C::*data) {
    const auto* same = dynamic_cast<const C*>(source);
    if (!same) return false;
    WithinUpdate([&] { static_cast<C*>(this)->*data = same->*data; });
    return true;
  }

private:
  kv::UpdateLock FUpdateLock;
};

// A frame of up to nine rings drawn from the outside in: a plain border, an outline, the
// outer bevel, an outline, a plain space, an outline, the inner bevel, an outline and a
// plain space.
class KV_EXPORT TKvBevel : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth NOTIFY PropertyChanged)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor NOTIFY PropertyChanged)
  Q_PROPERTY(TColor InnerShadow READ InnerShadow WRITE SetInnerShadow NOTIFY PropertyChanged)
  Q_PROPERTY(TColor InnerHighlight READ InnerHighlight WRITE SetInnerHighlight
             NOTIFY PropertyChanged)
  Q_PROPERTY(int InnerWidth READ InnerWidth WRITE SetInnerWidth NOTIFY PropertyChanged)
  Q_PROPERTY(KvClasses::TKvBevelStyle InnerStyle READ InnerStyle WRITE SetInnerStyle
             NOTIFY PropertyChanged)
  Q_PROPERTY(KvClasses::TKvBevelOutlineStyle InnerOutline READ InnerOutline WRITE SetInnerOutline
             NOTIFY PropertyChanged)
  Q_PROPERTY(int InnerSpace READ InnerSpace WRITE SetInnerSpace NOTIFY PropertyChanged)
  Q_PROPERTY(TColor InnerColor READ InnerColor WRITE SetInnerColor NOTIFY PropertyChanged)
  Q_PROPERTY(TColor OuterShadow READ OuterShadow WRITE SetOuterShadow NOTIFY PropertyChanged)
  Q_PROPERTY(TColor OuterHighlight READ OuterHighlight WRITE SetOuterHighlight
             NOTIFY PropertyChanged)
  Q_PROPERTY(int OuterWidth READ OuterWidth WRITE SetOuterWidth NOTIFY PropertyChanged)
  Q_PROPERTY(KvClasses::TKvBevelStyle OuterStyle READ OuterStyle WRITE SetOuterStyle
             NOTIFY PropertyChanged)
  Q_PROPERTY(KvClasses::TKvBevelOutlineStyle OuterOutline READ OuterOutline WRITE SetOuterOutline
             NOTIFY PropertyChanged)
  Q_PROPERTY(int OuterSpace READ OuterSpace WRITE SetOuterSpace NOTIFY PropertyChanged)
  Q_PROPERTY(TColor OuterColor READ OuterColor WRITE SetOuterColor NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
  Q_CLASSINFO("default.BorderWidth", "0")
  Q_CLASSINFO("default.BorderColor", "clBtnFace")
  Q_CLASSINFO("default.InnerOutline", "osNone")
  Q_CLASSINFO("default.OuterWidth", "1")
  Q_CLASSINFO("default.OuterSpace", "0")
  Q_CLASSINFO("default.OuterColor", "clBtnFace")
  Q_CLASSINFO("default.Visible", "true")
public:
  TKvBevel() = default;

  int BorderWidth() const { return F.BorderWidth; }
  void SetBorderWidth(int v) { SetRanged<TKvBorderWidth>(F.BorderWidth, v); }
  TColor BorderColor() const { return F.BorderColor; }
  void SetBorderColor(TColor v) { SetValue(F.BorderColor, v); }
  TColor InnerShadow() const { return F.InnerShadow; }
  void SetInnerShadow(TColor v) { SetValue(F.InnerShadow, v); }
  TColor InnerHighlight() const { return F.InnerHighlight; }
  void SetInnerHighlight(TColor v) { SetValue(F.InnerHighlight, v); }
  int InnerWidth() const { return F.InnerWidth; }
  void SetInnerWidth(int v) { SetRanged<TKvBevelWidth>(F.InnerWidth, v); }
  TKvBevelStyle InnerStyle() const { return F.InnerStyle; }
  void SetInnerStyle(TKvBevelStyle v) { SetEnum(F.InnerStyle, v); }
  TKvBevelOutlineStyle InnerOutline() const { return F.InnerOutline; }
  void SetInnerOutline(TKvBevelOutlineStyle v) { SetEnum(F.InnerOutline, v); }
  int InnerSpace() const { return F.InnerSpace; }
  void SetInnerSpace(int v) { SetRanged<TKvBevelSpace>(F.InnerSpace, v); }
  TColor InnerColor() const { return F.InnerColor; }
  void SetInnerColor(TColor v) { SetValue(F.InnerColor, v); }
  TColor OuterShadow() const { return F.OuterShadow; }
  void SetOuterShadow(TColor v) { SetValue(F.OuterShadow, v); }
  TColor OuterHighlight() const { return F.OuterHighlight; }
  void SetOuterHighlight(TColor v) { SetValue(F.OuterHighlight, v); }
  int OuterWidth() const { return F.OuterWidth; }
  void SetOuterWidth(int v) { SetRanged<TKvBevelWidth>(F.OuterWidth, v); }
  TKvBevelStyle OuterStyle() const { return F.OuterStyle; }
  void SetOuterStyle(TKvBevelStyle v) { SetEnum(F.OuterStyle, v); }
  TKvBevelOutlineStyle OuterOutline() const { return F.OuterOutline; }
  void SetOuterOutline(TKvBevelOutlineStyle v) { SetEnum(F.OuterOutline, v); }
  int OuterSpace() const { return F.OuterSpace; }
  void SetOuterSpace(int v) { SetRanged<TKvBevelSpace>(F.OuterSpace, v); }
  TColor OuterColor() const { return F.OuterColor; }
  void SetOuterColor(TColor v) { SetValue(F.OuterColor, v); }
  bool Visible() const { return F.Visible; }
  void SetVisible(bool v) { SetValue(F.Visible, v); }

  // Draws the bevel into Rect and leaves Rect inset to the area inside it. Rings stop once
  // the area is empty; the inset saturates.
  void Paint(TCanvas* Canvas, TRect& Rect) const;
  // Insets Rect as Paint would, without drawing.
  void GetVisibleArea(TRect& Rect) const;
  void Assign(const TPersistent* source) override;

private:
  // The width of every ring together, 0 when the bevel is not visible.
  int64_t TotalWidth() const;

  struct Settings {
    int BorderWidth = 0;
    TColor BorderColor = clBtnFace;
    TColor InnerShadow = clBtnShadow;
    TColor InnerHighlight = clBtnHighlight;
    int InnerWidth = 1;
    TKvBevelStyle InnerStyle = TKvBevelStyle::bsLowered;
    TKvBevelOutlineStyle InnerOutline = TKvBevelOutlineStyle::osNone;
    int InnerSpace = 1;
    TColor InnerColor = clBtnFace;
    TColor OuterShadow = clBtnShadow;
    TColor OuterHighlight = clBtnHighlight;
    int OuterWidth = 1;
    TKvBevelStyle OuterStyle = TKvBevelStyle::bsRaised;
    TKvBevelOutlineStyle OuterOutline = TKvBevelOutlineStyle::osOuter;
    int OuterSpace = 0;
    TColor OuterColor = clBtnFace;
    bool Visible = true;
  } F;
};

// The colours of an element in its off (Low) and on (High) state.
class KV_EXPORT TKvPalette : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(TColor Low READ Low WRITE SetLow NOTIFY PropertyChanged)
  Q_PROPERTY(TColor High READ High WRITE SetHigh NOTIFY PropertyChanged)
public:
  TKvPalette() = default;
  TColor Low() const { return F.Low; }
  void SetLow(TColor v) { SetValue(F.Low, v); }
  TColor High() const { return F.High; }
  void SetHigh(TColor v) { SetValue(F.High, v); }

  // Low for Index <= 0, otherwise High.
  virtual TColor GetColor(int Index) const;
  // Recolours Bitmap in place: pixels of exactly OffColor become Low, pixels of exactly
  // OnColor become High, both judged on the pixels as they were before the call.
  void ApplyToBitmap(TBitmap* Bitmap, TColor OffColor, TColor OnColor) const;
  void Assign(const TPersistent* source) override;

private:
  struct Settings {
    TColor Low = clGreen;
    TColor High = clLime;
  } F;
};

// Two colour pairs for a gradient face: Low1 to Low2 when off, High1 to High2 when on.
class KV_EXPORT TKvPaletteEx : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(TColor Low1 READ Low1 WRITE SetLow1 NOTIFY PropertyChanged)
  Q_PROPERTY(TColor High1 READ High1 WRITE SetHigh1 NOTIFY PropertyChanged)
  Q_PROPERTY(TColor Low2 READ Low2 WRITE SetLow2 NOTIFY PropertyChanged)
  Q_PROPERTY(TColor High2 READ High2 WRITE SetHigh2 NOTIFY PropertyChanged)
public:
  TKvPaletteEx() = default;
  TColor Low1() const { return F.Low1; }
  void SetLow1(TColor v) { SetValue(F.Low1, v); }
  TColor High1() const { return F.High1; }
  void SetHigh1(TColor v) { SetValue(F.High1, v); }
  TColor Low2() const { return F.Low2; }
  void SetLow2(TColor v) { SetValue(F.Low2, v); }
  TColor High2() const { return F.High2; }
  void SetHigh2(TColor v) { SetValue(F.High2, v); }
  void Assign(const TPersistent* source) override;

private:
  struct Settings {
    TColor Low1 = clGreen;
    TColor High1 = clLime;
    TColor Low2 = clBlack;
    TColor High2 = clBlack;
  } F;
};

// The settings of an outline around text; the controls that use it draw it.
class KV_EXPORT TKvTextOutline : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
  Q_PROPERTY(int Width READ Width WRITE SetWidth NOTIFY PropertyChanged)
  Q_CLASSINFO("default.Color", "clNavy")
  Q_CLASSINFO("default.Visible", "true")
  Q_CLASSINFO("default.Width", "1")
public:
  TKvTextOutline() = default;
  TColor Color() const { return F.Color; }
  void SetColor(TColor v) { SetValue(F.Color, v); }
  bool Visible() const { return F.Visible; }
  void SetVisible(bool v) { SetValue(F.Visible, v); }
  int Width() const { return F.Width; }
  void SetWidth(int v) { SetValue(F.Width, v); }
  void Assign(const TPersistent* source) override;

private:
  struct Settings {
    TColor Color = clNavy;
    bool Visible = true;
    int Width = 1;
  } F;
};

// Raised, sunken or shadowed text.
class KV_EXPORT TKvFont3D : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(KvClasses::TKvFont3DStyle Style READ Style WRITE SetStyle NOTIFY PropertyChanged)
  Q_PROPERTY(TColor HighlightColor READ HighlightColor WRITE SetHighlightColor
             NOTIFY PropertyChanged)
  Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor NOTIFY PropertyChanged)
  Q_PROPERTY(int HighlightDepth READ HighlightDepth WRITE SetHighlightDepth NOTIFY PropertyChanged)
  Q_PROPERTY(int ShadowDepth READ ShadowDepth WRITE SetShadowDepth NOTIFY PropertyChanged)
  Q_CLASSINFO("default.Style", "f3dNone")
  Q_CLASSINFO("default.HighlightColor", "clBtnHighlight")
  Q_CLASSINFO("default.ShadowColor", "clBtnShadow")
  Q_CLASSINFO("default.HighlightDepth", "1")
  Q_CLASSINFO("default.ShadowDepth", "1")
public:
  TKvFont3D() = default;
  TKvFont3DStyle Style() const { return F.Style; }
  void SetStyle(TKvFont3DStyle v) { SetEnum(F.Style, v); }
  TColor HighlightColor() const { return F.HighlightColor; }
  void SetHighlightColor(TColor v) { SetValue(F.HighlightColor, v); }
  TColor ShadowColor() const { return F.ShadowColor; }
  void SetShadowColor(TColor v) { SetValue(F.ShadowColor, v); }
  int HighlightDepth() const { return F.HighlightDepth; }
  void SetHighlightDepth(int v) { SetValue(F.HighlightDepth, v); }
  int ShadowDepth() const { return F.ShadowDepth; }
  void SetShadowDepth(int v) { SetValue(F.ShadowDepth, v); }

  // Draws Text in Rect with the DT_ Format flags in the chosen style, with a clear brush;
  // the font colour is the same afterwards.
  void DrawText(TCanvas* Canvas, const TRect& Rect, unsigned Format, const QString& Text) const;
  void Assign(const TPersistent* source) override;

private:
  struct Settings {
    TKvFont3DStyle Style = TKvFont3DStyle::f3dNone;
    TColor HighlightColor = clBtnHighlight;
    TColor ShadowColor = clBtnShadow;
    int HighlightDepth = 1;
    int ShadowDepth = 1;
  } F;
};

// An owned list of bitmaps, stored in form descriptions as the binary property "Bitmaps".
// Its stream: the signature, the count (both 32-bit little-endian) and that many BMP files
// back to back. A stream that breaks these rules raises "Invalid file format"; the bitmaps
// read before the fault stay in the list.
class KV_EXPORT TKvBitmaps : public TKvPersistent {
  Q_OBJECT
public:
  TKvBitmaps() = default;
  // Says nothing to OnChange while freeing the bitmaps.
  ~TKvBitmaps() override;

  int Count() const { return int(FBitmaps.size()); }
  // Raises EListError for an index outside 0..Count-1.
  TBitmap* Bitmaps(int Index) const;
  // Appends a copy of Bitmap; returns its index.
  int Add(const TBitmap* Bitmap);
  // Frees every bitmap; outside an update the owner hears of it twice.
  void Clear();
  // None: Clear. A bitmap list: a copy of each of its bitmaps. Other classes: nothing.
  void Assign(const TPersistent* Source) override;

  // Appends the bitmaps of the stream to the list.
  virtual void LoadFromStream(TStream& Stream);
  // Writes nothing to Stream unless every bitmap can be written.
  virtual void SaveToStream(TStream& Stream) const;
  // LoadFromStream inside one update.
  virtual void LoadFromFile(const QString& FileName);
  // Replaces the file only once the whole list is written.
  virtual void SaveToFile(const QString& FileName) const;

  void DefineProperties(TFiler& Filer) override;

private:
  void ReadBitmaps(TStream& stream);
  void WriteBitmaps(TStream& stream);

  std::vector<std::unique_ptr<TBitmap>> FBitmaps;
};

// ---------------------------------------------------------------------------
// The light-weight collection: an owned list of items that a control builds at run time
// and never streams. Changes reach the owner through the collection's Update.

class TKvCollection;

// An item of a light-weight collection: built by a control at run time, never stored.
class KV_EXPORT TKvCollectionItem : public TObject {
public:
  // Joins Collection (if any).
  explicit TKvCollectionItem(TKvCollection* Collection);
  // Leaves its collection.
  ~TKvCollectionItem() override;
  TKvCollectionItem(const TKvCollectionItem&) = delete;
  TKvCollectionItem& operator=(const TKvCollectionItem&) = delete;

  TKvCollection* Collection() const { return FCollection; }
  // Leaves the current collection and joins Value (either may be none).
  void SetCollection(TKvCollection* Value);
  // The item's position in the list when it was inserted; not renumbered on removals.
  int Index() const { return FIndex; }

protected:
  // Tells the collection, unless it is updating: everything (AllItems) or this item changed.
  void Changed(bool AllItems);

private:
  friend class TKvCollection;
  TKvCollection* FCollection = nullptr;
  int FIndex = 0;
};

// A light-weight collection: an owned list of items whose changes reach the owner through
// Update.
class KV_EXPORT TKvCollection : public TObject {
public:
  TKvCollection() = default;
  // Frees the items, last first, without calling Update.
  ~TKvCollection() override;
  TKvCollection(const TKvCollection&) = delete;
  TKvCollection& operator=(const TKvCollection&) = delete;

  int Count() const { return int(FItems.size()); }
  // Raises EListError for an index outside 0..Count-1.
  TKvCollectionItem* Items(int Index) const;
  // Frees every item, last first, inside one update.
  void Clear();
  int UpdateCount() const { return FUpdateLock.Count(); }

protected:
  // An item (or, with none, everything) changed; the base does nothing.
  virtual void Update(TKvCollectionItem* Item);

public:
  virtual void BeginUpdate();
  // Unlocks (never below 0), then reports a change.
  virtual void EndUpdate();

protected:
  // Update(none) unless an update is in progress.
  void Changed();

private:
  friend class TKvCollectionItem;
  void InsertItem(TKvCollectionItem* item);
  void RemoveItem(TKvCollectionItem* item);

  // Owned. Not unique_ptr: an item may move to another collection, and an item freed by
  // its user leaves the list from its destructor.
  std::vector<TKvCollectionItem*> FItems;
  kv::UpdateLock FUpdateLock;
};
