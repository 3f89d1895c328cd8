#include "_frmSwitches.h"

TfrmSwitches* frmSwitches = nullptr;

TfrmSwitches::TfrmSwitches(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmSwitches.kvf"));
}
