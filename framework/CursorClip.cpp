#include "CursorClip.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace kv {

namespace {

class PlatformBackend final : public CursorClipBackend {
public:
  void Confine(const TRect&) override {}
  void Release() override {}
  // Wayland and the off-screen platform give programs no way to place the pointer: there
  // the confinement is the clamping of the positions alone.
  bool CanMovePointer() const override {
    return QGuiApplication::platformName() == QLatin1String("xcb");
  }
  void MovePointer(TPoint p) override { QCursor::setPos(p.X, p.Y); }
};

PlatformBackend gPlatform;
CursorClipBackend* gBackend = nullptr;
const CursorClip* gCurrent = nullptr;

CursorClipBackend& Backend() { return gBackend ? *gBackend : gPlatform; }

}  // namespace

CursorClipBackend* SetCursorClipBackend(CursorClipBackend* backend) {
  CursorClipBackend* old = gBackend;
  gBackend = backend;
  return old;
}

CursorClip::CursorClip(QWidget* widget) : FWidget(widget) {
  if (gCurrent) {
    gCurrent = nullptr;
    Backend().Release();
  }
  gCurrent = this;
  const QPoint origin = widget ? widget->mapToGlobal(QPoint(0, 0)) : QPoint();
  const int w = widget ? widget->width() : 0, h = widget ? widget->height() : 0;
  Backend().Confine(Bounds(origin.x(), origin.y(), w, h));
}

CursorClip::~CursorClip() {
  if (gCurrent != this) return;
  gCurrent = nullptr;
  Backend().Release();
}

bool CursorClip::Active() const { return gCurrent == this; }

const CursorClip* CursorClip::Current() { return gCurrent; }

TPoint CursorClip::Clamp(TPoint p) const {
  const int w = FWidget ? FWidget->width() : 0, h = FWidget ? FWidget->height() : 0;
  return {std::min(std::max(p.X, 0), std::max(w - 1, 0)),
          std::min(std::max(p.Y, 0), std::max(h - 1, 0))};
}

void CursorClip::Follow(TPoint client, bool realMouse) const {
  if (!Active() || !FWidget || !realMouse) return;
  const TPoint inside = Clamp(client);
  if (inside == client || !Backend().CanMovePointer()) return;
  QPoint target = FWidget->mapToGlobal(ToQPoint(inside));
  if (const QScreen* screen = FWidget->screen()) {
    const QRect area = screen->virtualGeometry();
    if (!area.contains(target)) return;
  }
  Backend().MovePointer(FromQPoint(target));
}

}  // namespace kv
