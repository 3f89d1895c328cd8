#include "PanelForm.h"

#include "AccessibleNames.h"
#include "FormDescriptions.h"

using kv::Randomize;

void TPanelForm::Load(const QString& description) {
  kv::ReadComponentResource(this, description);
  NameUnnamedControls(this);
  KvTimer = dynamic_cast<TKvTimer*>(FindComponent(QStringLiteral("KvTimer")));
}

void TPanelForm::FormShow(TObject*) { Randomize(); }
