// Object model, components, collections, streams and the basic geometry types.
#pragma once

#include "KvExport.h"

#include "SysUtils.h"

#include <QByteArray>
#include <QFile>
#include <QFlags>
#include <QMetaEnum>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// ---------------------------------------------------------------------------
// Geometry. Rectangles exclude their right and bottom edges.

struct KV_EXPORT TPoint {
  int X = 0;
  int Y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(int x, int y) : X(x), Y(y) {}
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct KV_EXPORT TSize {
  int cx = 0;
  int cy = 0;
  friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

struct KV_EXPORT TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

namespace kv {

constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Rect(int l, int t, int r, int b) { return {l, t, r, b}; }
constexpr TRect Bounds(int l, int t, int w, int h) {
  return {l, t, kv::SatAdd(l, w), kv::SatAdd(t, h)};
}
KV_EXPORT void InflateRect(TRect& r, int dx, int dy);
KV_EXPORT void OffsetRect(TRect& r, int dx, int dy);
constexpr bool PtInRect(const TRect& r, TPoint p) {
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}
constexpr bool IsRectEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
// Returns false (and an empty Dest) when the rectangles do not meet.
KV_EXPORT bool IntersectRect(TRect& dest, const TRect& a, const TRect& b);

inline TRect FromQRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }
inline QPoint ToQPoint(TPoint p) { return QPoint(p.X, p.Y); }
inline TPoint FromQPoint(QPoint p) { return {p.x(), p.y()}; }
}  // namespace kv

// ---------------------------------------------------------------------------
// Object model

class TFiler;
class TComponent;

// Root of the framework's classes. Not a QObject: classes that publish properties or
// fire events add QObject as their first base.
class KV_EXPORT TObject {
public:
  virtual ~TObject() = default;
  QString ClassName() const;
};

// An object whose settings can be copied (Assign) and stored in form descriptions.
class KV_EXPORT TPersistent : public TObject {
public:
  // Copies Source into this object; the base raises EConvertError
  // ("Cannot assign a X to a Y") through AssignTo.
  virtual void Assign(const TPersistent* source);
  // Binary properties a class stores itself (form descriptions).
  virtual void DefineProperties(TFiler& filer);
  virtual TPersistent* GetOwner() const { return nullptr; }

protected:
  virtual void AssignTo(TPersistent* dest) const;
};

namespace kv {

// Raised for an Assign between unrelated classes.
[[noreturn]] KV_EXPORT void RaiseCannotAssign(const TObject* source, const TObject* dest);
// True for a value that names one of the enumeration's values: setters refuse others.
template <class E>
bool IsEnumValue(E value) {
  // Found once: a setter asks at every call, and finding an enumeration goes by its name.
  static const QMetaEnum kEnum = QMetaEnum::fromType<E>();
  return kEnum.valueToKey(int(value)) != nullptr;
}

}  // namespace kv

class TStream;

// Binary-property hook of form descriptions: a component defines its own binary
// payloads ("Bitmaps", "RgnData") and the reader or writer calls back.
class KV_EXPORT TFiler {
public:
  using TStreamProc = std::function<void(TStream&)>;
  virtual ~TFiler() = default;
  virtual void DefineBinaryProperty(const QString& name, TStreamProc readData,
                                    TStreamProc writeData, bool hasData) = 0;
};

// ---------------------------------------------------------------------------
// Components

enum class TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,
};
Q_DECLARE_FLAGS(TComponentState, TComponentStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComponentState)

enum class TOperation { opInsert, opRemove };

// Owner, name, state and the end-of-loading notification. The owner frees what it owns,
// last to first; a destroyed component leaves its owner and tells the owner's components
// and its free-notification subscribers (opRemove).
class KV_EXPORT TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const QString& Name() const { return FName; }
  virtual void SetName(const QString& name);
  int ComponentCount() const { return int(FComponents.size()); }
  TComponent* Components(int index) const;
  // The owned component with this name (case-insensitive), or none.
  TComponent* FindComponent(const QString& name) const;

  TComponentState ComponentState() const { return FComponentState; }
  bool IsLoadingState() const { return FComponentState.testFlag(TComponentStateFlag::csLoading); }

  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last to first.
  void DestroyComponents();

  // The QObject side of this component (its properties and signals), or none.
  QObject* AsQObject();
  const QObject* AsQObject() const;

  // Loading protocol: set csLoading (see kv::LoadingScope).
  void SetLoadingState(bool loading);
  virtual void Loaded();

protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // Marks this component and its owned ones as being destroyed.
  void Destroying();
  // The first half of destruction, while the most derived framework class is still
  // whole: state, free notifications, owned components, leaving the owner. Idempotent;
  // the framework's control and component bases call it from their destructors.
  void BeginDestruction();
  // Design state is never set at run time; descendants only test it.
  void SetDesigning(bool designing);

