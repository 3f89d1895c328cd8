#include "_frmMeters.h"

TfrmMeters* frmMeters = nullptr;

TfrmMeters::TfrmMeters(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmMeters.kvf"));
}

// The panel's controls take their next values here.
void TfrmMeters::KvTimerTimer(TObject*) {}
