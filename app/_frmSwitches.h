// The switches panel: a switch, a track bar, a power button, a spinner and a slider, each
// operated by the user; no timer and no handlers.
#pragma once

#include "KvButtons.h"
#include "KvLabel.h"
#include "KvSlider.h"
#include "KvSpinner.h"
#include "KvSwitch.h"
#include "KvTrackBar.h"
#include "PanelForm.h"
#include "StdCtrls.h"

class TfrmSwitches : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmSwitches(TComponent* owner);

  TKvLabel* KvLabel1 = nullptr;
  TLabel* Label1 = nullptr;
  TKvLabel* KvLabel2 = nullptr;
  TLabel* Label2 = nullptr;
  TKvLabel* KvLabel3 = nullptr;
  TKvLabel* KvLabel4 = nullptr;
  TKvLabel* KvLabel5 = nullptr;
  TLabel* Label3 = nullptr;
  TKvSwitch* KvSwitch = nullptr;
  TKvTrackBar* KvTrackBar = nullptr;
  TKvPowerButton* KvPowerButton = nullptr;
  TKvSpinner* KvSpinner = nullptr;
  TKvSlider* KvSlider = nullptr;
};

extern TfrmSwitches* frmSwitches;
