#include "_frmQelDemo.h"

#include "AccessibleNames.h"
#include "FormDescriptions.h"
#include "_frmLeds.h"
#include "_frmMeters.h"
#include "_frmMisc.h"
#include "_frmScope.h"
#include "_frmStart.h"
#include "_frmSwitches.h"

using kv::Application;

TfrmQelDemo* frmQelDemo = nullptr;

TfrmQelDemo::TfrmQelDemo(TComponent* owner) : TForm(owner) {
  kv::ReadComponentResource(this, QStringLiteral(":/forms/frmQelDemo.kvf"));
  NameUnnamedControls(this);
  kv::Bind(this, QStringLiteral("KvFormShape"), KvFormShape);
  kv::Bind(this, QStringLiteral("btnMeters"), btnMeters);
  kv::Bind(this, QStringLiteral("btnLeds"), btnLeds);
  kv::Bind(this, QStringLiteral("btnSwitches"), btnSwitches);
  kv::Bind(this, QStringLiteral("btnScopePanel"), btnScopePanel);
  kv::Bind(this, QStringLiteral("btnMisc"), btnMisc);
  kv::Bind(this, QStringLiteral("KvBorder"), KvBorder);
  kv::Bind(this, QStringLiteral("KvLedClock1"), KvLedClock1);
  kv::Bind(this, QStringLiteral("btnClose"), btnClose);
  kv::Bind(this, QStringLiteral("btnMinimize"), btnMinimize);
  kv::Bind(this, QStringLiteral("ScrollBox"), ScrollBox);
  kv::Bind(this, QStringLiteral("chkCheckbox"), chkCheckbox);
  kv::Bind(this, QStringLiteral("KvTimer"), KvTimer);
}

void TfrmQelDemo::ShowPanel(TForm* panel) {
  // A panel re-parented into the scroll box lands at its top-left corner; showing it
  // brings it on top of the panels shown before, which stay where they are.
  panel->SetParent(ScrollBox);
  panel->Show();
}

void TfrmQelDemo::ShowStartPanel() { ShowPanel(frmStart); }

void TfrmQelDemo::FormShow(TObject*) { ShowStartPanel(); }
void TfrmQelDemo::btnMetersClick(TObject*) { ShowPanel(frmMeters); }
void TfrmQelDemo::btnLedsClick(TObject*) { ShowPanel(frmLeds); }
void TfrmQelDemo::btnSwitchesClick(TObject*) { ShowPanel(frmSwitches); }
void TfrmQelDemo::btnScopePanelClick(TObject*) { ShowPanel(frmScope); }
void TfrmQelDemo::btnMiscClick(TObject*) { ShowPanel(frmMisc); }
void TfrmQelDemo::btnCloseClick(TObject*) { Application->Terminate(); }
void TfrmQelDemo::btnMinimizeClick(TObject*) { Application->Minimize(); }

void TfrmQelDemo::chkCheckboxClick(TObject*) { KvTimer->SetEnabled(chkCheckbox->Checked()); }

void TfrmQelDemo::KvTimerTimer(TObject*) {
  switch (FSlidePos) {
    case 0: ShowStartPanel(); break;
    case 1: btnMetersClick(this); break;
    case 2: btnLedsClick(this); break;
    case 3: btnSwitchesClick(this); break;
    case 4: btnScopePanelClick(this); break;
    case 5: btnMiscClick(this); break;
    default: break;
  }
  FSlidePos = FSlidePos == 5 ? 0 : FSlidePos + 1;
}
