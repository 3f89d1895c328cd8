#include "PanelForm.h"

#include "FormDescriptions.h"

using kv::Randomize;

void TPanelForm::Load(const QString& description) {
  kv::ReadComponentResource(this, description);
  KvTimer = dynamic_cast<TKvTimer*>(FindComponent(QStringLiteral("KvTimer")));
}

void TPanelForm::FormShow(TObject*) { Randomize(); }
