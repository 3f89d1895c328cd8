// Controls: every control is a real QWidget with the framework's component side.
//
// Windowed controls (TWinControl, TCustomControl) are opaque widgets that can take the
// focus. Non-windowed controls (TGraphicControl) take no focus and paint over whatever
// their parent and the siblings below them painted, so they can be transparent. A
// control draws through its Canvas, which during a paint points at an RGB32 surface of
// the control's size: erased with Color for a windowed control, holding the pixels
// already on the window under a non-windowed one.
#pragma once

#include "KvExport.h"

#include "Classes.h"
#include "Graphics.h"
#include "Guarded.h"

#include <QPointer>
#include <QWidget>

#include <concepts>
#include <cstdint>
#include <memory>
#include <new>

namespace Controls {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
Q_ENUM_NS(TAlign)
using enum TAlign;
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
Q_ENUM_NS(TMouseButton)
using enum TMouseButton;
enum TShiftStateFlag {
  ssShift = 1 << 0,
  ssAlt = 1 << 1,
  ssCtrl = 1 << 2,
  ssLeft = 1 << 3,
  ssRight = 1 << 4,
  ssMiddle = 1 << 5,
  ssDouble = 1 << 6
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_FLAG_NS(TShiftState)
enum TControlStyleFlag {
  csAcceptsControls = 1 << 0,
  csCaptureMouse = 1 << 1,
  csClickEvents = 1 << 2,
  csFramed = 1 << 3,
  csSetCaption = 1 << 4,
  csOpaque = 1 << 5,
  csDoubleClicks = 1 << 6,
  csReplicatable = 1 << 7
};
Q_DECLARE_FLAGS(TControlStyle, TControlStyleFlag)
Q_FLAG_NS(TControlStyle)
enum class TBorderStyle { bsNone, bsSingle };
Q_ENUM_NS(TBorderStyle)
using enum TBorderStyle;
enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
Q_ENUM_NS(TBevelCut)
using enum TBevelCut;

}  // namespace Controls
Q_DECLARE_OPERATORS_FOR_FLAGS(Controls::TShiftState)
Q_DECLARE_OPERATORS_FOR_FLAGS(Controls::TControlStyle)

using Controls::TAlign;
using Controls::TBevelCut;
using Controls::TBorderStyle;
using Controls::TControlStyle;
using Controls::TControlStyleFlag;
using Controls::TMouseButton;
using Controls::TShiftState;
using Controls::TShiftStateFlag;

namespace kv {

// Virtual key codes of KeyDown and KeyUp.
enum : uint16_t {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_F1 = 0x70
};

}  // namespace kv

class TWinControl;
class TForm;
namespace kv {
class PointerTracker;

// The component a widget belongs to: the widget itself or the nearest of its parents that is
// a component; none when there is none.
KV_EXPORT TComponent* NearestComponent(QWidget* widget);

// What a control's constructor takes. A component pointer is the owner and nothing more: the
// control gets its parent later (SetParent), as form descriptions create controls. A pointer to
// any widget (a plain QWidget, a QMainWindow, a form) is the parent, as for every Qt widget:
// `new TKvMeter(this)`; the owner is then the nearest component at or above it. A form passed
// by its own type is therefore both owner and parent.
class KV_EXPORT OwnerOrParent {
public:
  OwnerOrParent(TComponent* owner) : FOwner(owner) {}
  template <std::derived_from<QWidget> W>
  OwnerOrParent(W* parent) : FOwner(NearestComponent(parent)), FParent(parent) {}
  TComponent* Owner() const { return FOwner; }
  QWidget* Parent() const { return FParent; }

private:
  TComponent* FOwner = nullptr;
  QWidget* FParent = nullptr;
};

}  // namespace kv

// The base of every control: a QWidget with bounds, alignment, colour, font, caption and
// mouse events, owned by a component and placed in a parent.
class KV_EXPORT TControl : public QWidget, public TComponent {
  Q_OBJECT
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(TCursor Cursor READ Cursor WRITE SetCursor)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Cursor", "0")
  Q_CLASSINFO("default.Hint", "")
  Q_CLASSINFO("default.ParentShowHint", "true")
  Q_CLASSINFO("default.ShowHint", "false")
  Q_CLASSINFO("default.Visible", "true")
  // A colour or font taken from the parent is not stored (the descendants that publish
  // Color and Font inherit this).
  Q_CLASSINFO("stored.Color", "IsColorStored")
  Q_CLASSINFO("stored.Font", "IsFontStored")

public:
  explicit TControl(kv::OwnerOrParent owner);
  Q_INVOKABLE bool IsColorStored() const { return !FParentColor; }
  Q_INVOKABLE bool IsFontStored() const { return !FParentFont; }
  ~TControl() override;

