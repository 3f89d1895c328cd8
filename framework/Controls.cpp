#include "Controls.h"

#include "FormDescriptionsModel.h"
#include "Forms.h"
#include "GraphicsHooks.h"
#include "PointerTracker.h"
#include "Raster.h"
#include "Threads.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QScopedValueRollback>
#include <QThread>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

using kv::Application, kv::GetParentForm, kv::PtInRect, kv::Screen, kv::VK_BACK, kv::VK_CONTROL,
    kv::VK_DELETE, kv::VK_DOWN, kv::VK_END, kv::VK_ESCAPE, kv::VK_F1, kv::VK_HOME, kv::VK_INSERT,
    kv::VK_LEFT, kv::VK_MENU, kv::VK_NEXT, kv::VK_PRIOR, kv::VK_RETURN, kv::VK_RIGHT, kv::VK_SHIFT,
    kv::VK_SPACE, kv::VK_TAB, kv::VK_UP, kv::crDefault;

namespace kv {

namespace {
thread_local int gPaintDepth = 0;

struct PaintDepth {
  PaintDepth() { ++gPaintDepth; }
  ~PaintDepth() { --gPaintDepth; }
};

void BroadcastSysColorChange() {
  for (QWidget* w : QApplication::allWidgets())
    if (auto* c = dynamic_cast<TControl*>(w)) Guarded(c, [c] { c->CMSysColorChange(); });
}

// Brings the system colours along when the application palette changes.
class PaletteFollower : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::ApplicationPaletteChange && watched == qApp)
      FollowPalette(QGuiApplication::palette());
    return false;
  }
};

// Once, with the first control: the controls hear of system colour changes, and the colours
// follow the application palette (unless the program pinned the classic table).
void StartSysColors() {
  kv::SetSysColorListener(&kv::BroadcastSysColorChange);
  qApp->installEventFilter(new PaletteFollower(qApp));
  FollowPalette(QGuiApplication::palette());
}
}  // namespace

bool PaintInProgress() { return gPaintDepth > 0; }

TComponent* NearestComponent(QWidget* widget) {
  for (QWidget* w = widget; w; w = w->parentWidget())
    if (auto* component = dynamic_cast<TComponent*>(w)) return component;
  return nullptr;
}

void ForEachControl(const TWinControl* root, const std::function<void(TControl*)>& f) {
  // A handler may free controls: walk a snapshot and skip the dead.
  std::vector<QPointer<TControl>> snapshot;
  for (QObject* child : root->children())
    if (auto* c = dynamic_cast<TControl*>(child)) snapshot.emplace_back(c);
  for (const QPointer<TControl>& c : snapshot) {
    if (!c) continue;
    f(c);
    if (c)
      if (auto* w = dynamic_cast<TWinControl*>(c.data())) ForEachControl(w, f);
  }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState s;
  if (modifiers & Qt::ShiftModifier) s |= TShiftStateFlag::ssShift;
  if (modifiers & Qt::AltModifier) s |= TShiftStateFlag::ssAlt;
  if (modifiers & Qt::ControlModifier) s |= TShiftStateFlag::ssCtrl;
  if (buttons & Qt::LeftButton) s |= TShiftStateFlag::ssLeft;
  if (buttons & Qt::RightButton) s |= TShiftStateFlag::ssRight;
  if (buttons & Qt::MiddleButton) s |= TShiftStateFlag::ssMiddle;
  return s;
}

uint16_t VirtualKeyOf(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return uint16_t(qtKey);
  switch (qtKey) {
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default:
      if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return uint16_t(VK_F1 + (qtKey - Qt::Key_F1));
      return 0;
  }
}

}  // namespace kv

namespace {

TMouseButton ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::RightButton: return TMouseButton::mbRight;
    case Qt::MiddleButton: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
  }
}

bool IsMouseButtonWeHandle(Qt::MouseButton b) {
  return b == Qt::LeftButton || b == Qt::RightButton || b == Qt::MiddleButton;
}

void FillRegion(QImage& surface, const QRegion& region, uint32_t pixel) {
  const QRect bounds = surface.rect();
  for (const QRect& r0 : region) {
    const QRect r = r0 & bounds;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      auto* line = reinterpret_cast<uint32_t*>(surface.scanLine(y));
      kv::FillPixels(line + r.left(), line + r.left() + r.width(), pixel);
    }
  }
}

bool IsRgb32Like(QImage::Format f) {
  return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
         f == QImage::Format_ARGB32_Premultiplied;
}

TControl* ParentControlOf(const QWidget* w) {
  return w->parentWidget() ? dynamic_cast<TControl*>(w->parentWidget()) : nullptr;
}

// The control SetParent is re-parenting: it applies Visible itself, at once.
thread_local const TControl* gSettingParentOf = nullptr;

// Every non-windowed child below every windowed one, each kind in the order it has, as placing
// each child at its arrival leaves them: one pass, for a parent whose children arrived while it
// loaded.
void PlaceChildrenInZOrder(QWidget* parent) {
  QWidget* lowestWindowed = nullptr;
  for (QObject* o : QObjectList(parent->children())) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow()) continue;
    if (!dynamic_cast<TGraphicControl*>(w)) {
      if (!lowestWindowed) lowestWindowed = w;
    } else if (lowestWindowed) {
      w->stackUnder(lowestWindowed);
    }
  }
}

