#include "_frmLeds.h"

TfrmLeds* frmLeds = nullptr;

TfrmLeds::TfrmLeds(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmLeds.kvf"));
}

// The panel's controls take their next values here.
void TfrmLeds::KvTimerTimer(TObject*) {}
