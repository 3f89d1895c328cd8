#include "KvSystem.h"

#include "ClassRegistry.h"

#include <QPointer>

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvBitmapList>();

}  // namespace

TKvBitmapList::TKvBitmapList(TComponent* owner)
    : TKvSharedComponent(owner), FBitmaps(std::make_unique<TKvBitmaps>()) {
  connect(FBitmaps.get(), &TKvPersistent::OnChange, this, [this] { BitmapsChanged(); });
}

TKvBitmapList::~TKvBitmapList() {
  BeginDestruction();
  disconnect(FBitmaps.get(), nullptr, this, nullptr);
  if (FNotifying > 0) {
    // Freed by a handler of its own change: the bitmaps' code that sent it returns into
    // that object, so it lives on, emptied and unheard, until the event loop frees it.
    FBitmaps->Clear();
    FBitmaps.release()->deleteLater();
  } else {
    FBitmaps.reset();
  }
  DetachLinks();
}

TBitmap* TKvBitmapList::GetBitmap(int Index) const {
  if (!FBitmaps || Index < 0 || Index >= FBitmaps->Count()) return nullptr;
  return FBitmaps->Bitmaps(Index);
}

void TKvBitmapList::Changed() { emit OnChange(this); }

void TKvBitmapList::BitmapsChanged() {
  const QPointer<TKvBitmapList> self(this);
  ++FNotifying;
  NotifyClients();
  if (self) Changed();
  if (self) --FNotifying;
}
