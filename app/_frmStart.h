// The start panel: the library's name, what it offers, and the maker's web address.
#pragma once

#include "PanelForm.h"

class TfrmStart : public TPanelForm {
  Q_OBJECT
public:
  explicit TfrmStart(TComponent* owner);
};

extern TfrmStart* frmStart;
