// The misc panel: clicking the arrow turns it, and the panel's timer picks a new media
// button glyph every second.
#pragma once

#include "KvArrow.h"
#include "KvGraphs.h"
#include "KvHyperCtrls.h"
#include "KvLabel.h"
#include "KvNavigator.h"
#include "KvPieGraph.h"
#include "PanelForm.h"
#include "StdCtrls.h"

class TfrmMisc : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmMisc(TComponent* owner);

  TKvLabel* KvLabel1 = nullptr;
  TKvArrow* KvArrow = nullptr;
  TLabel* Label1 = nullptr;
  TKvLabel* KvLabel2 = nullptr;
  TKvWebLabel* KvWebLabel = nullptr;
  TKvLabel* KvLabel3 = nullptr;
  TKvPercentPie* KvPercentPie = nullptr;
  TKvLabel* KvLabel4 = nullptr;
  TKvPieGraph* KvPieGraph = nullptr;
  TKvLabel* KvLabel5 = nullptr;
  TKvMediaButton* KvMediaButton = nullptr;

  // The click count of the arrow, wrapped at four.
  int ArrowStep() const { return FArrowStep; }

public slots:
  void KvArrowClick(TObject* Sender);
  void KvTimerTimer(TObject* Sender);

protected:
  // Each time the panel is shown (before its FormShow handler reseeds the generator).
  void DoShow() override;

private:
  int FArrowStep = 0;
};

extern TfrmMisc* frmMisc;
