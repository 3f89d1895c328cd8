// Cursor confinement while a control drags something. Nothing here can outlive the drag:
// there is no confining grab; the confinement is an owned token of the dragging control,
// which clamps the positions it handles and, where the platform lets applications move the
// pointer, puts a pointer that left the rectangle back at the clamped point.
#pragma once

#include "KvExport.h"

#include "Classes.h"

#include <QPointer>
#include <QWidget>

namespace kv {

// What confines the pointer. The platform's back-end records nothing and moves the pointer
// only where applications may (X11); tests install a recording one.
class KV_EXPORT CursorClipBackend {
public:
  virtual ~CursorClipBackend() = default;
  // A confinement to ScreenRect (screen coordinates, right and bottom excluded) began.
  virtual void Confine(const TRect& screenRect) = 0;
  // The confinement ended.
  virtual void Release() = 0;
  // True where the pointer may be moved by the program.
  virtual bool CanMovePointer() const = 0;
  virtual void MovePointer(TPoint screenPoint) = 0;
};

// Installs Backend (none: the platform's) and returns the one installed before.
KV_EXPORT CursorClipBackend* SetCursorClipBackend(CursorClipBackend* backend);

// The one confinement of the process, to a widget's client rectangle. Beginning a new one
// ends the current one; destroying a token that is no longer current does nothing.
class KV_EXPORT CursorClip {
public:
  explicit CursorClip(QWidget* widget);
  ~CursorClip();
  CursorClip(const CursorClip&) = delete;
  CursorClip& operator=(const CursorClip&) = delete;

  // Still the confinement of the process.
  bool Active() const;
  // A client point clamped into 0..width-1, 0..height-1: what a confined pointer reports.
  TPoint Clamp(TPoint client) const;
  // The widget handled a pointer move at Client (unclamped). A real mouse outside the
  // rectangle is put back at the clamped point, on the screen's part of it only.
  void Follow(TPoint client, bool realMouse) const;

  // The current confinement, or none.
  static const CursorClip* Current();

private:
  QPointer<QWidget> FWidget;
};

}  // namespace kv