// A plain widget's font in the framework's terms, its palette's text colour included.
void TakeWidgetFont(TFont& font, const QWidget* widget) {
  const QFont& f = widget->font();
  font.SetName(f.family());
  if (f.pixelSize() > 0) font.SetHeight(-f.pixelSize());
  else font.SetSize(qRound(f.pointSizeF()));
  TFontStyles style;
  if (f.bold()) style |= TFontStyle::fsBold;
  if (f.italic()) style |= TFontStyle::fsItalic;
  if (f.underline()) style |= TFontStyle::fsUnderline;
  if (f.strikeOut()) style |= TFontStyle::fsStrikeOut;
  font.SetStyle(style);
  font.SetColor(kv::PixelToColor(widget->palette().color(QPalette::WindowText).rgb()));
}

}  // namespace

// ---------------------------------------------------------------------------
// TControl

TControl::TControl(kv::OwnerOrParent owner)
    : QWidget(nullptr),
      TComponent(owner.Owner()),
      FFont(std::make_unique<TFont>()),
      FControlStyle(TControlStyleFlag::csCaptureMouse | TControlStyleFlag::csClickEvents |
                    TControlStyleFlag::csSetCaption | TControlStyleFlag::csDoubleClicks),
      FCanvas(std::make_unique<TCanvas>()) {
  static const bool listening = [] {
    kv::StartSysColors();
    return true;
  }();
  (void)listening;
  kv::PointerTracker::Install();
  setGeometry(0, 0, 0, 0);
  setMouseTracking(true);
  setAttribute(Qt::WA_NoSystemBackground);
  QObject::connect(FFont.get(), &TFont::OnChange, this, [this] { FontObjectChanged(); });
}

TControl::~TControl() {
  kv::PointerTracker::Forget(this);
  if (FCaptured) ReleaseCapture(false);
  BeginDestruction();
}

void TControl::operator delete(TControl* control, std::destroying_delete_t) {
  if (kv::IsDispatching(control)) {
    control->Retire();
    return;
  }
  void* storage = dynamic_cast<void*>(control);
  control->~TControl();
  ::operator delete(storage);
}

void TControl::Retire() {
  // Deleted again later, perhaps while still dispatching (a nested event loop).
  deleteLater();
  if (FRetired) return;
  FRetired = true;
  Destroying();
  blockSignals(true);
  if (auto* w = dynamic_cast<TWinControl*>(this))
    kv::ForEachControl(w, [](TControl* c) { c->blockSignals(true); });
  hide();
  kv::PointerTracker::Forget(this);
  if (TComponent* owner = Owner()) owner->RemoveComponent(this);
  // Out of the parent, so that the parent neither lists it nor frees it under the running code;
  // not inside a paint, whose flush still maps the widget to its window: it leaves with its
  // destruction then.
  if (!kv::PaintInProgress()) QWidget::setParent(nullptr);
}

void TControl::CheckGuiThread() const {
  if (QThread::currentThread() != thread())
    throw EThread(QStringLiteral("%1 %2 was used from a thread other than the GUI thread")
                      .arg(ClassName(), Name().isEmpty() ? QStringLiteral("(unnamed)") : Name()));
}

void TControl::Notify(void (TControl::*message)()) {
  const kv::DispatchScope dispatching(this);
  (this->*message)();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  CheckGuiThread();
  const QRect next = BoundsByRules(left, top, width, height);
  // A size a layout gave is no design, unless the rules changed it: the control sized itself.
  // Nor is a size a control sets while it paints: it adjusts the size it was given.
  const bool designed =
      !kv::PaintInProgress() && (!FFollowingOutsideSize || next.size() != QSize(width, height));
  if (designed && next.size() != FDesignedSize) {
    FDesignedSize = next.size();
    updateGeometry();
  }
  const QRect old = geometry();
  if (next == old) return;
  {
    const QScopedValueRollback<bool> setting(FSettingBounds, true);
    setGeometry(next);
    // A hidden widget gets its resize event only when shown; the framework tells at once.
    if (testAttribute(Qt::WA_PendingResizeEvent) && next.size() != old.size()) {
      setAttribute(Qt::WA_PendingResizeEvent, false);
      QResizeEvent re(next.size(), old.size());
      QCoreApplication::sendEvent(this, &re);
    }
  }
  if (FAlign != TAlign::alNone) RequestAlign();
}

bool TControl::AutoSizesWidth() const {
  return FAutoSize &&
         (FAlign == TAlign::alNone || FAlign == TAlign::alLeft || FAlign == TAlign::alRight);
}

bool TControl::AutoSizesHeight() const {
  return FAutoSize &&
         (FAlign == TAlign::alNone || FAlign == TAlign::alTop || FAlign == TAlign::alBottom);
}

QRect TControl::BoundsByRules(int left, int top, int width, int height) {
  constexpr int kMax = QWIDGETSIZE_MAX;
  width = std::clamp(width, 0, kMax);
  height = std::clamp(height, 0, kMax);
  if ((AutoSizesWidth() || AutoSizesHeight()) && !IsLoading()) {
    int w = width, h = height;
    if (CanAutoSize(w, h)) {
      if (AutoSizesWidth()) width = std::clamp(w, 0, kMax);
      if (AutoSizesHeight()) height = std::clamp(h, 0, kMax);
    }
  }
  return QRect(std::clamp(left, -kMax, kMax), std::clamp(top, -kMax, kMax), width, height);
}

