#include "_frmMisc.h"

TfrmMisc* frmMisc = nullptr;

TfrmMisc::TfrmMisc(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmMisc.kvf"));
}

// The panel's controls take their next values here.
void TfrmMisc::KvTimerTimer(TObject*) {}
