#include "Forms.h"

#include "DeviceWindowShape.h"
#include "Guarded.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

using kv::Application, kv::crCross, kv::crDefault, kv::crHandPoint, kv::crHourGlass, kv::crIBeam,
    kv::crNone, kv::crSizeAll;

TApplication* kv::Application = nullptr;
TScreen* kv::Screen = new TScreen;  // lives as long as the program

// ---------------------------------------------------------------------------
// Start-up hooks

namespace kv {

namespace {
std::vector<void (*)()>& Hooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}
bool gHooksRan = false;
}  // namespace

bool AddStartupHook(void (*hook)()) {
  Hooks().push_back(hook);
  if (gHooksRan) hook();
  return true;
}

void RunStartupHooks() {
  if (gHooksRan) return;
  gHooksRan = true;
  for (auto hook : Hooks()) hook();
}

}  // namespace kv

// ---------------------------------------------------------------------------
// TForm

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  SetVisible(false);
  SetColor(clBtnFace);
  ApplyWindowFlags();
}

TForm::~TForm() = default;

void TForm::SetBorderStyle(TFormBorderStyle v) {
  if (v == FBorderStyle) return;
  FBorderStyle = v;
  ApplyWindowFlags();
}

void TForm::SetPosition(TPosition v) { FPosition = v; }

void TForm::ApplyWindowFlags() {
  if (parentWidget()) return;
  const bool wasVisible = isVisible();
  Qt::WindowFlags flags = Qt::Window;
  if (FBorderStyle == TFormBorderStyle::bsNone) flags |= Qt::FramelessWindowHint;
  if (flags == windowFlags()) return;
  setWindowFlags(flags);
  if (wasVisible) show();
}

void TForm::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  TControl::SetParent(parent);
  if (!parent) {
    ApplyWindowFlags();
  } else if (FPosition == TPosition::poDefault || FPosition == TPosition::poDefaultPosOnly) {
    SetBounds(0, 0, Width(), Height());
  }
  ApplyWindowRegion();
}

void TForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TForm::BringToFront() {
  if (isWindow()) {
    // The off-screen platform cannot stack windows and says so on every call.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) raise();
    activateWindow();
  } else {
    TControl::BringToFront();
  }
}

void TForm::SetWindowRegion(const TRegion* region) {
  if (region) FWindowRegion = *region;
  else FWindowRegion.reset();
  FDeviceWindowRegion.reset();
  ApplyWindowRegion();
}

void TForm::SetDeviceWindowRegion(const std::optional<TRegion>& devicePixels, int scale) {
  if (devicePixels == FDeviceWindowRegion && scale == FDeviceWindowScale) return;
  FDeviceWindowRegion = devicePixels;
  FDeviceWindowScale = scale;
  ApplyWindowRegion();
}

namespace kv {

namespace {
std::optional<bool> gShapingForTesting;
}  // namespace

bool WindowSystemShapesWindows() {
  if (gShapingForTesting) return *gShapingForTesting;
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void SetWindowShapingForTesting(std::optional<bool> shapes) { gShapingForTesting = shapes; }

}  // namespace kv

void TForm::ApplyWindowRegion() {
  if (FWindowRegion) {
    // Qt paints a masked widget only inside its mask; with a translucent background the
    // rest of the window stays fully transparent. The attribute takes effect when the
    // native window is created (the first show).
    if (isWindow() && !kv::WindowSystemShapesWindows()) setAttribute(Qt::WA_TranslucentBackground);
    const bool fine = FDeviceWindowRegion && TakesDeviceWindowRegion(FDeviceWindowScale);
    // Qt shapes the native window from its mask first; the finer outline replaces that.
    if (fine) setMask(kv::LogicalCover(FDeviceWindowRegion->ToQRegion(), FDeviceWindowScale));
    if (!fine || !kv::ShapeInDevicePixels(windowHandle(), FDeviceWindowRegion->ToQRegion()))
      setMask(FWindowRegion->ToQRegion());
  } else {
    clearMask();
  }
  update();
}

bool TForm::TakesDeviceWindowRegion(int scale) const {
  const QWindow* window = isWindow() ? windowHandle() : nullptr;
  return window && window->devicePixelRatio() == scale && kv::ShapesInDevicePixels(window);
}

void TForm::StartSystemMove(TPoint pointer) {
  if (QWindow* w = windowHandle(); w && isWindow() && w->startSystemMove()) return;
  // The platform cannot move windows for us: follow the pointer until the button is up.
  FMovingByMouse = true;
  FMoveGrab = kv::ToQPoint(pointer) - window()->pos();
  grabMouse();
}

void TForm::EndMouseMove() {
  FMovingByMouse = false;
  releaseMouse();
}

void TForm::mouseMoveEvent(QMouseEvent* e) {
  if (FMovingByMouse) {
    // A release that never arrived (the grab was lost) ends the move as well.
    if (!e->buttons().testFlag(Qt::LeftButton)) EndMouseMove();
    else window()->move(e->globalPosition().toPoint() - FMoveGrab);
    return;
  }
  TWinControl::mouseMoveEvent(e);
}

void TForm::mouseReleaseEvent(QMouseEvent* e) {
  if (FMovingByMouse && e->button() == Qt::LeftButton) {
    EndMouseMove();
    return;
  }
  TWinControl::mouseReleaseEvent(e);
}

void TForm::resizeEvent(QResizeEvent* e) { TWinControl::resizeEvent(e); }

void TForm::PlaceOnFirstShow() {
  if (FPlaced || !isWindow()) return;
  FPlaced = true;
  if (FPosition == TPosition::poScreenCenter) {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
      const QRect avail = s->availableGeometry();
      move(avail.x() + (avail.width() - width()) / 2, avail.y() + (avail.height() - height()) / 2);
    }
  }
}