bool TControl::FollowOutsideResize() {
  const QSize given = size();
  {
    const QScopedValueRollback<bool> following(FFollowingOutsideSize, true);
    kv::Guarded(this, [&] { SetBounds(Left(), Top(), given.width(), given.height()); });
  }
  return size() != given;
}

void TControl::SetAlign(TAlign v) {
  if (v == FAlign) return;
  FAlign = v;
  ApplySizePolicy();
  RequestAlign();
}

void TControl::SetAutoSize(bool v) {
  if (v == FAutoSize) return;
  FAutoSize = v;
  ApplySizePolicy();
  if (v) SetBounds(Left(), Top(), Width(), Height());
}

void TControl::ApplySizePolicy() {
  setSizePolicy(AutoSizesWidth() ? QSizePolicy::Fixed : QSizePolicy::Preferred,
                AutoSizesHeight() ? QSizePolicy::Fixed : QSizePolicy::Preferred);
}

bool TControl::CanAutoSize(int&, int&) { return false; }

void TControl::Loaded() {
  TComponent::Loaded();
  if (FAutoSize) SetBounds(Left(), Top(), Width(), Height());
  ApplyVisibility();
}

TWinControl* TControl::Parent() const {
  return parentWidget() ? dynamic_cast<TWinControl*>(parentWidget()) : nullptr;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  if (parent == this)
    throw EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
  TWinControl* old = Parent();
  if (FCaptured) ReleaseCapture(true);
  {
    const QScopedValueRollback<const TControl*> setting(gSettingParentOf, this);
    QWidget::setParent(parent);
  }
  // Qt hides a re-parented widget; the framework keeps it as Visible says.
  ApplyVisibility();
  if (old) old->Realign();
}

void TControl::AdoptParent(QWidget* parent) {
  if (parent) QWidget::setParent(parent);
}

void TControl::ApplyVisibility() {
  if (!FVisible) {
    // Hidden for Qt as well (explicitly), so that a layout adopting the control leaves it so.
    QWidget::setVisible(false);
    return;
  }
  // Shown only inside a window (without a parent the control would become one), and a form
  // only once its description is read, so that it appears with its own border and place.
  if (IsForm() ? IsLoading() : !parentWidget()) return;
  if (isHidden()) QWidget::setVisible(true);
}

void TControl::ApplyVisibilityLater() {
  // Showing a widget while Qt is still inside setParent for it (a layout adopting it) leaves
  // it hidden for good: wait until the event loop runs again, as Qt does for its own widgets.
  QMetaObject::invokeMethod(
      this, [this] { ApplyVisibility(); }, Qt::QueuedConnection);
}

void TControl::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  ApplyVisibility();
  Notify(&TControl::CMVisibleChanged, [this] { emit VisibleChanged(); });
  RequestAlign();
}

void TControl::SetEnabled(bool v) {
  if (v == Enabled()) return;
  QWidget::setEnabled(v);
  Notify(&TControl::CMEnabledChanged, [this] { emit EnabledChanged(); });
}

void TControl::SetColor(TColor v) {
  FParentColor = false;
  if (v.Value == FColor.Value) return;
  FColor = v;
  Notify(&TControl::CMColorChanged, [this] { emit ColorChanged(); });
}

void TControl::SetParentColor(bool v) {
  if (v == FParentColor) return;
  FParentColor = v;
  if (v) SetParentColorFromParent();
}

void TControl::SetParentColorFromParent() {
  const QWidget* parent = parentWidget();
  if (!parent) return;
  const TControl* p = ParentControlOf(this);
  const TColor color =
      p ? p->FColor : kv::PixelToColor(parent->palette().color(QPalette::Window).rgb());
  if (color.Value == FColor.Value) return;
  FColor = color;
  Notify(&TControl::CMColorChanged, [this] { emit ColorChanged(); });
}

void TControl::SetParentFont(bool v) {
  if (v == FParentFont) return;
  FParentFont = v;
  if (v) SetParentFontFromParent();
}

void TControl::SetParentFontFromParent() {
  const QWidget* parent = parentWidget();
  if (!parent) return;
  TFont plain;
  const TControl* p = ParentControlOf(this);
  if (!p) TakeWidgetFont(plain, parent);
  const QScopedValueRollback<bool> taking(FTakingParentFont, true);
  FFont->Assign(p ? p->Font() : &plain);
}

void TControl::FontObjectChanged() {
  if (!FTakingParentFont) FParentFont = false;
  Notify(&TControl::CMFontChanged);
}

void TControl::SetCaption(const QString& v) {
  if (v == FCaption) return;
  FCaption = v;
  Notify(&TControl::CMTextChanged, [this] { emit CaptionChanged(); });
}

void TControl::SetName(const QString& name) {
  const QString old = Name();
  TComponent::SetName(name);
  if (FControlStyle.testFlag(TControlStyleFlag::csSetCaption) && !IsLoading() && FCaption == old)
    SetCaption(name);
}

