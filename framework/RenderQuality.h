// How the canvas draws lines, curves and text, for the whole application: classic (the
// default: aliased, every pixel by the canvas's rules) or smooth (anti-aliased edges). The
// environment variable KELVARA_RENDER=smooth|classic chooses it when the library loads, so
// any program can be switched without rebuilding; docs/rendering.md tells how to choose.
#pragma once

#include "KvExport.h"

#include <QObject>

namespace Rendering {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class RenderQuality { Classic, Smooth };
Q_ENUM_NS(RenderQuality)
using enum RenderQuality;

}  // namespace Rendering

namespace kv {

using Rendering::RenderQuality;

// Sets the quality and repaints every widget; kept pictures drawn at the other quality are
// drawn again.
KV_EXPORT void SetRenderQuality(RenderQuality quality);
KV_EXPORT RenderQuality GetRenderQuality();
// Whether the canvases of this thread draw smooth now: the quality is smooth and no
// ClassicRendering scope runs on this thread.
KV_EXPORT bool RendersSmooth();

// The canvases of this thread draw classic while the scope lives, whatever the quality: for
// drawings in marker colours that are read back pixel by pixel, where a blended edge pixel
// would be no marker at all.
class KV_EXPORT ClassicRendering {
public:
  ClassicRendering();
  ~ClassicRendering();
  ClassicRendering(const ClassicRendering&) = delete;
  ClassicRendering& operator=(const ClassicRendering&) = delete;
};

}  // namespace kv
