// Controls belong to the GUI thread: a setter called from a worker raises EThread in the worker
// before it reaches Qt, for every registered control; and a worker drawing on a control's canvas
// under its lock never runs beside a paint (the thread sanitizer build checks that).
#include "Forms.h"
#include "Offscreen.h"
#include "RegisteredControls.h"
#include "Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace {

// What the worker caught from Call: the EThread message, or why there is none.
std::string CaughtInWorker(const std::function<void()>& call) {
  std::string caught = "nothing raised";
  std::thread worker([&] {
    try {
      call();
    } catch (const EThread& e) {
      caught = e.Message().toStdString();
    } catch (...) {
      caught = "another exception";
    }
  });
  worker.join();
  return caught;
}

TEST(GuiThreadRule, EveryControlRefusesSettersFromAWorker) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    TForm form(nullptr);
    TControl* control = kvtest::NewControl(*c, &form);
    control->SetParent(&form);
    kvtest::ShowForm(&form, 200, 150);
    const TRect before = control->BoundsRect();
    EXPECT_NE(CaughtInWorker([&] { control->SetBounds(5, 5, 50, 40); }).find("GUI thread"),
              std::string::npos);
    EXPECT_EQ(control->BoundsRect(), before);  // refused before anything moved
    EXPECT_NE(CaughtInWorker([&] { control->SetColor(clRed); }).find("GUI thread"),
              std::string::npos);
    EXPECT_NE(CaughtInWorker([&] { control->Repaint(); }).find("GUI thread"), std::string::npos);
    // The GUI thread goes on as before.
    control->SetColor(clBlue);
    control->Repaint();
    kvtest::Pump();
    EXPECT_EQ(control->Color().Value, clBlue.Value);
  }
}

TEST(GuiThreadRule, AWorkerDrawingUnderTheLockWaitsForThePaints) {
  TForm form(nullptr);
  auto* box = new TScrollBox(&form);
  box->SetBounds(10, 10, 100, 80);
  kvtest::ShowForm(&form, 200, 150);
  std::atomic<bool> stop = false;
  std::thread worker([&] {
    TCanvas* canvas = box->Canvas();
    while (!stop) {
      canvas->Lock();
      canvas->Brush()->SetColor(clRed);
      canvas->FillRect(kv::Rect(0, 0, 10, 10));
      canvas->Unlock();
    }
  });
  for (int i = 0; i < 200; ++i) box->Repaint();
  stop = true;
  worker.join();
  EXPECT_EQ(box->Canvas()->Surface(), nullptr);  // detached after the paints
}

}  // namespace
