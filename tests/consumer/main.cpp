// A meter in a layout of an ordinary Qt program, linked against the installed library.
#include <kelvara/KvMeter.h>
#include "DesignerSavedInCode.h"
#include "ui_DesignerSaved.h"
#include "ui_StyledInDesigner.h"
#include "ui_Instruments.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "consumer: %s\n", what);
    ++failures;
  }
}

QImage Picture(QWidget* form) {
  form->show();
  QApplication::processEvents();
  return form->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* meter = new TKvMeter(&window);
  layout->addWidget(meter);

  int changes = 0;
  QObject::connect(meter, &TKvMeter::OnChange, meter, [&changes] { ++changes; });
  meter->SetPosition(70);
  Check(meter->Position() == 70 && changes == 1, "the position is set once, with one change");
  try {
    meter->SetMaxValue(meter->MinValue() - 1);
    Check(false, "a maximum below the minimum is refused");
  } catch (const EKvException&) {
  }

  Check(meter->sizeHint() == QSize(240, 105), "the size hint is the meter's designed size");
  window.resize(window.sizeHint());
  window.show();
  QApplication::processEvents();
  const QImage picture = window.grab().toImage();
  Check(picture.size() == QSize(240, 105), "the window is as large as the meter");
  // Inside the bevel, away from the scale and the needle, the face is the meter's black.
  Check(picture.pixel(12, 95) == qRgb(0, 0, 0), "the meter paints its face");

  QWidget designed;
  Ui::Instruments ui;
  ui.setupUi(&designed);
  Check(ui.meter->Position() == 70 && ui.meter->NeedleColor() == clBlue,
        "a form compiled by uic sets the meter's properties, its colour included");

  // A form as Designer saves it (scoped enumerations, sets, a connection) compiles and gives
  // the controls made in code.
  QWidget saved;
  Ui::DesignerSaved savedUi;
  savedUi.setupUi(&saved);
  const std::unique_ptr<QWidget> inCode = kvdesigned::DesignerSavedInCode();
  Check(Picture(&saved) == Picture(inCode.get()),
        "a form saved by Designer draws like the same controls made in code");
  savedUi.slider->SetPosition(75);
  Check(savedUi.levelBar->Position() == 75, "the form's connection carries the slider's value");

  // Fields of style objects, set in Designer by their dotted names, are set by uic's code too.
  QWidget styled;
  Ui::StyledInDesigner styledUi;
  styledUi.setupUi(&styled);
  const std::unique_ptr<QWidget> styledInCode = kvdesigned::StyledInCode();
  Check(Picture(&styled) == Picture(styledInCode.get()),
        "a form with style objects set in Designer draws like the same controls made in code");
  return failures == 0 ? 0 : 1;
}
