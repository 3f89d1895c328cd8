#include "Classes.h"

#include <QPointer>

#include <QMetaObject>

#include <algorithm>
#include <cxxabi.h>
#include <typeinfo>

using kv::IsRectEmpty, kv::RaiseCannotAssign;

// ---------------------------------------------------------------------------
// Geometry

void kv::InflateRect(TRect& r, int dx, int dy) {
  r.Left = kv::SatSub(r.Left, dx);
  r.Top = kv::SatSub(r.Top, dy);
  r.Right = kv::SatAdd(r.Right, dx);
  r.Bottom = kv::SatAdd(r.Bottom, dy);
}

void kv::OffsetRect(TRect& r, int dx, int dy) {
  r.Left = kv::SatAdd(r.Left, dx);
  r.Right = kv::SatAdd(r.Right, dx);
  r.Top = kv::SatAdd(r.Top, dy);
  r.Bottom = kv::SatAdd(r.Bottom, dy);
}

bool kv::IntersectRect(TRect& dest, const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (IsRectEmpty(r)) {
    dest = TRect();
    return false;
  }
  dest = r;
  return true;
}

// ---------------------------------------------------------------------------
// Object model

QString TObject::ClassName() const {
  if (auto* q = dynamic_cast<const QObject*>(this))
    return QString::fromLatin1(q->metaObject()->className());
  int status = 0;
  const char* mangled = typeid(*this).name();
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
  std::free(demangled);
  return name.mid(name.lastIndexOf(':') + 1);
}

void kv::RaiseCannotAssign(const TObject* source, const TObject* dest) {
  const QString from = source ? source->ClassName() : QStringLiteral("nil");
  throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(from, dest->ClassName()));
}

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  RaiseCannotAssign(nullptr, this);
}

void TPersistent::AssignTo(TPersistent* dest) const { RaiseCannotAssign(this, dest); }

void TPersistent::DefineProperties(TFiler&) {}

// ---------------------------------------------------------------------------
// Loading scopes

namespace {

struct ActiveScope {
  TComponent* root;
  std::vector<TComponent*> loaded;  // creation order, root first
};

// Loading runs on the GUI thread; nested scopes (a form loading a frame) stack.
std::vector<ActiveScope*>& Scopes() {
  static thread_local std::vector<ActiveScope*> scopes;
  return scopes;
}

ActiveScope* ScopeOwning(const TComponent* c) {
  for (auto it = Scopes().rbegin(); it != Scopes().rend(); ++it) {
    auto& l = (*it)->loaded;
    if (std::find(l.begin(), l.end(), c) != l.end()) return *it;
  }
  return nullptr;
}

// A component freed while its scope is active stays as an empty slot, so that a walk
// by index over the list is not disturbed.
void ForgetLoaded(const TComponent* c) {
  for (ActiveScope* s : Scopes())
    std::replace(s->loaded.begin(), s->loaded.end(), const_cast<TComponent*>(c),
                 static_cast<TComponent*>(nullptr));
}

}  // namespace

// ---------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() { BeginDestruction(); }

void TComponent::BeginDestruction() {
  if (FDestructionBegun) return;
  FDestructionBegun = true;
  Destroying();
  ForgetLoaded(this);
  // Tell the subscribers, then forget them both ways.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    std::erase(other->FFreeNotifies, this);
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
  return FComponents[size_t(index)];
}

TComponent* TComponent::FindComponent(const QString& name) const {
  if (name.isEmpty()) return nullptr;
  for (TComponent* c : FComponents)
    if (c->Name().compare(name, Qt::CaseInsensitive) == 0) return c;
  return nullptr;
}

void TComponent::SetName(const QString& name) { FName = name; }

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end())
    FFreeNotifies.push_back(other);
  if (std::find(other->FFreeNotifies.begin(), other->FFreeNotifies.end(), this) ==
      other->FFreeNotifies.end())
    other->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  std::erase(FFreeNotifies, other);
  std::erase(other->FFreeNotifies, this);
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->FOwner == this) return;
  if (component->FOwner) component->FOwner->RemoveComponent(component);
  FComponents.push_back(component);
  component->FOwner = this;
  // A component created under a loading owner loads with it.
  if (IsLoadingState()) {
    if (ActiveScope* scope = ScopeOwning(this)) {
      component->FComponentState |= TComponentStateFlag::csLoading;
      scope->loaded.push_back(component);
    }
  }
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->FOwner != this) return;
  RemoveNotification(component);
  std::erase(FComponents, component);
  component->FOwner = nullptr;
}