void TControl::SetShowHint(bool v) {
  FParentShowHint = false;
  FShowHint = v;
}

void TControl::SetParentShowHint(bool v) {
  if (v == FParentShowHint) return;
  FParentShowHint = v;
  Notify(&TControl::CMParentShowHintChanged);
}

bool TControl::EffectiveShowHint() const {
  if (!FParentShowHint) return FShowHint;
  if (TControl* p = ParentControlOf(this)) return p->EffectiveShowHint();
  return Application ? Application->ShowHint() : true;
}

void TControl::SetCursor(TCursor v) {
  if (v == FCursor) return;
  FCursor = v;
  ApplyCursor();
}

void TControl::ApplyCursor() {
  if (FCursor == crDefault) unsetCursor();
  else QWidget::setCursor(Screen->Cursors(FCursor));
}

void TControl::SetControlStyle(TControlStyle v) {
  FControlStyle = v;
  setAttribute(Qt::WA_OpaquePaintEvent,
               ErasesBackground() || v.testFlag(TControlStyleFlag::csOpaque));
}

bool TControl::MouseCapture() const { return FCaptured; }

void TControl::SetMouseCapture(bool v) {
  if (v == FCaptured) return;
  if (v) {
    FCaptured = true;
    kv::PointerTracker::TakeCapture(this);
    grabMouse();
  } else {
    ReleaseCapture(false);
  }
}

void TControl::ReleaseCapture(bool notify) {
  if (!FCaptured) return;
  FCaptured = false;
  FClicked = false;
  if (QWidget::mouseGrabber() == this) releaseMouse();
  kv::PointerTracker::DropCapture(this);
  if (notify) kv::Guarded(this, [this] { CMCancelMode(); });
}

void TControl::Invalidate() {
  CheckGuiThread();
  update();
}

void TControl::Update() {
  CheckGuiThread();
  if (QWidget* w = window()) QCoreApplication::sendPostedEvents(w, QEvent::UpdateRequest);
}

void TControl::Repaint() {
  CheckGuiThread();
  if (!isVisible() || kv::PaintInProgress()) {
    update();
    return;
  }
  repaint();
}

void TControl::PlaceInZOrder() {
  QWidget* p = parentWidget();
  if (!p) return;
  // Placing each of many siblings costs a walk of the others: a loading parent's Loaded
  // places them all in one pass.
  if (const TWinControl* parent = Parent(); parent && parent->IsLoading()) return;
  if (dynamic_cast<TGraphicControl*>(this)) {
    // Non-windowed controls stay below every windowed sibling.
    for (QObject* o : p->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w && w != this && !w->isWindow() && !dynamic_cast<TGraphicControl*>(w)) {
        stackUnder(w);
        return;
      }
    }
  }
  raise();
}

void TControl::BringToFront() { PlaceInZOrder(); }

void TControl::RequestAlign() {
  if (TWinControl* p = Parent()) p->Realign();
}

void TControl::Resize() {
  kv::Guarded(this, [this] { emit OnResize(this); });
}

void TControl::Paint() {}

void TControl::PaintControl() { Paint(); }

// ---- Input --------------------------------------------------------------

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  emit OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) { emit OnMouseMove(this, shift, x, y); }

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  emit OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() { emit OnClick(this); }

void TControl::DblClick() { emit OnDblClick(this); }

bool TControl::CanWheelStep(int) const { return false; }
void TControl::WheelStep(int) {}

void TControl::HandlePress(QMouseEvent* e, bool doubleClick) {
  e->accept();
  if (!IsMouseButtonWeHandle(e->button())) return;
  const TMouseButton button = ButtonOf(e->button());
  TShiftState shift = kv::ShiftStateOf(e->modifiers(), e->buttons());
  const QPoint p = e->position().toPoint();
  QPointer<TControl> self(this);
  kv::Guarded(this, [&] {
    if (button != TMouseButton::mbLeft) {
      MouseDown(button, shift, p.x(), p.y());
      return;
    }
    if (FControlStyle.testFlag(TControlStyleFlag::csCaptureMouse)) {
      FCaptured = true;
      kv::PointerTracker::TakeCapture(this);
    }
    if (doubleClick && FControlStyle.testFlag(TControlStyleFlag::csDoubleClicks)) {
      DblClick();
      if (!self) return;
      MouseDown(button, shift | TShiftStateFlag::ssDouble, p.x(), p.y());
      return;
    }
    if (FControlStyle.testFlag(TControlStyleFlag::csClickEvents)) FClicked = true;
    MouseDown(button, shift, p.x(), p.y());
  });
}

void TControl::mousePressEvent(QMouseEvent* e) { HandlePress(e, false); }

void TControl::mouseDoubleClickEvent(QMouseEvent* e) { HandlePress(e, true); }

void TControl::mouseMoveEvent(QMouseEvent* e) {
  e->accept();
  const QPoint p = e->position().toPoint();
  const TShiftState shift = kv::ShiftStateOf(e->modifiers(), e->buttons());
  kv::Guarded(this, [&] {
    if (!FCaptured) WMSetCursor(kv::FromQPoint(p));
    MouseMove(shift, p.x(), p.y());
  });
}

