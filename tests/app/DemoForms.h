// The demo's seven forms, created as the program creates them and owned by one root, with the
// main window shown: where the tests of the whole demo and of its panels start.
#pragma once

#include "_frmLeds.h"
#include "_frmMeters.h"
#include "_frmMisc.h"
#include "_frmQelDemo.h"
#include "_frmScope.h"
#include "_frmStart.h"
#include "_frmSwitches.h"

#include "Offscreen.h"

#include <memory>

namespace kvtest {

struct DemoForms {
  std::unique_ptr<TComponent> owner = std::make_unique<TComponent>(nullptr);

  DemoForms() {
    frmQelDemo = new TfrmQelDemo(owner.get());
    frmMeters = new TfrmMeters(owner.get());
    frmLeds = new TfrmLeds(owner.get());
    frmSwitches = new TfrmSwitches(owner.get());
    frmScope = new TfrmScope(owner.get());
    frmMisc = new TfrmMisc(owner.get());
    frmStart = new TfrmStart(owner.get());
    frmQelDemo->Show();
    Pump();
  }

  // The panel on top of the main window's scroll box.
  static QWidget* TopPanel() {
    const QObjectList& kids = frmQelDemo->ScrollBox->children();
    for (auto it = kids.rbegin(); it != kids.rend(); ++it)
      if (auto* w = qobject_cast<QWidget*>(*it); w && w->isVisible()) return w;
    return nullptr;
  }
};

}  // namespace kvtest
