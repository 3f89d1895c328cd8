// The base of the six panel forms: each reads its own description when created. A panel
// that animates has a timer named KvTimer whose ticks go to its KvTimerTimer handler, and
// its FormShow handler starts a new random sequence each time it is shown.
#pragma once

#include "Forms.h"
#include "KvThreads.h"

class TPanelForm : public TForm {
  Q_OBJECT
public:
  // The panel's timer, or none.
  TKvTimer* KvTimer = nullptr;

public slots:
  void FormShow(TObject* Sender);

protected:
  explicit TPanelForm(TComponent* owner) : TForm(owner) {}
  // Reads the panel's description; called by the panel's own constructor, once the
  // object is of the panel's class.
  void Load(const QString& description);
};
