// QEL-Demo: a window with a few drawings of the control bases.
#include "Forms.h"
#include "KvControls.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

namespace {

// A transparent image control that draws a small instrument face with the canvas.
class SampleDial : public TKvGraphicImageControl {
public:
  explicit SampleDial(TComponent* owner) : TKvGraphicImageControl(owner) {}

protected:
  void Paint() override {
    ClearBitmapCanvas();
    TCanvas* c = BitmapCanvas();
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clSilver);
    c->Ellipse(2, 2, Width() - 2, Height() - 2);
    c->Pen()->SetColor(clRed);
    c->MoveTo(Width() / 2, Height() / 2);
    c->LineTo(Width() - 12, 14);
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->Font()->SetName(QStringLiteral("Arial"));
    c->Font()->SetHeight(-13);
    c->TextOut(Width() / 2 - c->TextWidth(QStringLiteral("1.3")) / 2, Height() - 30, QStringLiteral("1.3"));
    TKvGraphicImageControl::Paint();
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication qtApp(argc, argv);
  QCommandLineParser args;
  args.addHelpOption();
  QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("Write a PNG of the window and exit."),
                                QStringLiteral("FILE"));
  args.addOption(screenshot);
  args.process(qtApp);

  TApplication application;
  application.Initialize();
  application.SetTitle(QStringLiteral("QEL-Demo"));
  TForm* form = nullptr;
  application.CreateForm(form);
  form->SetBounds(0, 0, 320, 200);
  form->SetColor(TColor(7292981));
  form->SetPosition(TPosition::poScreenCenter);
  auto* dial = new SampleDial(form);
  dial->SetParent(form);
  dial->SetBounds(20, 20, 160, 160);
  dial->SetTransparent(true);

  if (args.isSet(screenshot)) {
    const QString file = args.value(screenshot);
    QTimer::singleShot(200, [form, file] {
      if (!form->grab().save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      Application->Terminate();
    });
  }
  application.Run();
  return 0;
}
