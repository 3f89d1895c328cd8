// Pointer and focus bookkeeping shared by all controls: which control is under the
// pointer (enter and leave, disabled controls included, capture ignored), which one holds
// the mouse capture, and the form-wide focus-changed notification.
#pragma once

#include "KvExport.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

class TControl;

namespace kv {

class KV_EXPORT PointerTracker : public QObject {
  Q_OBJECT
public:
  // Installs the tracker on the application once.
  static void Install();
  // C takes the capture; a control that held it hears that it lost it.
  static void TakeCapture(TControl* c);
  static void DropCapture(TControl* c);
  // The innermost control at a global position, disabled ones included.
  static TControl* ControlAt(QPoint global);
  // A control whose destruction has begun: it hears of the pointer no more. Its QPointer
  // would only clear in ~QObject, after ~QWidget has sent its last leave and enter.
  static void Forget(TControl* c);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  PointerTracker();
  static PointerTracker* Instance();
  void Track(QPoint global, bool insideApp);
  // ControlAt, answered again only when something may have moved under the pointer.
  TControl* KeptControlAt(QPoint global);
  void FocusChanged(QWidget* old, QWidget* now);
  QPointer<TControl> FUnder;
  QPointer<TControl> FCapture;
  // Counts the events after which another control may lie under a point: a window or widget
  // moved, resized, shown, hidden, restacked, reparented, or a child added or removed.
  quint64 FLayoutChanges = 0;
  // The last answer of ControlAt, valid while no such event came since.
  struct Answer {
    QPoint Global;
    quint64 Layout = 0;
    bool Valid = false, Found = false;
    QPointer<TControl> Control;
  } FLastAnswer;
};

}  // namespace kv
