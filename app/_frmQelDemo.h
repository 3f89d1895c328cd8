// The main window: the scroll box that shows one panel at a time, the navigation
// handlers, the close and minimise handlers, and the slideshow.
#pragma once

#include "Forms.h"
#include "KvThreads.h"
#include "StdCtrls.h"

class TfrmQelDemo : public TForm {
  Q_OBJECT
public:
  explicit TfrmQelDemo(TComponent* owner);

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
