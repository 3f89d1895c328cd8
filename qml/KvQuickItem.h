// The base of every Kelvara item: it owns one control, kept in a window that is never shown
// on screen, shows the control's face as a texture and hands it the item's input. The items
// themselves (KvQuickItems.h) are generated from the controls' published properties.
#pragma once

#include "KvQuickForwarding.h"

#include <QImage>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

#include <memory>

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
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

  kv::qml::Forwarding forwarding;

private:
  // The control's face in device pixels, at the pixel ratio its hidden window draws at.
  QImage Face() const;
  // Hides the control's window and stops its animation while the item shows nowhere.
  void FollowShowing(bool showing);
  void ForwardMouse(QMouseEvent* event);
  void ForwardKey(QKeyEvent* event);
  void ForwardInput(QEvent* event);

  std::unique_ptr<TForm> FHost;
  TControl* FControl = nullptr;
  TKvTimer* FAnimation = nullptr;
  bool FAnimationStopped = false;
  bool FFaceChanged = true;
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
