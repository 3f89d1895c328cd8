// The scope panel.
#pragma once

#include "PanelForm.h"

class TfrmScope : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmScope(TComponent* owner);

public slots:
  void KvTimerTimer(TObject* Sender);
};

extern TfrmScope* frmScope;
