#include "KvQuickItem.h"

#include <kelvara/ClassRegistry.h>
#include <kelvara/Forms.h>
#include <kelvara/KvBanner.h>
#include <kelvara/KvImageLed.h>
#include <kelvara/KvMatrix.h>
#include <kelvara/KvScanner.h>
#include <kelvara/KvScope.h>
#include <kelvara/KvThreads.h>
#include <kelvara/kvLedClock.h>

#include <QApplication>
#include <QBackingStore>
#include <QQuickWindow>
#include <QSGImageNode>

namespace {

// The timer that animates a control, for the controls that run one of their own. Their
// accessor is for derived classes; the item stops and restarts the timer, nothing more.
template <class Animated>
TKvTimer* TimerOf(TControl* control) {
  struct Access : Animated {
    using Animated::Timer;
  };
  auto* animated = dynamic_cast<Animated*>(control);
  return animated ? (animated->*&Access::Timer)() : nullptr;
}

template <class... Animated>
TKvTimer* AnimationTimer(TControl* control) {
  TKvTimer* timer = nullptr;
  ((timer = timer ? timer : TimerOf<Animated>(control)), ...);
  return timer;
}

}  // namespace

KvQuickItem::KvQuickItem(const char* className, QQuickItem* parent)
    : QQuickItem(parent), FHost(std::make_unique<TForm>(nullptr)) {
  TForm* host = FHost.get();
  host->SetBorderStyle(TFormBorderStyle::bsNone);
  host->setAttribute(Qt::WA_DontShowOnScreen);
  FControl = dynamic_cast<TControl*>(kv::FindRegisteredClass(QString::fromLatin1(className))
                                         ->create(nullptr));
  FControl->SetParent(host);
  WatchPaints(FControl);
  FAnimation = AnimationTimer<TKvScope, TKvScanner, TKvImageLed, TKvLedClock, TKvMatrix, TKvBanner>(
      FControl);
  host->SetClientWidth(FControl->Width());
  host->SetClientHeight(FControl->Height());
  setImplicitSize(FControl->Width(), FControl->Height());
  setFlag(ItemHasContents);
  setAcceptedMouseButtons(Qt::AllButtons);
  setAcceptHoverEvents(true);
  setActiveFocusOnTab(FControl->focusPolicy() & Qt::TabFocus);
  // The item's place in the tab chain is the control's TabStop (which some draw by).
  if (auto* windowed = dynamic_cast<TWinControl*>(FControl))
    connect(this, &QQuickItem::activeFocusOnTabChanged, this,
            [windowed](bool tabStop) { windowed->SetTabStop(tabStop); });
  // Qt gives the widgets' active window to the window that takes the keyboard (none, for a
  // Qt Quick window) after the Qt Quick window gave its items the focus: taken again here.
  connect(qApp, &QGuiApplication::focusWindowChanged, this,
          [this] { FollowFocus(Qt::ActiveWindowFocusReason); });
  FollowShowing(false);
}

KvQuickItem::~KvQuickItem() {
  // The item is going: nothing the control tells while it goes reaches QML.
  if (QApplication::activeWindow() == FHost.get()) QApplication::setActiveWindow(nullptr);
  FControl->removeEventFilter(this);
  FControl->blockSignals(true);
  delete FControl;
}

void KvQuickItem::WatchPaints(QObject* object) {
  if (!object->isWidgetType()) return;
  object->installEventFilter(this);
  for (QObject* child : object->children()) WatchPaints(child);
}

QObject* KvQuickItem::StyleObject(const char* name) const {
  return kv::qml::Forwarding::StyleObject(FControl, name);
}

QObject* KvQuickItem::ControlObject() const { return FControl; }

QObject* KvQuickGroup::StyleObject(const char* name) const {
  return kv::qml::Forwarding::StyleObject(FStyle, name);
}

const QImage& KvQuickItem::Face() {
  // The control paints straight into its window's backing store, at that window's device
  // pixel ratio: its pixels are there.
  QBackingStore* store = FHost->backingStore();
  QPaintDevice* device = store ? store->paintDevice() : nullptr;
  const QImage window = device && device->devType() == QInternal::Image
                            ? *static_cast<QImage*>(device)
                            : FHost->grab().toImage();
  const qreal ratio = window.devicePixelRatio();
  const auto inDevicePixels = [ratio](const QRect& r) {
    return QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio).toAlignedRect();
  };
  FFace.Painted(inDevicePixels(FPainted));
  FPainted = QRect();
  const QRect area = inDevicePixels(FControl->geometry()).intersected(window.rect());
  return FFace.Take(window, area, ratio);
}

QSGNode* KvQuickItem::updatePaintNode(QSGNode* old, UpdatePaintNodeData*) {
  auto* node = static_cast<QSGImageNode*>(old);
  if (FControl->width() <= 0 || FControl->height() <= 0) {
    delete node;
    return nullptr;
  }
  if (!node) {
    node = window()->createImageNode();
    node->setOwnsTexture(true);
    node->setFiltering(QSGTexture::Nearest);
    FFaceChanged = true;
  }
  if (FFaceChanged) {
    // The new texture replaces (and deletes) the one made from the face taken before.
    node->setTexture(window()->createTextureFromImage(Face()));
    FFaceChanged = false;
  }
  node->setRect(QRectF(QPointF(0, 0), QSizeF(FControl->size())));
  return node;
}

