// A list of bitmaps that several thumb controls share through change links.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"

#include <memory>

// A list of bitmaps that thumb controls share; its clients hear of every change.
class KV_EXPORT TKvBitmapList : public TKvSharedComponent {
  Q_OBJECT
  Q_PROPERTY(TKvBitmaps* Bitmaps READ Bitmaps WRITE SetBitmaps)
public:
  explicit TKvBitmapList(TComponent* owner);
  // Tells the clients while the list is still whole: its bitmaps are freed silently first,
  // then every link is detached.
  ~TKvBitmapList() override;

  TKvBitmaps* Bitmaps() const { return FBitmaps.get(); }
  void SetBitmaps(const TKvBitmaps* v) { FBitmaps->Assign(v); }
  // The bitmap at Index, or none outside 0..Count-1.
  TBitmap* GetBitmap(int Index) const;

signals:
  void OnChange(TObject* Sender);

protected:
  // Fires OnChange.
  virtual void Changed();

private:
  void BitmapsChanged();

  // Non-zero while a change is being told: the list may be freed by a handler then, and the
  // bitmaps' own code is still running on the stack.
  int FNotifying = 0;
  std::unique_ptr<TKvBitmaps> FBitmaps;
};