void TComponent::RemoveNotification(TComponent* component) {
  // The owner and everything it owns hear of the removal; a handler may free or add
  // components, so walk a snapshot and skip what left meanwhile.
  Notification(component, TOperation::opRemove);
  const std::vector<TComponent*> snapshot = FComponents;
  for (TComponent* c : snapshot) {
    if (c == component) continue;
    if (std::find(FComponents.begin(), FComponents.end(), c) == FComponents.end()) continue;
    c->Notification(component, TOperation::opRemove);
  }
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    // Detach first so the destructor's RemoveComponent finds nothing to do.
    FComponents.pop_back();
    c->FOwner = nullptr;
    Notification(c, TOperation::opRemove);
    delete c;
  }
}

void TComponent::Destroying() {
  if (FComponentState.testFlag(TComponentStateFlag::csDestroying)) return;
  FComponentState |= TComponentStateFlag::csDestroying;
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
}

QObject* TComponent::AsQObject() { return dynamic_cast<QObject*>(this); }
const QObject* TComponent::AsQObject() const { return dynamic_cast<const QObject*>(this); }

void TComponent::SetLoadingState(bool loading) {
  FComponentState.setFlag(TComponentStateFlag::csLoading, loading);
}

void TComponent::Loaded() { FComponentState &= ~TComponentState(TComponentStateFlag::csLoading); }

void TComponent::SetDesigning(bool designing) {
  FComponentState.setFlag(TComponentStateFlag::csDesigning, designing);
}

namespace kv {

LoadingScope::LoadingScope(TComponent* root) : FRoot(root) {
  auto* scope = new ActiveScope{root, {root}};
  Scopes().push_back(scope);
  root->SetLoadingState(true);
}

LoadingScope::~LoadingScope() noexcept(false) {
  if (!FDone) {
    if (std::uncaught_exceptions() > 0) Cancel();
    else Finish();
  }
}

namespace {
std::unique_ptr<ActiveScope> PopScope(TComponent* root) {
  auto& scopes = Scopes();
  for (auto it = scopes.rbegin(); it != scopes.rend(); ++it) {
    if ((*it)->root == root) {
      std::unique_ptr<ActiveScope> s(*it);
      scopes.erase(std::next(it).base());
      return s;
    }
  }
  return nullptr;
}
}  // namespace

void LoadingScope::Finish() {
  if (FDone) return;
  FDone = true;
  std::unique_ptr<ActiveScope> scope = PopScope(FRoot);
  if (!scope) return;
  // Loaded may free components: keep the scope visible to ForgetLoaded meanwhile.
  Scopes().push_back(scope.get());
  std::exception_ptr failure;
  for (size_t i = 0; i < scope->loaded.size(); ++i) {
    TComponent* c = scope->loaded[i];
    if (!c) continue;
    try {
      c->Loaded();
    } catch (...) {
      if (!failure) failure = std::current_exception();
      c->SetLoadingState(false);
    }
  }
  std::erase(Scopes(), scope.get());
  if (failure) std::rethrow_exception(failure);
}

void LoadingScope::Cancel() {
  if (FDone) return;
  FDone = true;
  std::unique_ptr<ActiveScope> scope = PopScope(FRoot);
  if (!scope) return;
  for (TComponent* c : scope->loaded)
    if (c) c->SetLoadingState(false);
}

}  // namespace kv

// ---------------------------------------------------------------------------
// Collections

TCollectionItem::TCollectionItem(TCollection* collection) { JoinCollection(collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  const auto& items = FCollection->FItems;
  return int(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  if (FCollection) FCollection->MoveItem(this, index);
}

QString TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::Changed(bool allItems) {
  const QPointer<TCollectionItem> alive(this);
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
  if (alive) emit PropertyChanged();
}

void TCollectionItem::JoinCollection(TCollection* collection) {
  if (collection && !FCollection) collection->InsertItem(this);
}

TCollection::TCollection(TPersistent* owner, TItemFactory itemFactory, const QMetaObject* itemClass)
    : FOwner(owner), FItemFactory(std::move(itemFactory)), FItemClass(itemClass) {}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no Update calls while tearing down
  Clear();
}

TCollectionItem* TCollection::Add() {
  // Built whole before it joins; the notification may free the item, or this collection.
  TCollectionItem* item = FItemFactory(nullptr);
  const QPointer<TCollectionItem> added(item);
  if (!item->FCollection) InsertItem(item);
  return added.data();
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) {
    TCollectionItem* item = FItems.back();
    FItems.pop_back();
    item->FCollection = nullptr;  // detached before its destructor runs
    delete item;
  }
  EndUpdate();
}

