// The LEDs panel.
#pragma once

#include "PanelForm.h"

class TfrmLeds : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmLeds(TComponent* owner);

public slots:
  void KvTimerTimer(TObject* Sender);
};

extern TfrmLeds* frmLeds;
