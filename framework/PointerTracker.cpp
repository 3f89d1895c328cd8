#include "PointerTracker.h"

#include "Controls.h"
#include "Forms.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>

using kv::GetParentForm;

namespace kv {

namespace {
PointerTracker* gTracker = nullptr;

QWidget* DeepestVisibleChildAt(QWidget* top, QPoint global) {
  QWidget* w = top;
  QPoint local = top->mapFromGlobal(global);
  for (bool descended = true; descended;) {
    descended = false;
    const QObjectList& kids = w->children();
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
      auto* c = qobject_cast<QWidget*>(*it);
      if (!c || c->isWindow() || !c->isVisible() || !c->geometry().contains(local)) continue;
      local -= c->pos();
      w = c;
      descended = true;
      break;
    }
  }
  return w;
}
}  // namespace

PointerTracker::PointerTracker() : QObject(QCoreApplication::instance()) {
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this, &PointerTracker::FocusChanged);
}

PointerTracker* PointerTracker::Instance() { return gTracker; }

void PointerTracker::Install() {
  if (gTracker || !qApp) return;
  gTracker = new PointerTracker();
  QObject::connect(gTracker, &QObject::destroyed, [] { gTracker = nullptr; });
}

void PointerTracker::TakeCapture(TControl* c) {
  PointerTracker* t = Instance();
  if (!t) return;
  QPointer<TControl> old = t->FCapture;
  t->FCapture = c;
  if (old && old != c) old->ReleaseCapture(true);
}

void PointerTracker::DropCapture(TControl* c) {
  PointerTracker* t = Instance();
  if (t && t->FCapture == c) t->FCapture = nullptr;
}

TControl* PointerTracker::ControlAt(QPoint global) {
  QWidget* top = QApplication::topLevelAt(global);
  if (!top) return nullptr;
  for (QWidget* w = DeepestVisibleChildAt(top, global); w; w = w->parentWidget())
    if (auto* c = dynamic_cast<TControl*>(w)) return c;
  return nullptr;
}

void PointerTracker::Forget(TControl* c) {
  PointerTracker* t = Instance();
  if (!t) return;
  ++t->FLayoutChanges;
  if (t->FUnder == c) t->FUnder = nullptr;
  if (t->FCapture == c) t->FCapture = nullptr;
}

TControl* PointerTracker::KeptControlAt(QPoint global) {
  Answer& a = FLastAnswer;
  // A control found and freed since is looked for again.
  if (!a.Valid || a.Global != global || a.Layout != FLayoutChanges || (a.Found && !a.Control)) {
    a.Control = ControlAt(global);
    a.Found = a.Control != nullptr;
    a.Global = global;
    a.Layout = FLayoutChanges;
    a.Valid = true;
  }
  return a.Control;
}

void PointerTracker::Track(QPoint global, bool insideApp) {
  TControl* now = insideApp ? KeptControlAt(global) : nullptr;
  if (now == FUnder) return;
  QPointer<TControl> old = FUnder;
  FUnder = now;
  if (old) Guarded(old, [&] { old->CMMouseLeave(); });
  if (now && FUnder == now) Guarded(now, [&] { now->CMMouseEnter(); });
}

bool PointerTracker::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::ZOrderChange:
    case QEvent::ParentChange:
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
    case QEvent::WindowStateChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: ++FLayoutChanges; break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
      if (watched->isWidgetType())
        Track(static_cast<QMouseEvent*>(event)->globalPosition().toPoint(), true);
      break;
    case QEvent::Enter:
      if (watched->isWidgetType())
        Track(static_cast<QEnterEvent*>(event)->globalPosition().toPoint(), true);
      break;
    case QEvent::Leave:
      // The pointer left a window of ours: it may be over another one, or outside.
      if (auto* w = qobject_cast<QWidget*>(watched); w && w->isWindow())
        Track(QCursor::pos(), QApplication::topLevelAt(QCursor::pos()) != nullptr);
      break;
    default: break;
  }
  return false;
}

void PointerTracker::FocusChanged(QWidget*, QWidget* now) {
  TWinControl* focused = nullptr;
  for (QWidget* w = now; w && !focused; w = w->parentWidget())
    focused = dynamic_cast<TWinControl*>(w);
  TForm* form = focused ? GetParentForm(focused) : nullptr;
  if (!form) return;
  QPointer<TWinControl> target(focused);
  ForEachControl(form, [&](TControl* c) { Guarded(c, [&] { c->CMFocusChanged(target); }); });
}

}  // namespace kv