void TCollection::Delete(int index) {
  TCollectionItem* item = Items(index);
  std::erase(FItems, item);
  item->FCollection = nullptr;
  delete item;
  Changed();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
  return FItems[size_t(index)];
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Changed();
}

void TCollection::Assign(const TPersistent* source) {
  if (source == this) return;
  auto* other = dynamic_cast<const TCollection*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  // Refused before anything is cleared.
  if (FItemClass)
    for (const TCollectionItem* item : other->FItems)
      if (!item->metaObject()->inherits(FItemClass)) RaiseCannotAssign(item, this);
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : other->FItems)
      if (TCollectionItem* copy = Add()) copy->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  FItems.push_back(item);
  item->FCollection = this;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  std::erase(FItems, item);
  item->FCollection = nullptr;
  Changed();
}

void TCollection::MoveItem(TCollectionItem* item, int index) {
  const int from = item->Index();
  if (from < 0) return;
  index = std::clamp(index, 0, Count() - 1);
  if (index == from) return;
  FItems.erase(FItems.begin() + from);
  FItems.insert(FItems.begin() + index, item);
  Changed();
}

// ---------------------------------------------------------------------------
// Streams

int64_t TStream::Size() {
  const int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  const int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count < 0 || (count > 0 && Read(buffer, count) != count))
    throw EReadError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count < 0 || (count > 0 && Write(buffer, count) != count))
    throw EWriteError(QStringLiteral("Stream write error"));
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || FPosition >= FData.size()) return 0;
  const int64_t n = std::min<int64_t>(count, FData.size() - FPosition);
  std::memcpy(buffer, FData.constData() + FPosition, size_t(n));
  FPosition += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = FPosition + count;
  if (end > std::numeric_limits<int>::max() - 64) return 0;  // QByteArray's limit
  if (end > FData.size()) FData.resize(qsizetype(end));
  std::memcpy(FData.data() + FPosition, buffer, size_t(count));
  FPosition = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = FPosition;
  if (origin == TSeekOrigin::soEnd) base = FData.size();
  const int64_t pos = base + offset;
  FPosition = std::max<int64_t>(0, pos);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0 || size > std::numeric_limits<int>::max() - 64)
    throw EWriteError(QStringLiteral("Out of memory while expanding memory stream"));
  FData.resize(qsizetype(size));
  FPosition = std::min<int64_t>(FPosition, size);
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t n = source.Size();
  SetSize(n);
  FPosition = 0;
  if (n > 0) source.ReadBuffer(FData.data(), n);
}

void TMemoryStream::SaveToStream(TStream& dest) const {
  if (!FData.isEmpty()) dest.WriteBuffer(FData.constData(), FData.size());
}

TFileStream::TFileStream(const QString& fileName, TFileMode mode)
    : FFileName(fileName), FFile(fileName) {
  QIODevice::OpenMode m = QIODevice::ReadOnly;
  switch (mode) {
    case TFileMode::fmOpenRead: m = QIODevice::ReadOnly; break;
    case TFileMode::fmOpenWrite: m = QIODevice::WriteOnly | QIODevice::ExistingOnly; break;
    case TFileMode::fmOpenReadWrite: m = QIODevice::ReadWrite | QIODevice::ExistingOnly; break;
    case TFileMode::fmCreate: m = QIODevice::ReadWrite | QIODevice::Truncate; break;
  }
  if (!FFile.open(m)) {
    const QString what = mode == TFileMode::fmCreate
                             ? QStringLiteral("Cannot create file \"%1\". %2")
                             : QStringLiteral("Cannot open file \"%1\". %2");
    throw EFOpenError(what.arg(fileName, FFile.errorString()));
  }
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const qint64 n = FFile.read(static_cast<char*>(buffer), count);
  return n < 0 ? 0 : n;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const qint64 n = FFile.write(static_cast<const char*>(buffer), count);
  return n < 0 ? 0 : n;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = FFile.pos();
  if (origin == TSeekOrigin::soEnd) base = FFile.size();
  FFile.seek(std::max<int64_t>(0, base + offset));
  return FFile.pos();
}

void TFileStream::SetSize(int64_t size) {
  if (size < 0 || !FFile.resize(size)) throw EWriteError(QStringLiteral("Stream write error"));
}