void TControl::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  if (!IsMouseButtonWeHandle(e->button())) return;
  const TMouseButton button = ButtonOf(e->button());
  const TShiftState shift = kv::ShiftStateOf(e->modifiers(), e->buttons());
  const QPoint p = e->position().toPoint();
  QPointer<TControl> self(this);
  kv::Guarded(this, [&] {
    if (button == TMouseButton::mbLeft) {
      if (FControlStyle.testFlag(TControlStyleFlag::csCaptureMouse) && FCaptured) {
        FCaptured = false;
        if (QWidget::mouseGrabber() == this) releaseMouse();
        kv::PointerTracker::DropCapture(this);
      }
      if (FClicked) {
        FClicked = false;
        if (PtInRect(ClientRect(), kv::FromQPoint(p))) Click();
        if (!self) return;
      }
    }
    MouseUp(button, shift, p.x(), p.y());
  });
}

// One step per notch (120 units of angle); the finer deltas of touchpads add up until they make
// one. A wheel that cannot move the value (at its end, disabled, a control without one, or one
// being designed, whose values the design holds) goes on to the parent, so that a scroll area
// under the control scrolls.
void TControl::wheelEvent(QWheelEvent* e) {
  constexpr int kNotch = QWheelEvent::DefaultDeltasPerStep;
  const QPoint angle = e->angleDelta();
  // A tilt to the right, or a natural-scrolling turn, counts as the turn the value follows.
  int64_t delta = std::abs(angle.x()) > std::abs(angle.y()) ? -int64_t(angle.x()) : angle.y();
  if (e->inverted()) delta = -delta;
  const int direction = delta > 0 ? 1 : -1;
  if (delta == 0 || !isEnabled() || IsDesigning() || !CanWheelStep(direction)) {
    FWheelDelta = 0;
    e->ignore();
    return;
  }
  e->accept();
  // A turn the other way starts afresh.
  if ((FWheelDelta < 0) != (delta < 0)) FWheelDelta = 0;
  const int64_t total = FWheelDelta + delta;
  FWheelDelta = int(total % kNotch);
  QPointer<TControl> self(this);
  kv::Guarded(this, [&] {
    for (int64_t steps = std::abs(total / kNotch); steps > 0 && CanWheelStep(direction); --steps) {
      WheelStep(direction);
      if (!self) return;
    }
  });
}

// ---- Notifications ------------------------------------------------------

void TControl::CMMouseEnter() {}
void TControl::CMMouseLeave() {}

void TControl::CMFontChanged() {
  Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (int i = 0; i < w->ControlCount(); ++i) w->Controls(i)->CMParentFontChanged();
}

void TControl::CMTextChanged() {}

void TControl::CMColorChanged() {
  Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (int i = 0; i < w->ControlCount(); ++i) w->Controls(i)->CMParentColorChanged();
}

void TControl::CMEnabledChanged() {
  // A disabled non-windowed control lets the mouse through to what lies below it.
  if (dynamic_cast<TGraphicControl*>(this))
    setAttribute(Qt::WA_TransparentForMouseEvents, !Enabled());
  if (!Enabled() && FCaptured) ReleaseCapture(true);
  Invalidate();
}

void TControl::CMVisibleChanged() {}
void TControl::CMSysColorChange() { Invalidate(); }

void TControl::CMParentColorChanged() {
  if (FParentColor) SetParentColorFromParent();
}

void TControl::CMParentFontChanged() {
  if (FParentFont) SetParentFontFromParent();
}

void TControl::CMParentShowHintChanged() {}
bool TControl::CMDialogChar(QChar) { return false; }
void TControl::CMFocusChanged(TWinControl*) {}
void TControl::CMCancelMode() {}

void TControl::WMSetCursor(TPoint) { ApplyCursor(); }

// ---- Qt events ----------------------------------------------------------

namespace {

// Form tools set a style object's field by its dotted name ("Bevel.Style"); Qt keeps a name the
// class does not declare as a dynamic property. It is taken off again and its value goes
// through the field's own setter, so a form control is the control made in code. A form set
// the bounds before, as they were saved with the field in place: a control that fits its size
// to its style keeps them, as it does when a form description is read.
void RouteNestedProperty(TControl* control, const QByteArray& name) {
  if (!name.contains('.')) return;
  const QVariant value = control->property(name.constData());
  if (!value.isValid()) return;  // the removal below
  const kv::form::NestedProperty nested = kv::form::FindNestedProperty(control, name);
  if (!nested.holder) return;
  control->setProperty(name.constData(), QVariant());
  const QRect bounds = control->geometry();
  kv::form::SetNestedValue(nested, value);
  control->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
}

}  // namespace

bool TControl::event(QEvent* e) {
  // Qt's deferred delete frees the control here: that is no dispatch of it.
  if (e->type() == QEvent::DeferredDelete) return QWidget::event(e);
  const kv::DispatchScope dispatching(this);
  switch (e->type()) {
    case QEvent::ToolTip: {
      auto* he = static_cast<QHelpEvent*>(e);
      if (EffectiveShowHint() && !toolTip().isEmpty())
        QToolTip::showText(he->globalPos(), toolTip(), this);
      else QToolTip::hideText();
      return true;
    }
    case QEvent::ParentChange:
      if (!ComponentState().testFlag(TComponentStateFlag::csDestroying)) {
        if (gSettingParentOf != this) ApplyVisibilityLater();
        PlaceInZOrder();
        if (FParentColor) SetParentColorFromParent();
        if (FParentFont) SetParentFontFromParent();
        RequestAlign();
      }
      break;
    case QEvent::WindowDeactivate:
      if (FCaptured && !isWindow()) ReleaseCapture(true);
      break;
    case QEvent::DynamicPropertyChange:
      RouteNestedProperty(this, static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName());
      break;
    default: break;
  }
  return QWidget::event(e);
}

