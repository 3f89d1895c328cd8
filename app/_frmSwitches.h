// The switches panel.
#pragma once

#include "PanelForm.h"

class TfrmSwitches : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmSwitches(TComponent* owner);
};

extern TfrmSwitches* frmSwitches;
