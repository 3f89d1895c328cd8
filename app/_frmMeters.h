// The meters panel.
#pragma once

#include "PanelForm.h"

class TfrmMeters : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmMeters(TComponent* owner);

public slots:
  void KvTimerTimer(TObject* Sender);
};

extern TfrmMeters* frmMeters;
