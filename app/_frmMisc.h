// The misc panel.
#pragma once

#include "PanelForm.h"

class TfrmMisc : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmMisc(TComponent* owner);

public slots:
  void KvTimerTimer(TObject* Sender);
};

extern TfrmMisc* frmMisc;