  // Every delete of a control comes here (Qt's freeing of children and deleteLater too). A
  // control that is dispatching, or lies inside one that is (its handler, or a handler of a
  // control on it, frees it), is retired instead: hidden, out of its parent and its owner,
  // silent, and destroyed once the event loop runs again. So the code of the running event
  // touches nothing freed, and the rest of the event reaches no handler.
  static void operator delete(TControl* control, std::destroying_delete_t);

  // Geometry (the widget's geometry is the one source of truth).
  int Left() const { return geometry().x(); }
  int Top() const { return geometry().y(); }
  int Width() const { return geometry().width(); }
  int Height() const { return geometry().height(); }
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
  TRect BoundsRect() const { return kv::Bounds(Left(), Top(), Width(), Height()); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual TRect ClientRect() const { return kv::Rect(0, 0, Width(), Height()); }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(int v) { SetWidth(Width() - ClientWidth() + v); }
  void SetClientHeight(int v) { SetHeight(Height() - ClientHeight() + v); }
  // Every change of the bounds goes through here, a resize by a layout included; a no-op when
  // nothing changes. The auto-size rule applies inside. Positions are held within
  // +-QWIDGETSIZE_MAX and sizes within 0..QWIDGETSIZE_MAX, so no sum of them overflows.
  virtual void SetBounds(int left, int top, int width, int height);

  // Layouts: the preferred size is the designed one (the bounds given by the constructor or
  // by SetBounds, or the auto-size result), never a size a layout gave. A control has no
  // minimum of its own (an invalid minimumSizeHint) unless it overrides minimumSizeHint. The
  // size policy is Fixed in each direction AutoSize controls, Preferred otherwise.
  QSize sizeHint() const override { return FDesignedSize; }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign v);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);

