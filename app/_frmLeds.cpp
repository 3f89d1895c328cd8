#include "_frmLeds.h"

#include "FormDescriptions.h"
#include "SysUtils.h"

using kv::Random;

TfrmLeds* frmLeds = nullptr;

namespace {
// Symbols the timer picks from: the first eleven, so the replay symbol never comes up.
constexpr int kTickedSymbols = 11;
constexpr int kProgressStep = 5;
}  // namespace

TfrmLeds::TfrmLeds(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmLeds.kvf"));
  kv::Bind(this, QStringLiteral("KvBlinkLed"), KvBlinkLed);
  kv::Bind(this, QStringLiteral("KvLabel1"), KvLabel1);
  kv::Bind(this, QStringLiteral("KvLabel2"), KvLabel2);
  kv::Bind(this, QStringLiteral("KvMatrix"), KvMatrix);
  kv::Bind(this, QStringLiteral("KvLabel3"), KvLabel3);
  kv::Bind(this, QStringLiteral("KvLights"), KvLights);
  kv::Bind(this, QStringLiteral("KvLabel4"), KvLabel4);
  kv::Bind(this, QStringLiteral("KvImageLed"), KvImageLed);
  kv::Bind(this, QStringLiteral("KvLabel5"), KvLabel5);
  kv::Bind(this, QStringLiteral("KvDigitGroup"), KvDigitGroup);
  kv::Bind(this, QStringLiteral("KvUserLed"), KvUserLed);
  kv::Bind(this, QStringLiteral("KvProgressBar"), KvProgressBar);
  kv::Bind(this, QStringLiteral("KvLabel6"), KvLabel6);
  kv::Bind(this, QStringLiteral("Label1"), Label1);
  kv::Bind(this, QStringLiteral("KvLabel7"), KvLabel7);
  kv::Bind(this, QStringLiteral("Label2"), Label2);
  kv::Bind(this, QStringLiteral("KvLabel8"), KvLabel8);
  kv::Bind(this, QStringLiteral("KvBanner"), KvBanner);
  kv::Bind(this, QStringLiteral("KvLabel9"), KvLabel9);
  kv::Bind(this, QStringLiteral("KvCheckLed"), KvCheckLed);
}

// The matrix scrolls while the check LED is checked.
void TfrmLeds::KvCheckLedChange(TObject*) { KvMatrix->SetAutoScroll(KvCheckLed->Checked()); }

void TfrmLeds::KvTimerTimer(TObject*) {
  // The lights blink together, off on the first tick.
  const bool wasOn = FLightsOn;
  FLightsOn = !FLightsOn;
  KvLights->SetLedState(wasOn ? TKvLights::kAllLamps : TKvLightsStates());
  KvImageLed->SetImageType(TKvImageType(Random(kTickedSymbols)));
  // A bounce between 0 and 100; the bar clamps a step past either end.
  const int position = KvProgressBar->Position();
  KvProgressBar->SetPosition(FProgressDown ? position - kProgressStep : position + kProgressStep);
  if (KvProgressBar->Position() == 100) FProgressDown = true;
  if (KvProgressBar->Position() == 0) FProgressDown = false;
}

void TfrmLeds::KvDigitGroupClick(TObject*) {
  KvDigitGroup->SetValue(KvDigitGroup->Value() + 0.125);
}

void TfrmLeds::KvUserLedClick(TObject*) { KvUserLed->SetActive(!KvUserLed->Active()); }
