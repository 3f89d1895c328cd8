#include "_frmStart.h"

#include "FormDescriptions.h"

TfrmStart* frmStart = nullptr;

TfrmStart::TfrmStart(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmStart.kvf"));
  kv::Bind(this, QStringLiteral("KvLabel10"), KvLabel10);
  kv::Bind(this, QStringLiteral("Label1"), Label1);
  kv::Bind(this, QStringLiteral("KvWebLabel"), KvWebLabel);
}
