// The meters panel: the timer sweeps the jog meter between -160 and 160 and counts the
// counter up; turning the wheel moves the thermometer, the tank, the meter and the level bar.
#pragma once

#include "KvCounter.h"
#include "KvGauge.h"
#include "KvJogMeter.h"
#include "KvLabel.h"
#include "KvLevelBar.h"
#include "KvMeter.h"
#include "KvTank.h"
#include "KvThermoMeter.h"
#include "KvWheel.h"
#include "PanelForm.h"
#include "StdCtrls.h"

class TfrmMeters : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmMeters(TComponent* owner);

  TKvJogMeter* KvJogMeter = nullptr;
  TKvLabel* KvLabel1 = nullptr;
  TkvThermoMeter* KvThermoMeter = nullptr;
  TKvLabel* KvLabel2 = nullptr;
  TKvLabel* KvLabel3 = nullptr;
  TKvWheel* KvWheel = nullptr;
  TKvTank* KvTank = nullptr;
  TKvLabel* KvLabel4 = nullptr;
  TKvMeter* KvMeter = nullptr;
  TKvLevelBar* KvLevelBar = nullptr;
  TKvLabel* KvLabel5 = nullptr;
  TLabel* Label1 = nullptr;
  TKvLabel* KvLabel6 = nullptr;
  TKvGauge* KvGauge1 = nullptr;
  TKvCounter* KvCounter = nullptr;
  TKvLabel* KvLabel7 = nullptr;

  // Whether the jog meter's sweep runs upwards.
  bool SweepUp() const { return FSweepUp; }

public slots:
  void KvTimerTimer(TObject* Sender);
  void KvWheelChange(TObject* Sender);

private:
  bool FSweepUp = false;
};

extern TfrmMeters* frmMeters;
