// QEL-Demo: the program entry.
#include "DemoOptions.h"
#include "RenderQuality.h"
#include "_frmLeds.h"
#include "_frmMeters.h"
#include "_frmMisc.h"
#include "_frmQelDemo.h"
#include "_frmScope.h"
#include "_frmStart.h"
#include "_frmSwitches.h"

#include <QApplication>

#include <cstdio>

using kv::Application, kv::Exception;

int main(int argc, char** argv) {
  QApplication qtApplication(argc, argv);
  int exitCode = 0;
  const std::optional<TDemoOptions> options =
      ParseDemoOptions(QCoreApplication::arguments(), exitCode);
  if (!options) return exitCode;

  // The demo shows the controls as designed, in the classic colours, on any desktop.
  kv::SetSysColorSource(kv::SysColorSource::Classic);
  if (options->Smooth) kv::SetRenderQuality(kv::RenderQuality::Smooth);
  TApplication application;
  try {
    Application->Initialize();
    Application->SetTitle(QStringLiteral("QEL-Demo"));
    Application->CreateForm(frmQelDemo);
    Application->CreateForm(frmMeters);
    Application->CreateForm(frmLeds);
    Application->CreateForm(frmSwitches);
    Application->CreateForm(frmScope);
    Application->CreateForm(frmMisc);
    Application->CreateForm(frmStart);
    ApplyDemoOptions(*options, frmQelDemo);
  } catch (const Exception& e) {
    // A form that cannot be created is a broken installation: say what and stop.
    std::fprintf(stderr, "qel-demo: %s\n", qPrintable(e.Message()));
    return 1;
  }
  Application->Run();
  return 0;
}
