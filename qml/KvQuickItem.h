// The base of every Kelvara item: it owns one control, kept in a window that is never shown
// on screen, shows the control's face as a texture and hands it the item's input. The items
// themselves (KvQuickItems.h) are generated from the controls' published properties.
#pragma once

#include "KvQuickFace.h"
#include "KvQuickForwarding.h"

#include <QImage>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

#include <memory>
#include <optional>

class TForm;
class TControl;
class TKvTimer;

class KvQuickItem : public QQuickItem {
  Q_OBJECT
  QML_ANONYMOUS

public:
  ~KvQuickItem() override;

  // The control the item shows, for what QML cannot set (pictures, collections).
  TControl* control() const { return FControl; }

protected:
  // Makes the control of the registered class ClassName.
  KvQuickItem(const char* className, QQuickItem* parent);

  QObject* StyleObject(const char* name) const;
  QObject* ControlObject() const;

  QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData*) override;
  void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;
  void itemChange(ItemChange change, const ItemChangeData& value) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void hoverMoveEvent(QHoverEvent* event) override;
  void hoverLeaveEvent(QHoverEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

  kv::qml::Forwarding forwarding;

private:
  // The control's face in device pixels, at the pixel ratio its hidden window draws at.
  const QImage& Face();
  // Hides the control's window and stops its animation while the item shows nowhere.
  void FollowShowing(bool showing);
  void FollowFocus(Qt::FocusReason reason);
  // Hears the paints of the object, a widget of the control, and of its widgets.
  void WatchPaints(QObject* object);
  void ForwardMouse(QMouseEvent* event);
  void ForwardKey(QKeyEvent* event);
  void ForwardInput(QEvent* event);

  std::unique_ptr<TForm> FHost;
  TControl* FControl = nullptr;
  TKvTimer* FAnimation = nullptr;
  bool FAnimationStopped = false;
  bool FFaceChanged = true;
  QRect FPainted;  // what the control painted since the face was last taken
  kv::qml::FaceImages FFace;
  std::optional<QPointF> FHoveredAt;  // where the control last heard the pointer move
};

// The base of the grouped properties (bevel, scale, font ...): the style object's published
// properties under the item's property of its name.
class KvQuickGroup : public QObject {
  Q_OBJECT
  QML_ANONYMOUS

protected:
  KvQuickGroup(QObject* style, QObject* parent) : QObject(parent), FStyle(style) {}
  QObject* StyleObject(const char* name) const;

  QObject* FStyle;
  kv::qml::Forwarding forwarding;
};

// The object an event with out-parameters hands its QML handler (`onNeedData: (event) =>
// event.value = 5`): the event's parameters as properties, the out-parameters writable; what
// the handler set there is the control's answer.
class KvQuickEvent : public QObject {
  Q_OBJECT
  QML_ANONYMOUS

protected:
  explicit KvQuickEvent(const QVariantList& values) : FValues(values) {}
  QVariant Value(int i) const { return FValues.value(i); }
  void SetValue(int i, const QVariant& value) { FValues[i] = value; }

private:
  QVariantList FValues;
};