  TWinControl* Parent() const;
  // Puts the control into Parent (none: takes it out). Virtual so that a control can
  // refuse a parent by raising.
  virtual void SetParent(TWinControl* parent);

  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
  void SetEnabled(bool v);

  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool v);
  TFont* Font() const { return FFont.get(); }
  void SetFont(const TFont* v) { FFont->Assign(v); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool v);
  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& v);
  const QString& Text() const { return FCaption; }
  void SetText(const QString& v) { SetCaption(v); }

  // The widget's tool tip: setting either shows in the other.
  QString Hint() const { return toolTip(); }
  void SetHint(const QString& v) { setToolTip(v); }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool v);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool v);
  // ShowHint as it applies: the parent chain's when ParentShowHint, else the control's own.
  bool EffectiveShowHint() const;
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor v);

  TControlStyle ControlStyle() const { return FControlStyle; }
  // The opaque flag also selects how a repaint of a non-windowed control runs.
  void SetControlStyle(TControlStyle v);

  bool MouseCapture() const;
  void SetMouseCapture(bool v);

  // Asynchronous repaint. Invalidate, Update, Repaint and SetBounds raise EThread on any
  // thread but the control's (the GUI thread), where a setter would otherwise reach Qt.
  virtual void Invalidate();
  // Paints what is pending now.
  void Update();
  // Synchronous repaint (see the class comment of TGraphicControl for the two forms).
  // Nothing happens while the control is not showing but an invalidation; a repaint
  // requested during any paint also becomes an invalidation.
  virtual void Repaint();
  virtual void BringToFront();

  TPoint ClientToScreen(TPoint p) const { return kv::FromQPoint(mapToGlobal(kv::ToQPoint(p))); }
  TPoint ScreenToClient(TPoint p) const { return kv::FromQPoint(mapFromGlobal(kv::ToQPoint(p))); }

  void SetName(const QString& name) override;
  bool IsDesigning() const { return ComponentState().testFlag(TComponentStateFlag::csDesigning); }
  bool IsLoading() const { return ComponentState().testFlag(TComponentStateFlag::csLoading); }

  // The canvas of this control: its surface during a paint.
  TCanvas* Canvas() const { return FCanvas.get(); }

  // ---- Input, called by the widget's event handlers (descendants override) ----
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void Click();
  virtual void DblClick();
  // The mouse wheel, a step up (+1) or down (-1) as the arrow keys step: whether it moves the
  // value, and the step. The defaults take none: the wheel goes on to the parent.
  virtual bool CanWheelStep(int direction) const;
  virtual void WheelStep(int direction);

  // ---- Notifications (the framework's handling; descendants extend them) ----
  virtual void CMMouseEnter();
  virtual void CMMouseLeave();
  virtual void CMFontChanged();
  virtual void CMTextChanged();
  virtual void CMColorChanged();
  virtual void CMEnabledChanged();
  virtual void CMVisibleChanged();
  virtual void CMSysColorChange();
  virtual void CMParentColorChanged();
  virtual void CMParentFontChanged();
  virtual void CMParentShowHintChanged();
  // An accelerator character offered to every control of the form; true = handled.
  virtual bool CMDialogChar(QChar ch);
  // The form's focus moved to NewFocused (none: left the form).
  virtual void CMFocusChanged(TWinControl* newFocused);
  // The control lost the mouse capture it held (another window took it, or the control
  // was hidden, disabled or is being destroyed) without a button-up.
  virtual void CMCancelMode();
  // The pointer is over the control at P: show the control's cursor (overrides may pick
  // another one, for example over a thumb only).
  virtual void WMSetCursor(TPoint p);
  // Returns the size that the auto-size rule gives, or false to keep the size. Not asked
  // while loading: the stored size and AutoSize may come in any order; Loaded applies it.
  virtual bool CanAutoSize(int& newWidth, int& newHeight);
  void Loaded() override;
  virtual bool GetPalette() const { return false; }

signals:
  // Followers of the published values (bindings, NOTIFY), after the control took the change.
  // Without arguments: a NOTIFY signal that a derived class names must have none.
  void ColorChanged();
  void EnabledChanged();
  void VisibleChanged();
  void CaptionChanged();

  void OnClick(TObject* Sender);
  void OnDblClick(TObject* Sender);
  void OnMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void OnMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnResize(TObject* Sender);

protected:
  // The control's picture; the base draws nothing.
  virtual void Paint();
  // Runs one paint: surface prepared, Canvas attached, PaintControl, surface shown.
  // The image bases wrap PaintControl with their locks.
  virtual void PaintControl();
  // Windowed controls erase with Color; non-windowed ones keep what lies under them.
  virtual bool ErasesBackground() const = 0;

  // Puts a control being constructed into the parent its constructor was given.
  void AdoptParent(QWidget* parent);
  // Color and Font from the parent: a control's, or a plain widget's palette and font.
  void SetParentColorFromParent();
  void SetParentFontFromParent();
  // Realigns the parent's aligned controls after this control's align, size or
  // visibility changed.
  void RequestAlign();
  virtual void Resize();

  // QWidget
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

  // Raises EThread unless called on the control's thread (the GUI thread): what a setter
  // calls before it reaches Qt.
  void CheckGuiThread() const;

  // Forms are shown as windows of their own when they have no parent.
  virtual bool IsForm() const { return false; }

