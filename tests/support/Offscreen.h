// Off-screen helpers: show windows, let Qt deliver its events, read what a window shows.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <cstdint>

class TForm;

namespace kvtest {

// Delivers pending events (paints and deferred deletes included).
void Pump(int milliseconds = 0);
// Shows a frameless form at (0, 0) with the client size and waits until it is painted.
void ShowForm(TForm* form, int width, int height);
// What the window shows now, read from its backing store (no repaint happens).
QImage Grab(QWidget* window);
// The colour of one pixel of the window, as a TColor value (0x00BBGGRR), -1 outside.
int32_t PixelAt(QWidget* window, int x, int y);

// Keeps the system pointer off the test windows while it lives: a window shown under the
// pointer tells the control there that the pointer entered (the off-screen pointer rests at
// (10, 10)).
class PointerAway {
public:
  PointerAway();
  ~PointerAway();
  PointerAway(const PointerAway&) = delete;
  PointerAway& operator=(const PointerAway&) = delete;

private:
  QPoint FOld;
};

// The time the controls read, fixed at one moment while it lives: a clock's face is the same
// in every picture however long a test takes between them.
class FixedClock {
public:
  FixedClock();
  ~FixedClock();
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
};

}  // namespace kvtest