void TControl::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  // A plain widget as parent tells of its palette and font only this way; a control parent
  // tells its children itself.
  if (!parentWidget() || ParentControlOf(this)) return;
  kv::Guarded(this, [&] {
    if (e->type() == QEvent::PaletteChange && FParentColor) SetParentColorFromParent();
    if (e->type() == QEvent::FontChange && FParentFont) SetParentFontFromParent();
  });
}

void TControl::showEvent(QShowEvent* e) { QWidget::showEvent(e); }

void TControl::hideEvent(QHideEvent* e) {
  if (FCaptured && !e->spontaneous()) ReleaseCapture(true);
  QWidget::hideEvent(e);
}

void TControl::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  // A size from outside keeps the rules; when they changed it, the resize that followed has
  // been reported already.
  if (!FSettingBounds && FollowOutsideResize()) return;
  Resize();
}

namespace {

// Where the widget lies on the image the painter draws on, when that image holds it at a
// whole number of image pixels per widget pixel (the device pixel ratio of the window):
// the image, that scale and the image position of the widget's (0, 0). No image otherwise.
struct ImagePlacement {
  const QImage* Image = nullptr;
  int Scale = 1;
  QPoint Offset;
};

ImagePlacement PlacementOnImage(QPainter& painter) {
  QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
  const QTransform t = painter.deviceTransform();
  if (!device || device->devType() != QInternal::Image || t.type() > QTransform::TxScale ||
      t.m11() != t.m22() || t.m11() < 1 || t.m11() > kv::kMaxDeviceScale ||
      t.m11() != std::floor(t.m11()))
    return {};
  return {static_cast<const QImage*>(device), int(t.m11()), QPoint(qRound(t.dx()), qRound(t.dy()))};
}

// Device pixels per widget pixel on the painter's device.
double DeviceRatio(QPainter& painter, const QWidget* widget) {
  const QTransform t = painter.deviceTransform();
  return t.type() <= QTransform::TxScale && t.m11() > 0 ? t.m11() : widget->devicePixelRatioF();
}

// The window's own pixels under the control, when the device the widget paints on is a plain
// RGB32 image that holds the whole control at the surface's scale: a canvas on this view draws
// on the window, so a paint needs neither a read back nor a copy to the window. A null image
// otherwise.
QImage WindowView(QPainter& painter, const QRect& control, int scale) {
  const ImagePlacement placed = PlacementOnImage(painter);
  const QImage* window = placed.Image;
  // Written through its constant bits, so the image the painter is open on never detaches.
  if (!window || placed.Scale != scale || window->format() != QImage::Format_RGB32 ||
      !window->isDetached())
    return {};
  const QRect r(control.topLeft() * scale + placed.Offset, control.size() * scale);
  if (!window->rect().contains(r)) return {};
  auto* bits = const_cast<uchar*>(window->constBits()) +
               qsizetype(r.top()) * window->bytesPerLine() +
               qsizetype(r.left()) * qsizetype(sizeof(uint32_t));
  QImage view(bits, r.width(), r.height(), window->bytesPerLine(), QImage::Format_RGB32);
  view.setDevicePixelRatio(scale);
  return view;
}

}  // namespace

void TControl::ReadBackSurface(QPainter& painter, const QRegion& region) {
  const int scale = int(FSurface.devicePixelRatio());
  const ImagePlacement placed = PlacementOnImage(painter);
  if (const QImage* window = placed.Image;
      window && placed.Scale == scale && IsRgb32Like(window->format())) {
    const QPoint offset = placed.Offset;
    const QRect windowRect = window->rect().translated(-offset);
    for (const QRect& r0 : region) {
      const QRect r = r0 & windowRect & FSurface.rect();
      for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* src =
            reinterpret_cast<const uint32_t*>(window->constScanLine(y + offset.y())) + r.left() +
            offset.x();
        auto* dst = reinterpret_cast<uint32_t*>(FSurface.scanLine(y)) + r.left();
        for (int x = 0; x < r.width(); ++x) dst[x] = src[x] | 0xFF000000u;
      }
    }
    return;
  }
  QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
  const QTransform t = painter.deviceTransform();
  const bool imageAtOtherRatio = device && device->devType() == QInternal::Image && t.m11() != scale;
  if (device && t.type() <= QTransform::TxScale &&
      (device->devType() == QInternal::Pixmap || imageAtOtherRatio)) {
    // The pixels the window shows under the control, brought to the surface's scale (a
    // fractional ratio: smoothly). Only the region takes them: at a fractional ratio the
    // surface's last frame beside it is exact where the window's enlarged pixels are not, and
    // the reduction of the region's edges reads it.
    const QRect shownRect = t.mapRect(QRectF(rect())).toAlignedRect();
    QImage shown = device->devType() == QInternal::Image
                       ? static_cast<const QImage*>(device)->copy(shownRect)
                       : static_cast<const QPixmap*>(device)->copy(shownRect).toImage();
    if (shown.size() != FSurface.size())
      shown = shown.scaled(FSurface.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    shown = shown.convertToFormat(QImage::Format_RGB32);
    if (shown.size() == FSurface.size()) {
      for (const QRect& r0 : region) {
        const QRect r = r0 & FSurface.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
          std::memcpy(FSurface.scanLine(y) + qsizetype(r.left()) * qsizetype(sizeof(uint32_t)),
                      shown.constScanLine(y) + qsizetype(r.left()) * qsizetype(sizeof(uint32_t)),
                      size_t(r.width()) * sizeof(uint32_t));
      }
      return;
    }
  }
  // The window's pixels cannot be read: the parent's colour stands in for them.
  TControl* p = ParentControlOf(this);
  FillRegion(FSurface, region, kv::ColorToPixel(p ? p->Color() : Color()));
}

