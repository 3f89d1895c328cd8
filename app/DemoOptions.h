// The demo's command line: which panel to show first, whether the slideshow runs, the
// rendering quality, a screenshot to write, and a time after which to quit (for scripted
// checks).
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

class TfrmQelDemo;

struct TDemoOptions {
  QString Panel;  // empty: the start panel
  bool Slideshow = false;
  bool Smooth = false;  // the smooth rendering instead of the classic one
  QString Screenshot;    // empty: none
  int QuitAfterMs = -1;  // negative: run until closed
};

// Parses the arguments (Qt's own already taken out). Prints help, or a clear message for a
// bad argument; ExitCode is then set (0 after --help, 2 for a bad argument).
std::optional<TDemoOptions> ParseDemoOptions(const QStringList& arguments, int& exitCode);

// Applies the options to the running demo: the panel as its button would show it, the
// slideshow box, the screenshot once the window has been shown and painted, the quit timer.
void ApplyDemoOptions(const TDemoOptions& options, TfrmQelDemo* mainForm);

// The whole window as it is shown, fully transparent outside its shape.
QImage WindowPicture(TfrmQelDemo* mainForm);
// Writes that picture as a PNG; false when the file cannot be written.
bool SaveWindowPicture(TfrmQelDemo* mainForm, const QString& fileName);
