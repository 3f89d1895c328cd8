#include "_frmScope.h"

TfrmScope* frmScope = nullptr;

TfrmScope::TfrmScope(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmScope.kvf"));
}

// The panel's controls take their next values here.
void TfrmScope::KvTimerTimer(TObject*) {}
