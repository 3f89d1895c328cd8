#include "_frmScope.h"

#include "FormDescriptions.h"
#include "SysUtils.h"

using kv::Random;

TfrmScope* frmScope = nullptr;

TfrmScope::TfrmScope(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmScope.kvf"));
  kv::Bind(this, QStringLiteral("KvLabel1"), KvLabel1);
  kv::Bind(this, QStringLiteral("KvScanner"), KvScanner);
  kv::Bind(this, QStringLiteral("KvLabel10"), KvLabel10);
  kv::Bind(this, QStringLiteral("KvIndicator"), KvIndicator);
  kv::Bind(this, QStringLiteral("KvSpectrum"), KvSpectrum);
  kv::Bind(this, QStringLiteral("KvLabel2"), KvLabel2);
  kv::Bind(this, QStringLiteral("KvScope"), KvScope);
  kv::Bind(this, QStringLiteral("KvLabel3"), KvLabel3);
}

// The indicator steps by 5 and turns at either end; then every bar takes a value 0..99, in
// one update of the bars: one repaint of them all rather than one per bar.
void TfrmScope::KvTimerTimer(TObject*) {
  KvIndicator->SetPosition(KvIndicator->Position() + (FIndicatorDown ? -5 : 5));
  if (KvIndicator->Position() == 100) FIndicatorDown = true;
  if (KvIndicator->Position() == 0) FIndicatorDown = false;
  KvSpectrum->Bars()->BeginUpdate();
  for (int i = 0; i < KvSpectrum->Count(); ++i) KvSpectrum->Items(i)->SetPosition(Random(100));
  KvSpectrum->Bars()->EndUpdate();
}

// One sample for the scope, 1..100.
void TfrmScope::KvScopeNeedData(TObject*, int, int& Value) { Value = Random(100) + 1; }
