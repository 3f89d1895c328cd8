#include "_frmStart.h"

TfrmStart* frmStart = nullptr;

TfrmStart::TfrmStart(TComponent* owner) : TPanelForm(owner) { Load(QStringLiteral(":/forms/frmStart.kvf")); }
