// Forms, the scroll box, the application object and the screen.
#pragma once

#include "KvExport.h"

#include "Controls.h"

#include <QCursor>

#include <atomic>
#include <map>
#include <optional>

namespace Forms {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
Q_ENUM_NS(TFormBorderStyle)
using enum TFormBorderStyle;
enum class TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
Q_ENUM_NS(TPosition)
using enum TPosition;

}  // namespace Forms

using Forms::TFormBorderStyle;
using Forms::TPosition;

// A form: a top-level window when it has no parent; given a windowed parent, it becomes
// a child window there (a poDefault form lands at (0, 0)).
class KV_EXPORT TForm : public TWinControl {
  Q_OBJECT
  Q_PROPERTY(Forms::TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight)
  Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(Forms::TPosition Position READ Position WRITE SetPosition)
  Q_CLASSINFO("default.BorderStyle", "bsSizeable")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.Position", "poDesigned")
  Q_CLASSINFO("default.Visible", "false")
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle v);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition v);
  void SetParent(TWinControl* parent) override;

  // Visible and brought to the front (hides TControl::Show, which only makes visible).
  void Show();
  void BringToFront() override;
  // Shapes the window (none: no shape). Client coordinates; the form keeps a copy. Where
  // the window system cannot shape windows, the outside is painted fully transparent and
  // the region only takes the input.
  void SetWindowRegion(const TRegion* region);
  const std::optional<TRegion>& WindowRegion() const { return FWindowRegion; }
  // The window's outline in device pixels for the window drawn at the whole Scale (none:
  // the window region's own steps); a new window region drops it. It takes effect where the
  // window system shapes windows in its own pixels and the window is at that scale: there
  // Qt paints the logical pixels the outline touches and the window shows the finer edge.
  void SetDeviceWindowRegion(const std::optional<TRegion>& devicePixels, int scale);
  // Whether an outline in device pixels for Scale would take effect now, so a caller can
  // spare finding one that would not.
  bool TakesDeviceWindowRegion(int scale) const;
  // Lets the window manager move the window with the pointer, which is now at Pointer
  // (screen coordinates) with the left button down; where it cannot, the window follows
  // the pointer until the button is released.
  void StartSystemMove(TPoint pointer);

signals:
  void OnShow(TObject* Sender);
  void OnHide(TObject* Sender);

protected:
  bool IsForm() const override { return true; }
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  virtual void DoShow();
  virtual void DoHide();

private:
  void ApplyWindowFlags();
  void ApplyWindowRegion();
  void EndMouseMove();
  void PlaceOnFirstShow();
  TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
  TPosition FPosition = TPosition::poDesigned;
  std::optional<TRegion> FWindowRegion;
  std::optional<TRegion> FDeviceWindowRegion;
  int FDeviceWindowScale = 1;
  bool FPlaced = false;
  bool FMovingByMouse = false;
  QPoint FMoveGrab;
};

// The framework's scroll box: a windowed container (no scroll bars when AutoScroll is off).
class KV_EXPORT TScrollBox : public TWinControl {
  Q_OBJECT
  Q_PROPERTY(bool AutoScroll READ AutoScroll WRITE SetAutoScroll)
  Q_PROPERTY(Controls::TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
  Q_PROPERTY(Controls::TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
  Q_PROPERTY(Controls::TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_CLASSINFO("default.AutoScroll", "true")
  Q_CLASSINFO("default.BevelInner", "bvNone")
  Q_CLASSINFO("default.BevelOuter", "bvLowered")
  Q_CLASSINFO("default.BorderStyle", "bsSingle")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.ParentColor", "true")
public:
  explicit TScrollBox(kv::OwnerOrParent owner);
  QSize minimumSizeHint() const override;
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool v) { FAutoScroll = v; }
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut v) { FBevelInner = v; }
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut v) { FBevelOuter = v; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle v);

protected:
  void Paint() override;

private:
  bool FAutoScroll = true;
  TBevelCut FBevelInner = TBevelCut::bvNone;
  TBevelCut FBevelOuter = TBevelCut::bvLowered;
  TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
};

// The application object: the forms it owns, the message loop, the title and OnException.
class KV_EXPORT TApplication : public QObject, public TComponent {
  Q_OBJECT
public:
  TApplication();
  ~TApplication() override;

  void Initialize() {}
  QString Title() const { return FTitle; }
  void SetTitle(const QString& v);
  // Creates a form owned by the application; the first one is the main form. Forms are
  // created hidden.
  template <class T>
  void CreateForm(T*& reference) {
    reference = new T(this);
    if (!FMainForm) FMainForm = reference;
  }
  TForm* MainForm() const { return FMainForm; }
  // Shows the main form and runs the message loop until Terminate.
  void Run();
  void Terminate();
  // Readable from any thread.
  bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }
  void Minimize();
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool v) { FShowHint = v; }

signals:
  // Connected, it takes over the report of every exception that user code raises.
  void OnException(TObject* Sender, const QString& Message);

private:
  QString FTitle;
  TForm* FMainForm = nullptr;
  std::atomic<bool> FTerminated{false};
  bool FShowHint = true;
};

namespace kv {

// The one application object (exists while a TApplication lives).
extern KV_EXPORT TApplication* Application;

}  // namespace kv

// Cursors and screen metrics.
class KV_EXPORT TScreen {
public:
  // A registered cursor, or the built-in one of that number (arrow for unknown numbers).
  QCursor Cursors(TCursor index) const;
  void SetCursors(TCursor index, const QCursor& cursor);
  // A global cursor that overrides every control's (crDefault: none).
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor v);
  int Width() const;
  int Height() const;

private:
  std::map<TCursor, QCursor> FCursors;
  TCursor FCursor = kv::crDefault;
};

namespace kv {

extern KV_EXPORT TScreen* Screen;

// The topmost form the control is on, or none.
KV_EXPORT TForm* GetParentForm(const TControl* control);

// Whether the window system cuts windows to their shape (X11 does; Wayland composes windows
// from their pixels and takes a shape only as the input region). Tests may pretend either
// way; none restores the platform's answer.
KV_EXPORT bool WindowSystemShapesWindows();
KV_EXPORT void SetWindowShapingForTesting(std::optional<bool> shapes);

// Functions run once, when the first TApplication is made or the first cursor or class is
// looked up, whichever comes first (units register their cursors and classes this way).
KV_EXPORT bool AddStartupHook(void (*hook)());
KV_EXPORT void RunStartupHooks();
}  // namespace kv
