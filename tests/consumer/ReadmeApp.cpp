// The program around the README's CMake example: a meter of the installed library.
#include <kelvara/KvMeter.h>

#include <QApplication>

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  TKvMeter meter(nullptr);
  meter.SetPosition(30);
  return meter.Position() == 30 ? 0 : 1;
}
