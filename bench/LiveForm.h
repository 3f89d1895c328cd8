// The live path of an animated control: a control shown in a form on the off-screen platform,
// a value change, and the synchronous repaint until its pixels are in the window; measured
// next to the limit widget, a plain widget of the same size that only fills itself.
#pragma once

#include "ControlBench.h"
#include "Forms.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <functional>

namespace kvbench {

// The fastest repaint a widget of this size can have: one fill.
class FillLimitWidget : public QWidget {
public:
  FillLimitWidget(QWidget* parent, int width, int height) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(0, 0, width, height);
  }
  int Phase = 0;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), (Phase & 1) ? Qt::black : Qt::white);
  }
};

// A shown panel-coloured form of Width x Height on the off-screen platform.
class LiveForm {
public:
  LiveForm(int width, int height) {
    FForm.SetBorderStyle(TFormBorderStyle::bsNone);
    FForm.SetColor(TColor(kPanelColor));
    FForm.SetBounds(0, 0, width, height);
    FForm.Show();
    Settle();
  }
  TForm* Form() { return &FForm; }
  // Delivers what is pending, paints included, for a few milliseconds.
  static void Settle() {
    QElapsedTimer t;
    t.start();
    do {
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (t.elapsed() < 20);
  }
  // What the window shows now.
  QImage Shot() {
    return QGuiApplication::primaryScreen()
        ->grabWindow(FForm.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

private:
  TForm FForm{nullptr};
};

// Times Step (a value change that repaints synchronously), after checking once that a step
// changes the window's pixels.
inline void TimeLiveSteps(benchmark::State& state, LiveForm& form,
                          const std::function<void()>& step) {
  const QImage before = form.Shot();
  step();
  if (form.Shot() == before) state.SkipWithError("the window's pixels did not change");
  for (auto _ : state) {
    step();
    benchmark::ClobberMemory();
  }
}

inline void LimitFrames(benchmark::State& state, int width, int height) {
  LiveForm form(width, height);
  auto* widget = new FillLimitWidget(form.Form(), width, height);
  widget->show();
  LiveForm::Settle();
  TimeLiveSteps(state, form, [widget] {
    ++widget->Phase;
    widget->repaint();
  });
}

}  // namespace kvbench