// A control draws in device pixels: at the window's ratio when it is a whole number, and at
// the next whole number above a fractional one, whose picture is then reduced smoothly into
// the window once, so no part of it is ever a picture enlarged.
void TControl::paintEvent(QPaintEvent* e) {
  kv::PaintDepth depth;
  if (size().isEmpty()) return;
  QPainter painter(this);
  const double ratio = DeviceRatio(painter, this);
  const int scale = kv::DeviceScaleOf(ratio);
  const QRegion region = e->region() & rect();
  const QRegion deviceRegion = kv::ScaledRegion(region, scale);
  QImage view = WindowView(painter, rect(), scale);
  const bool onWindow = !view.isNull();
  // A control too large for any picture paints nothing rather than asking for gigabytes.
  if (!onWindow && int64_t(width()) * height() * scale * scale > kv::kMaxBitmapPixels) return;
  // A new surface has no last frame beside the region: it takes the window's pixels whole.
  const bool newSurface =
      !onWindow && (FSurface.size() != size() * scale || FSurface.devicePixelRatio() != scale);
  if (newSurface) {
    FSurface = QImage(size() * scale, QImage::Format_RGB32);
    FSurface.setDevicePixelRatio(scale);
  }
  QImage& surface = onWindow ? view : FSurface;
  if (surface.isNull()) return;
  if (ErasesBackground()) FillRegion(surface, deviceRegion, kv::ColorToPixel(FColor));
  else if (!onWindow) ReadBackSurface(painter, newSurface ? QRegion(surface.rect()) : deviceRegion);
  {
    // A drawing from another thread under the canvas lock waits for the whole paint.
    const kv::CanvasLock lock(FCanvas.get());
    FCanvas->Attach(&surface, QPoint(), deviceRegion);
    kv::Guarded(this, [this] { PaintControl(); });
    FCanvas->Detach();
  }
  if (onWindow) return;
  painter.setClipRegion(region);
  if (ratio != scale) painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QPoint(0, 0), FSurface);
}

// ---------------------------------------------------------------------------

TGraphicControl::TGraphicControl(kv::OwnerOrParent owner) : TControl(owner) {
  setFocusPolicy(Qt::NoFocus);
  AdoptParent(owner.Parent());
}

// ---------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(kv::OwnerOrParent owner) : TControl(owner) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  ApplyFocusPolicy();
  AdoptParent(owner.Parent());
}

TWinControl::~TWinControl() {
  BeginDestruction();
  // Child controls that others own go with their parent window, as Qt would take them
  // anyway; freeing them here keeps the parent whole while they go.
  while (true) {
    TControl* victim = nullptr;
    for (QObject* child : QObject::children())
      if ((victim = dynamic_cast<TControl*>(child))) break;
    if (!victim) break;
    delete victim;
  }
}

int TWinControl::ControlCount() const {
  int n = 0;
  for (QObject* child : QObject::children())
    if (dynamic_cast<TControl*>(child)) ++n;
  return n;
}

TControl* TWinControl::Controls(int index) const {
  int n = 0;
  for (QObject* child : QObject::children())
    if (auto* c = dynamic_cast<TControl*>(child))
      if (n++ == index) return c;
  throw EListError(QStringLiteral("Control index out of bounds (%1)").arg(index));
}

void TWinControl::SetTabStop(bool v) {
  if (v == FTabStop) return;
  FTabStop = v;
  ApplyFocusPolicy();
}

// TabStop puts the control in the Tab chain and lets a click focus it (the controls' presses
// take the focus only then); without it the control takes the focus only when asked.
void TWinControl::ApplyFocusPolicy() { setFocusPolicy(FTabStop ? Qt::StrongFocus : Qt::NoFocus); }

void TWinControl::SetTabOrder(int v) {
  if (v == FTabOrder) return;
  FTabOrder = v;
  auto* p = Parent();
  if (!p) return;
  // While the parent loads, its Loaded orders the chain once.
  if (p->IsLoading()) p->FTabChainPending = true;
  else p->UpdateTabChain();
}

