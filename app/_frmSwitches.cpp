#include "_frmSwitches.h"

#include "FormDescriptions.h"

TfrmSwitches* frmSwitches = nullptr;

TfrmSwitches::TfrmSwitches(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmSwitches.kvf"));
  kv::Bind(this, QStringLiteral("KvLabel1"), KvLabel1);
  kv::Bind(this, QStringLiteral("Label1"), Label1);
  kv::Bind(this, QStringLiteral("KvLabel2"), KvLabel2);
  kv::Bind(this, QStringLiteral("Label2"), Label2);
  kv::Bind(this, QStringLiteral("KvLabel3"), KvLabel3);
  kv::Bind(this, QStringLiteral("KvLabel4"), KvLabel4);
  kv::Bind(this, QStringLiteral("KvLabel5"), KvLabel5);
  kv::Bind(this, QStringLiteral("Label3"), Label3);
  kv::Bind(this, QStringLiteral("KvSwitch"), KvSwitch);
  kv::Bind(this, QStringLiteral("KvTrackBar"), KvTrackBar);
  kv::Bind(this, QStringLiteral("KvPowerButton"), KvPowerButton);
  kv::Bind(this, QStringLiteral("KvSpinner"), KvSpinner);
  kv::Bind(this, QStringLiteral("KvSlider"), KvSlider);
}
