// The LEDs panel: the check LED switches the matrix's scrolling, the panel's timer blinks the
// lights, changes the image LED's symbol and bounces the progress bar, and clicks step the
// digit group and toggle the user LED.
#pragma once

#include "KvBanner.h"
#include "KvBlinkLed.h"
#include "KvCheckLed.h"
#include "KvDigit.h"
#include "KvImageLed.h"
#include "KvLabel.h"
#include "KvLeds.h"
#include "KvLights.h"
#include "KvMatrix.h"
#include "KvProgressBar.h"
#include "PanelForm.h"
#include "StdCtrls.h"

class TfrmLeds : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmLeds(TComponent* owner);

  TKvBlinkLed* KvBlinkLed = nullptr;
  TKvLabel* KvLabel1 = nullptr;
  TKvLabel* KvLabel2 = nullptr;
  TKvMatrix* KvMatrix = nullptr;
  TKvLabel* KvLabel3 = nullptr;
  TKvLights* KvLights = nullptr;
  TKvLabel* KvLabel4 = nullptr;
  TKvImageLed* KvImageLed = nullptr;
  TKvLabel* KvLabel5 = nullptr;
  TKvDigitGroup* KvDigitGroup = nullptr;
  TKvUserLed* KvUserLed = nullptr;
  TKvProgressBar* KvProgressBar = nullptr;
  TKvLabel* KvLabel6 = nullptr;
  TLabel* Label1 = nullptr;
  TKvLabel* KvLabel7 = nullptr;
  TLabel* Label2 = nullptr;
  TKvLabel* KvLabel8 = nullptr;
  TKvBanner* KvBanner = nullptr;
  TKvLabel* KvLabel9 = nullptr;
  TKvCheckLed* KvCheckLed = nullptr;

  bool LightsOn() const { return FLightsOn; }
  bool ProgressDown() const { return FProgressDown; }

public slots:
  void KvCheckLedChange(TObject* Sender);
  void KvTimerTimer(TObject* Sender);
  void KvDigitGroupClick(TObject* Sender);
  void KvUserLedClick(TObject* Sender);

private:
  bool FLightsOn = false;
  bool FProgressDown = false;
};

extern TfrmLeds* frmLeds;
