#include "_frmMisc.h"

#include "FormDescriptions.h"

TfrmMisc* frmMisc = nullptr;

namespace {
constexpr int kDirections = 4;
}  // namespace

TfrmMisc::TfrmMisc(TComponent* owner) : TPanelForm(owner) {
  Load(QStringLiteral(":/forms/frmMisc.kvf"));
  kv::Bind(this, QStringLiteral("KvLabel1"), KvLabel1);
  kv::Bind(this, QStringLiteral("KvArrow"), KvArrow);
  kv::Bind(this, QStringLiteral("Label1"), Label1);
  kv::Bind(this, QStringLiteral("KvLabel2"), KvLabel2);
  kv::Bind(this, QStringLiteral("KvWebLabel"), KvWebLabel);
  kv::Bind(this, QStringLiteral("KvLabel3"), KvLabel3);
  kv::Bind(this, QStringLiteral("KvPercentPie"), KvPercentPie);
  kv::Bind(this, QStringLiteral("KvLabel4"), KvLabel4);
  kv::Bind(this, QStringLiteral("KvPieGraph"), KvPieGraph);
  kv::Bind(this, QStringLiteral("KvLabel5"), KvLabel5);
  kv::Bind(this, QStringLiteral("KvMediaButton"), KvMediaButton);
}

// Showing the panel again shows the direction of the current step; after the fourth click
// the step is 4, which the next click wraps to 0, so it is taken with the same wrap.
void TfrmMisc::DoShow() {
  KvArrow->SetDirection(TKvArrowDirection(FArrowStep % kDirections));
  TPanelForm::DoShow();
}

// The first click after showing sets the direction the arrow already has.
void TfrmMisc::KvArrowClick(TObject*) {
  if (FArrowStep == kDirections) FArrowStep = 0;
  KvArrow->SetDirection(TKvArrowDirection(FArrowStep));
  ++FArrowStep;
}

// Any of the first nine glyphs; the eject glyph never comes up.
void TfrmMisc::KvTimerTimer(TObject*) { KvMediaButton->SetButtonType(TKvButtonType(Random(9))); }