private:
  friend class TComponentAccess;
  void SetOwnerLink(TComponent* owner) { FOwner = owner; }
  void RemoveNotification(TComponent* component);

  TComponent* FOwner = nullptr;
  QString FName;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  bool FDestructionBegun = false;
};

namespace kv {

// Runs the loading protocol for a root component and everything created under it:
// while the scope lives, the root and every component it comes to own carry csLoading;
// when it ends, Loaded runs on each of them in creation order (the root first).
class KV_EXPORT LoadingScope {
public:
  explicit LoadingScope(TComponent* root);
  ~LoadingScope() noexcept(false);
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;
  // Ends loading now; the destructor then does nothing.
  void Finish();
  // Abandons the protocol: clears csLoading without calling Loaded (a failed load).
  void Cancel();

private:
  TComponent* FRoot;
  bool FDone = false;
};

}  // namespace kv

// ---------------------------------------------------------------------------
// Collections (streamable: items publish their properties).

class TCollection;

// An item joins its collection only when it is whole, because joining notifies the
// collection's owner, which may read every member: an item class with members of its own
// passes no collection to this base and calls JoinCollection at the end of its constructor.
// TCollection::Add builds items without a collection and inserts them afterwards.
class KV_EXPORT TCollectionItem : public QObject, public TPersistent {
  Q_OBJECT
public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;
  TCollection* Collection() const { return FCollection; }
  int Index() const;
  void SetIndex(int index);
  virtual QString DisplayName() const;

signals:
  // The NOTIFY signal of every published property (bindings follow it), after the collection
  // heard of the change.
  void PropertyChanged();

protected:
  // Tells the collection: one item (false) or all items (true) changed, then the followers.
  // The notification may free this item: callers touch nothing afterwards.
  void Changed(bool allItems);
  // Inserts the item into Collection (when it is in none yet), notifying last.
  void JoinCollection(TCollection* collection);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
};

// An owned, ordered list of items of one class, stored with its owner in form descriptions.
class KV_EXPORT TCollection : public QObject, public TPersistent {
  Q_OBJECT
public:
  using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
  // ItemClass, when given, is the class every item must have: Assign refuses a collection
  // of other items before it changes anything.
  TCollection(TPersistent* owner, TItemFactory itemFactory, const QMetaObject* itemClass = nullptr);
  ~TCollection() override;

  // A new item at the end. None when a handler of the notification freed it.
  TCollectionItem* Add();
  void Clear();
  void Delete(int index);
  int Count() const { return int(FItems.size()); }
  // Raises EListError for an index outside 0..Count-1.
  TCollectionItem* Items(int index) const;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override { return FOwner; }

protected:
  // An item (or, with none, the whole collection) changed.
  virtual void Update(TCollectionItem* item);

private:
  friend class TCollectionItem;
  void Changed();
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  void MoveItem(TCollectionItem* item, int index);

  TPersistent* FOwner;
  TItemFactory FItemFactory;
  const QMetaObject* FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
};

// ---------------------------------------------------------------------------
// Enumerations of this unit.

namespace Classes {
Q_NAMESPACE_EXPORT(KV_EXPORT)

// Where a stream's Seek counts from.
enum class TSeekOrigin { soBeginning, soCurrent, soEnd };
Q_ENUM_NS(TSeekOrigin)
using enum TSeekOrigin;

// Mapped onto Linux as: tpIdle = the SCHED_IDLE policy; the others SCHED_OTHER with the
// nice values +10, +5, 0, -5, -10, -20 (tpLowest ... tpTimeCritical). The platform refuses
// raising a thread's priority without the right to do so; the thread then keeps the
// priority it has, and Priority still reads what was asked for.
enum class TThreadPriority {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};
Q_ENUM_NS(TThreadPriority)
using enum TThreadPriority;

}  // namespace Classes

using Classes::TSeekOrigin;
using Classes::TThreadPriority;

// ---------------------------------------------------------------------------
// Streams


// A sequence of bytes read and written at a position.
class KV_EXPORT TStream : public TObject {
public:
  // Transfers up to Count bytes; returns how many moved.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;
  int64_t Remaining() { return Size() - Position(); }
  // Raise EReadError ("Stream read error") / EWriteError on a short transfer.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
};

// A stream held in memory.
class KV_EXPORT TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(QByteArray data) : FData(std::move(data)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FData.size(); }
  void SetSize(int64_t size) override;
  const QByteArray& Data() const { return FData; }
  void Clear();
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& dest) const;

private:
  QByteArray FData;
  int64_t FPosition = 0;
};

enum class TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

// Raises EFOpenError when the file cannot be opened; closes it when destroyed.
class KV_EXPORT TFileStream : public TStream {
public:
  TFileStream(const QString& fileName, TFileMode mode);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FFile.size(); }
  void SetSize(int64_t size) override;
  const QString& FileName() const { return FFileName; }

private:
  QString FFileName;
  QFile FFile;
};