void TForm::showEvent(QShowEvent* e) {
  TWinControl::showEvent(e);
  if (e->spontaneous()) return;
  PlaceOnFirstShow();
  DoShow();
}

void TForm::hideEvent(QHideEvent* e) {
  TWinControl::hideEvent(e);
  if (!e->spontaneous()) DoHide();
}

void TForm::DoShow() {
  kv::Guarded(this, [this] { emit OnShow(this); });
}

void TForm::DoHide() {
  kv::Guarded(this, [this] { emit OnHide(this); });
}

// ---------------------------------------------------------------------------
// TScrollBox

TScrollBox::TScrollBox(kv::OwnerOrParent owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csAcceptsControls);
  SetBounds(0, 0, 185, 41);
}

void TScrollBox::SetBorderStyle(TBorderStyle v) {
  if (v == FBorderStyle) return;
  FBorderStyle = v;
  Invalidate();
}

// A pixel inside the border.
QSize TScrollBox::minimumSizeHint() const {
  return FBorderStyle == TBorderStyle::bsSingle ? QSize(3, 3) : QSize(1, 1);
}

void TScrollBox::Paint() {
  if (FBorderStyle != TBorderStyle::bsSingle) return;
  TCanvas* c = Canvas();
  c->Brush()->SetColor(clBtnShadow);
  c->FrameRect(ClientRect());
}

// ---------------------------------------------------------------------------
// TApplication

TApplication::TApplication() : TComponent(nullptr) {
  Application = this;
  kv::RunStartupHooks();
  kv::SetExceptionHandler([this](const QString& message) {
    if (!isSignalConnected(QMetaMethod::fromSignal(&TApplication::OnException))) return false;
    emit OnException(this, message);
    return true;
  });
}

TApplication::~TApplication() {
  FTerminated.store(true, std::memory_order_release);
  BeginDestruction();
  if (Application != this) return;
  kv::SetExceptionHandler({});
  Application = nullptr;
}

void TApplication::SetTitle(const QString& v) {
  FTitle = v;
  QGuiApplication::setApplicationDisplayName(v);
  if (FMainForm) FMainForm->setWindowTitle(v);
}

void TApplication::Run() {
  if (FMainForm && !Terminated()) {
    if (!FTitle.isEmpty()) FMainForm->setWindowTitle(FTitle);
    FMainForm->Show();
  }
  if (!Terminated()) QApplication::exec();
}

void TApplication::Terminate() {
  FTerminated.store(true, std::memory_order_release);
  QCoreApplication::quit();
}

void TApplication::Minimize() {
  if (FMainForm) FMainForm->showMinimized();
}

// ---------------------------------------------------------------------------
// TScreen

QCursor TScreen::Cursors(TCursor index) const {
  // Units register their cursors from start-up hooks; a program without the application
  // object runs them here, on the first look-up.
  kv::RunStartupHooks();
  if (auto it = FCursors.find(index); it != FCursors.end()) return it->second;
  switch (index) {
    case crNone: return QCursor(Qt::BlankCursor);
    case crCross: return QCursor(Qt::CrossCursor);
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crSizeAll: return QCursor(Qt::SizeAllCursor);
    case crHourGlass: return QCursor(Qt::WaitCursor);
    case crHandPoint: return QCursor(Qt::PointingHandCursor);
    default: return QCursor(Qt::ArrowCursor);
  }
}

void TScreen::SetCursors(TCursor index, const QCursor& cursor) { FCursors[index] = cursor; }

void TScreen::SetCursor(TCursor v) {
  if (v == FCursor) return;
  const bool had = FCursor != crDefault;
  FCursor = v;
  if (v == crDefault) {
    if (had) QGuiApplication::restoreOverrideCursor();
  } else if (had) {
    QGuiApplication::changeOverrideCursor(Cursors(v));
  } else {
    QGuiApplication::setOverrideCursor(Cursors(v));
  }
}

int TScreen::Width() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 0;
}

TForm* kv::GetParentForm(const TControl* control) {
  if (!control) return nullptr;
  const QWidget* top = control;
  while (top->parentWidget()) top = top->parentWidget();
  return dynamic_cast<TForm*>(const_cast<QWidget*>(top));
}
