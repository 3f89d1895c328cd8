// Off-screen helpers: show windows, let Qt deliver its events, read what a window shows.
#pragma once

#include <QImage>
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

}  // namespace kvtest