void TWinControl::UpdateTabChain() {
  std::vector<TWinControl*> stops;
  for (QObject* child : QObject::children())
    if (auto* w = dynamic_cast<TWinControl*>(child)) stops.push_back(w);
  std::stable_sort(stops.begin(), stops.end(), [](TWinControl* a, TWinControl* b) {
    const int ta = a->FTabOrder < 0 ? std::numeric_limits<int>::max() : a->FTabOrder;
    const int tb = b->FTabOrder < 0 ? std::numeric_limits<int>::max() : b->FTabOrder;
    return ta < tb;
  });
  for (size_t i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1], stops[i]);
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = ParentControlOf(c))
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (!CanFocus())
    throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
  setFocus(Qt::OtherFocusReason);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  PlaceChildrenInZOrder(this);
  if (std::exchange(FTabChainPending, false)) UpdateTabChain();
  Realign();
}

void TWinControl::Realign() {
  if (FAligning || IsLoading()) return;
  FAligning = true;
  TRect r = ClientRect();
  // One pass over the children; a handler of a resize may free one of them.
  std::vector<QPointer<TControl>> aligned;
  for (QObject* child : QObject::children())
    if (auto* c = dynamic_cast<TControl*>(child); c && c->Align() != TAlign::alNone)
      aligned.emplace_back(c);
  auto place = [&](TAlign which) {
    for (const QPointer<TControl>& c : aligned) {
      if (!c || c->Align() != which || !c->Visible()) continue;
      switch (which) {
        case TAlign::alTop:
          c->SetBounds(r.Left, r.Top, r.Width(), c->Height());
          r.Top += c->Height();
          break;
        case TAlign::alBottom:
          c->SetBounds(r.Left, r.Bottom - c->Height(), r.Width(), c->Height());
          r.Bottom -= c->Height();
          break;
        case TAlign::alLeft:
          c->SetBounds(r.Left, r.Top, c->Width(), r.Height());
          r.Left += c->Width();
          break;
        case TAlign::alRight:
          c->SetBounds(r.Right - c->Width(), r.Top, c->Width(), r.Height());
          r.Right -= c->Width();
          break;
        case TAlign::alClient:
          c->SetBounds(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
          break;
        default: break;
      }
    }
  };
  try {
    for (TAlign a :
         {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
      place(a);
  } catch (...) {
    FAligning = false;
    throw;
  }
  FAligning = false;
}

void TWinControl::resizeEvent(QResizeEvent* e) {
  TControl::resizeEvent(e);
  Realign();
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) { emit OnKeyDown(this, key, shift); }
void TWinControl::KeyUp(uint16_t& key, TShiftState shift) { emit OnKeyUp(this, key, shift); }
void TWinControl::KeyPress(QChar& key) { emit OnKeyPress(this, key); }
void TWinControl::WMSetFocus() {}
void TWinControl::WMKillFocus() {}
void TWinControl::DoEnter() { emit OnEnter(this); }
void TWinControl::DoExit() { emit OnExit(this); }

namespace {

bool IsArrow(uint16_t vk) {
  return vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN;
}

bool BroadcastDialogChar(TControl* from, QChar ch) {
  TForm* form = GetParentForm(from);
  if (!form) return false;
  bool handled = false;
  kv::ForEachControl(form, [&](TControl* c) {
    if (!handled) handled = c->CMDialogChar(ch);
  });
  return handled;
}

}  // namespace

void TWinControl::keyPressEvent(QKeyEvent* e) {
  const uint16_t vk = kv::VirtualKeyOf(e->key());
  const TShiftState shift = kv::ShiftStateOf(e->modifiers(), Qt::NoButton);
  if (IsArrow(vk) && !WantsArrows()) {
    focusNextPrevChild(vk == VK_RIGHT || vk == VK_DOWN);
    return;
  }
  QPointer<TWinControl> self(this);
  kv::Guarded(this, [&] {
    if (vk != 0) {
      uint16_t key = vk;
      KeyDown(key, shift);
      if (!self) return;
    }
    const QString text = e->text();
    if (text.isEmpty() || !text.at(0).isPrint()) return;
    QChar ch = text.at(0);
    if (e->modifiers() & Qt::AltModifier) {
      BroadcastDialogChar(this, ch);
      return;
    }
    KeyPress(ch);
    if (!self || ch.isNull()) return;
    BroadcastDialogChar(this, ch);
  });
}

void TWinControl::keyReleaseEvent(QKeyEvent* e) {
  // Auto-repeat repeats KeyDown only; KeyUp comes once, on the physical release.
  if (e->isAutoRepeat()) return;
  const uint16_t vk = kv::VirtualKeyOf(e->key());
  if (vk == 0) return;
  uint16_t key = vk;
  const TShiftState shift = kv::ShiftStateOf(e->modifiers(), Qt::NoButton);
  kv::Guarded(this, [&] { KeyUp(key, shift); });
}

void TWinControl::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  QPointer<TWinControl> self(this);
  kv::Guarded(this, [&] {
    WMSetFocus();
    if (!self) return;
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
      DoEnter();
  });
}

void TWinControl::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  QPointer<TWinControl> self(this);
  kv::Guarded(this, [&] {
    WMKillFocus();
    if (!self) return;
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason) DoExit();
  });
}

TCustomControl::TCustomControl(kv::OwnerOrParent owner) : TWinControl(owner) {}
