// The start panel: the library's name, what it offers, and the maker's web address.
#pragma once

#include "KvHyperCtrls.h"
#include "KvLabel.h"
#include "PanelForm.h"
#include "StdCtrls.h"

class TfrmStart : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmStart(TComponent* owner);

  TKvLabel* KvLabel10 = nullptr;
  TLabel* Label1 = nullptr;
  TKvWebLabel* KvWebLabel = nullptr;
};

extern TfrmStart* frmStart;
