#include "Offscreen.h"

#include "Forms.h"
#include "Pixels.h"
#include "SysUtils.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

namespace kvtest {

void Pump(int milliseconds) {
  QElapsedTimer t;
  t.start();
  do {
    QCoreApplication::sendPostedEvents();
    // What a running event loop does: controls freed by their handlers go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  } while (t.elapsed() < milliseconds);
}

void ShowForm(TForm* form, int width, int height) {
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetBounds(0, 0, width, height);
  form->Show();
  Pump();
}

QImage Grab(QWidget* window) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPoint at = window->mapToGlobal(QPoint(0, 0)) - window->window()->mapToGlobal(QPoint(0, 0));
  return screen
      ->grabWindow(window->window()->winId(), at.x(), at.y(), window->width(), window->height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

int32_t PixelAt(QWidget* window, int x, int y) { return PixelAt(Grab(window), x, y); }

namespace {
// The move is delivered at once, so that it reaches no window shown later.
void MovePointer(QPoint p) {
  QCursor::setPos(p);
  Pump();
}
}  // namespace

PointerAway::PointerAway() : FOld(QCursor::pos()) { MovePointer(QPoint(-1000, -1000)); }

PointerAway::~PointerAway() { MovePointer(FOld); }

namespace {
TDateTime FixedNow() { return kv::EncodeDate(2024, 3, 15) + kv::EncodeTime(20, 12, 55, 0); }
}  // namespace

FixedClock::FixedClock() { kv::SetClockForTesting(&FixedNow); }
FixedClock::~FixedClock() { kv::SetClockForTesting(nullptr); }

}  // namespace kvtest
