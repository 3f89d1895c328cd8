// The scope panel: the scanner runs on its own timer; the panel's timer bounces the indicator
// between 0 and 100 and gives every spectrum bar a new random value; the scope asks the panel
// for one random sample per channel and tick.
#pragma once

#include "KvLabel.h"
#include "KvScanner.h"
#include "KvScope.h"
#include "KvSpectrum.h"
#include "PanelForm.h"

class TfrmScope : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmScope(TComponent* owner);

  TKvLabel* KvLabel1 = nullptr;
  TKvScanner* KvScanner = nullptr;
  TKvLabel* KvLabel10 = nullptr;
  TKvIndicator* KvIndicator = nullptr;
  TKvSpectrum* KvSpectrum = nullptr;
  TKvLabel* KvLabel2 = nullptr;
  TKvScope* KvScope = nullptr;
  TKvLabel* KvLabel3 = nullptr;

public slots:
  void KvTimerTimer(TObject* Sender);
  void KvScopeNeedData(TObject* Sender, int Channel, int& Value);

private:
  // The indicator's way: down towards 0, or up towards 100.
  bool FIndicatorDown = false;
};

extern TfrmScope* frmScope;
