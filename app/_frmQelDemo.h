// The main window: shaped from its window image, with the navigation buttons, the close
// and minimise buttons, the LED clock, the framed scroll box that shows one panel at a
// time, and the slideshow.
#pragma once

#include "Forms.h"
#include "KvBorder.h"
#include "KvButtons.h"
#include "KvFormShape.h"
#include "KvThreads.h"
#include "StdCtrls.h"
#include "kvLedClock.h"

class TfrmQelDemo : public TForm {
  Q_OBJECT
public:
  explicit TfrmQelDemo(TComponent* owner);

  TKvFormShape* KvFormShape = nullptr;
  TKvShadowButton* btnMeters = nullptr;
  TKvShadowButton* btnLeds = nullptr;
  TKvShadowButton* btnSwitches = nullptr;
  TKvShadowButton* btnScopePanel = nullptr;
  TKvShadowButton* btnMisc = nullptr;
  TKvBorder* KvBorder = nullptr;
  TKvLedClock* KvLedClock1 = nullptr;
  TKvDemoButton* btnClose = nullptr;
  TKvDemoButton* btnMinimize = nullptr;
  TScrollBox* ScrollBox = nullptr;
  TCheckBox* chkCheckbox = nullptr;
  TKvTimer* KvTimer = nullptr;

  // Puts the start panel into the scroll box.
  void ShowStartPanel();
  int SlidePos() const { return FSlidePos; }

public slots:
  void FormShow(TObject* Sender);
  void btnMetersClick(TObject* Sender);
  void btnLedsClick(TObject* Sender);
  void btnSwitchesClick(TObject* Sender);
  void btnScopePanelClick(TObject* Sender);
  void btnMiscClick(TObject* Sender);
  void btnCloseClick(TObject* Sender);
  void btnMinimizeClick(TObject* Sender);
  void chkCheckboxClick(TObject* Sender);
  void KvTimerTimer(TObject* Sender);

private:
  void ShowPanel(TForm* panel);
  int FSlidePos = 0;
};

extern TfrmQelDemo* frmQelDemo;