bool KvQuickItem::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) {
    // The control or a part of it (the spinner's buttons are widgets of their own).
    const QRect painted = static_cast<QPaintEvent*>(event)->rect();
    FPainted |= painted.translated(static_cast<QWidget*>(watched)->mapTo(FControl, QPoint(0, 0)));
    FFaceChanged = true;
    update();
  } else if (event->type() == QEvent::ChildAdded) {
    WatchPaints(static_cast<QChildEvent*>(event)->child());
  } else if (watched == FControl) {
    if (event->type() == QEvent::Resize) {
      // A control that sizes itself (AutoSize) tells the layout its size.
      setImplicitSize(FControl->width(), FControl->height());
    }
  }
  return QQuickItem::eventFilter(watched, event);
}

void KvQuickItem::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
  QQuickItem::geometryChange(newGeometry, oldGeometry);
  if (newGeometry.size() == oldGeometry.size()) return;
  const int w = qRound(newGeometry.width()), h = qRound(newGeometry.height());
  TForm* host = FHost.get();
  host->SetClientWidth(std::max(w, 1));
  host->SetClientHeight(std::max(h, 1));
  FControl->SetBounds(0, 0, w, h);
}

void KvQuickItem::itemChange(ItemChange change, const ItemChangeData& value) {
  QQuickItem::itemChange(change, value);
  if (change == ItemVisibleHasChanged) FollowShowing(value.boolValue && window());
  if (change == ItemSceneChange) FollowShowing(value.window && isVisible());
  if (change == ItemEnabledHasChanged) FControl->SetEnabled(isEnabled());
}

// A control shows its focus mark and hears keys as a widget while it has Qt's focus, which
// a widget has only in the active window: the control's hidden window is the application's
// active window while the item has the active focus. The control takes and loses the focus
// for the item's reason, so that it tells OnEnter and OnExit as a widget does.
void KvQuickItem::FollowFocus(Qt::FocusReason reason) {
  QWidget* host = FHost.get();
  if (hasActiveFocus()) {
    if (QApplication::activeWindow() != host) {
      host->setFocus(reason);
      QApplication::setActiveWindow(host);
    }
    FControl->setFocus(reason);
  } else if (QApplication::activeWindow() == host) {
    host->setFocus(reason);
    QApplication::setActiveWindow(nullptr);
  }
}

void KvQuickItem::focusInEvent(QFocusEvent* event) {
  QQuickItem::focusInEvent(event);
  FollowFocus(event->reason());
}

void KvQuickItem::focusOutEvent(QFocusEvent* event) {
  QQuickItem::focusOutEvent(event);
  FollowFocus(event->reason());
}

void KvQuickItem::FollowShowing(bool showing) {
  if (FAnimation && !showing && FAnimation->Enabled()) {
    FAnimation->SetEnabled(false);
    FAnimationStopped = true;
  } else if (FAnimation && showing && FAnimationStopped) {
    FAnimation->SetEnabled(true);
    FAnimationStopped = false;
  }
  FHost->SetVisible(showing);
}

void KvQuickItem::ForwardInput(QEvent* event) {
  QApplication::sendEvent(FControl, event);
}

void KvQuickItem::ForwardMouse(QMouseEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && activeFocusOnTab())
    forceActiveFocus(Qt::MouseFocusReason);
  QMouseEvent forwarded(event->type(), event->position(), event->scenePosition(),
                        event->globalPosition(), event->button(), event->buttons(),
                        event->modifiers(), event->pointingDevice());
  ForwardInput(&forwarded);
  event->accept();
}

void KvQuickItem::mousePressEvent(QMouseEvent* event) { ForwardMouse(event); }
void KvQuickItem::mouseMoveEvent(QMouseEvent* event) { ForwardMouse(event); }
void KvQuickItem::mouseReleaseEvent(QMouseEvent* event) { ForwardMouse(event); }
void KvQuickItem::mouseDoubleClickEvent(QMouseEvent* event) { ForwardMouse(event); }

void KvQuickItem::hoverMoveEvent(QHoverEvent* event) {
  // Qt Quick repeats the hover at every frame for items that move under a still pointer;
  // the control hears a move only where the pointer is somewhere else on it.
  if (FHoveredAt == event->position()) return;
  FHoveredAt = event->position();
  QMouseEvent moved(QEvent::MouseMove, event->position(), event->scenePosition(),
                    event->globalPosition(), Qt::NoButton, Qt::NoButton, event->modifiers(),
                    event->pointingDevice());
  ForwardInput(&moved);
}

void KvQuickItem::hoverLeaveEvent(QHoverEvent* event) {
  QQuickItem::hoverLeaveEvent(event);
  FHoveredAt.reset();
}

void KvQuickItem::wheelEvent(QWheelEvent* event) {
  QWheelEvent forwarded(event->position(), event->globalPosition(), event->pixelDelta(),
                        event->angleDelta(), event->buttons(), event->modifiers(), event->phase(),
                        event->inverted(), event->source(), event->pointingDevice());
  ForwardInput(&forwarded);
  // A control that cannot step leaves the wheel to what lies under the item.
  event->setAccepted(forwarded.isAccepted());
}

void KvQuickItem::ForwardKey(QKeyEvent* event) {
  // The tab keys move the focus through the scene, as a window moves it through its widgets.
  if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
    event->ignore();
    return;
  }
  QKeyEvent forwarded(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                      event->nativeVirtualKey(), event->nativeModifiers(), event->text(),
                      event->isAutoRepeat(), ushort(event->count()), event->device());
  ForwardInput(&forwarded);
  event->setAccepted(forwarded.isAccepted());
}

void KvQuickItem::keyPressEvent(QKeyEvent* event) { ForwardKey(event); }
void KvQuickItem::keyReleaseEvent(QKeyEvent* event) { ForwardKey(event); }
