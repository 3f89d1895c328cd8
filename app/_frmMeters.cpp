#include "_frmMeters.h"

#include "FormDescriptions.h"

TfrmMeters* frmMeters = nullptr;

namespace {
constexpr double kSweepEnd = 160;
constexpr int kCounterWrap = 999999;
}  // namespace

TfrmMeters::TfrmMeters(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmMeters.kvf"));
  kv::Bind(this, QStringLiteral("KvJogMeter"), KvJogMeter);
  kv::Bind(this, QStringLiteral("KvLabel1"), KvLabel1);
  kv::Bind(this, QStringLiteral("KvThermoMeter"), KvThermoMeter);
  kv::Bind(this, QStringLiteral("KvLabel2"), KvLabel2);
  kv::Bind(this, QStringLiteral("KvLabel3"), KvLabel3);
  kv::Bind(this, QStringLiteral("KvWheel"), KvWheel);
  kv::Bind(this, QStringLiteral("KvTank"), KvTank);
  kv::Bind(this, QStringLiteral("KvLabel4"), KvLabel4);
  kv::Bind(this, QStringLiteral("KvMeter"), KvMeter);
  kv::Bind(this, QStringLiteral("KvLevelBar"), KvLevelBar);
  kv::Bind(this, QStringLiteral("KvLabel5"), KvLabel5);
  kv::Bind(this, QStringLiteral("Label1"), Label1);
  kv::Bind(this, QStringLiteral("KvLabel6"), KvLabel6);
  kv::Bind(this, QStringLiteral("KvGauge1"), KvGauge1);
  kv::Bind(this, QStringLiteral("KvCounter"), KvCounter);
  kv::Bind(this, QStringLiteral("KvLabel7"), KvLabel7);
}

// The jog meter turns round at exactly -160 and 160; the counter wraps at 999999.
void TfrmMeters::KvTimerTimer(TObject*) {
  TKvJogMeter::TKvLiniarIndicator* value = KvJogMeter->Value();
  if (value->Value() == -kSweepEnd) FSweepUp = true;
  if (value->Value() == kSweepEnd) FSweepUp = false;
  value->SetValue(FSweepUp ? value->Value() + 1 : value->Value() - 1);
  // In 64 bits: at the counter's maximum the setter refuses the next value.
  const int64_t next = int64_t(KvCounter->Value()) + 1;
  KvCounter->SetValue(next > INT32_MAX ? KvCounter->Value() : int(next));
  if (KvCounter->Value() == kCounterWrap) KvCounter->SetValue(0);
}

void TfrmMeters::KvWheelChange(TObject*) {
  const int position = KvWheel->Position();
  KvThermoMeter->Value()->SetValue(position);
  KvTank->SetPosition(position);
  KvMeter->SetPosition(position);
  KvLevelBar->SetPosition(position);
}
