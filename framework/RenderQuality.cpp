#include "RenderQuality.h"

#include <QApplication>
#include <QByteArray>
#include <QWidget>

#include <atomic>
#include <cstdio>

namespace kv {

namespace {

// Read once, when the library loads: a program sees the chosen quality from its first paint.
RenderQuality QualityFromEnvironment() {
  const QByteArray raw = qgetenv("KELVARA_RENDER");
  const QByteArray value = raw.trimmed().toLower();
  if (value.isEmpty() || value == "classic") return RenderQuality::Classic;
  if (value == "smooth") return RenderQuality::Smooth;
  std::fprintf(stderr,
               "kelvara: KELVARA_RENDER=%s is not a rendering quality (smooth or classic); "
               "drawing classic\n",
               raw.constData());
  return RenderQuality::Classic;
}

std::atomic<RenderQuality> gQuality{QualityFromEnvironment()};
thread_local int tClassicScopes = 0;

}  // namespace

void SetRenderQuality(RenderQuality quality) {
  if (quality != RenderQuality::Classic && quality != RenderQuality::Smooth) return;
  if (gQuality.exchange(quality) == quality) return;
  // Every kept picture is keyed by the quality: a full repaint draws each afresh.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()))
    for (QWidget* widget : QApplication::allWidgets()) widget->update();
}

RenderQuality GetRenderQuality() { return gQuality.load(std::memory_order_relaxed); }

bool RendersSmooth() {
  return tClassicScopes == 0 && GetRenderQuality() == RenderQuality::Smooth;
}

ClassicRendering::ClassicRendering() { ++tClassicScopes; }
ClassicRendering::~ClassicRendering() { --tClassicScopes; }

}  // namespace kv