private:
  friend class TWinControl;
  friend class kv::PointerTracker;
  // The framework's notification Message, run as a dispatch of this control (a setter's
  // handler may free it).
  void Notify(void (TControl::*message)());
  // The same, then tells the value's followers while the control is still dispatching.
  template <class Follow>
  void Notify(void (TControl::*message)(), Follow&& follow) {
    const kv::DispatchScope dispatching(this);
    (this->*message)();
    follow();
  }
  void Retire();
  void ApplyCursor();
  void ApplyVisibility();
  void ApplyVisibilityLater();
  void ApplySizePolicy();
  // The directions AutoSize controls under the current Align.
  bool AutoSizesWidth() const;
  bool AutoSizesHeight() const;
  // The bounds SetBounds gives for the bounds asked for: held to Qt's range, auto-sized.
  QRect BoundsByRules(int left, int top, int width, int height);
  // Runs a size given from outside (a layout's setGeometry, QWidget::resize) through
  // SetBounds; true when its rules changed it.
  bool FollowOutsideResize();
  void ReadBackSurface(QPainter& painter, const QRegion& region);
  void FontObjectChanged();
  void PlaceInZOrder();
  void ReleaseCapture(bool notify);
  void HandlePress(QMouseEvent* e, bool doubleClick);

  TAlign FAlign = TAlign::alNone;
  bool FAutoSize = false;
  bool FVisible = true;
  TColor FColor = clWindow;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  bool FTakingParentFont = false;
  QString FCaption;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TCursor FCursor = kv::crDefault;
  TControlStyle FControlStyle;
  std::unique_ptr<TCanvas> FCanvas;
  QImage FSurface;
  bool FClicked = false;
  int FWheelDelta = 0;  // wheel angle not yet a whole step
  bool FCaptured = false;  // holds the mouse (press with csCaptureMouse, or explicit)
  QSize FDesignedSize{0, 0};
  bool FSettingBounds = false;         // SetBounds is moving the widget
  bool FFollowingOutsideSize = false;  // SetBounds applies its rules to a layout's size
  bool FRetired = false;               // freed while dispatching; destroyed later
};

namespace kv {
// Shared state of all paints: a repaint asked for inside a paint becomes an invalidation.
KV_EXPORT bool PaintInProgress();
}  // namespace kv

// A non-windowed control. A synchronous repaint has two forms: with csOpaque only the
// control paints itself (the window under it still shows its previous frame); without,
// its area of the parent is repainted first (background, parent, lower siblings) and the
// control then paints over it.
class KV_EXPORT TGraphicControl : public TControl {
  Q_OBJECT
public:
  explicit TGraphicControl(kv::OwnerOrParent owner);

protected:
  bool ErasesBackground() const override { return false; }
};

// A windowed control: opaque, can take the focus and hold child controls.
class KV_EXPORT TWinControl : public TControl {
  Q_OBJECT
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_CLASSINFO("default.TabOrder", "-1")
  Q_CLASSINFO("default.TabStop", "false")
public:
  explicit TWinControl(kv::OwnerOrParent owner);
  ~TWinControl() override;

  // The child controls in z-order (non-windowed ones below windowed ones).
  int ControlCount() const;
  TControl* Controls(int index) const;

  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool v);
  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int v);

  bool Focused() const { return hasFocus(); }
  bool CanFocus() const;
  virtual void SetFocus();
  // Realigns the aligned child controls to the client area; while loading, Loaded does it
  // once, so that reading many children stays linear.
  void Realign();
  void Loaded() override;

  // ---- Keyboard ----
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  virtual void KeyPress(QChar& key);
  // Arrow keys reach the control only if it wants them; otherwise they move the focus.
  virtual bool WantsArrows() const { return false; }
  virtual void WMSetFocus();
  virtual void WMKillFocus();
  virtual void DoEnter();
  virtual void DoExit();

signals:
  void OnEnter(TObject* Sender);
  void OnExit(TObject* Sender);
  void OnKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void OnKeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void OnKeyPress(TObject* Sender, QChar& Key);

protected:
  bool ErasesBackground() const override { return true; }
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

private:
  friend class TControl;
  void UpdateTabChain();
  void ApplyFocusPolicy();
  bool FTabStop = false;
  int FTabOrder = -1;
  bool FAligning = false;
  bool FTabChainPending = false;  // a child's tab order changed while loading
};

// A windowed control that paints itself on its own canvas.
class KV_EXPORT TCustomControl : public TWinControl {
  Q_OBJECT
public:
  explicit TCustomControl(kv::OwnerOrParent owner);
};

namespace kv {

// Calls F for every control under Root (Root excluded), depth first in z-order.
KV_EXPORT void ForEachControl(const TWinControl* root, const std::function<void(TControl*)>& f);
// The shift state of a Qt event.
KV_EXPORT TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// The virtual key of a Qt key, 0 when it has none.
KV_EXPORT uint16_t VirtualKeyOf(int qtKey);

}  // namespace kv
