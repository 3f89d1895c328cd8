// The buttons and the border at the demo's sizes and settings: face, live frame and its
// limit, a colour of the face changing every frame.
#include "KvBorder.h"
#include "KvButtons.h"
#include "LiveFrame.h"

namespace {

using kvbench::Alternate;

void DemoShadowButton(TKvShadowButton& b) {
  b.SetCaption(QStringLiteral("Scope Panel"));
  b.Brush()->SetColor(14267539);
  b.Pen()->SetColor(12218181);
  b.SetShadowColor(10446669);
  b.SetShadowOutline(7292981);
  b.SetTransparent(true);
  b.Font()->SetName(QStringLiteral("MS Sans Serif"));
  b.Font()->SetHeight(-11);
  b.Font()->SetColor(10116669);
}

void DemoCloseButton(TKvDemoButton& b) {
  b.SetCaption(QStringLiteral("X"));
  for (TFont* f : {b.FontEnter(), b.FontLeave()}) {
    f->SetName(QStringLiteral("Arial"));
    f->SetHeight(-15);
    f->SetStyle(TFontStyle::fsBold);
  }
  b.FontEnter()->SetColor(14533045);
  b.FontLeave()->SetColor(12488054);
  b.SetOutlineColor(12950149);
  b.SetShadowColor(7292981);
  b.SetHighlightColor(7292981);
  b.Font3D()->SetHighlightDepth(0);
  b.Font3D()->SetShadowDepth(0);
  b.SetFlat(true);
  b.SetColor(7292981);
}

void DemoBorder(TKvBorder& b) {
  b.SetShadowColor(10446669);
  b.SetHighlightColor(14267539);
}

[[maybe_unused]] const bool kShadowButton = kvbench::LiveFrameBenchmarks<TKvShadowButton>(
    "ShadowButton110x30", 110, 30, DemoShadowButton, [](TKvShadowButton& b, int64_t frame) {
      b.SetShadowColor(Alternate(frame, 10446669, 10446670));
    });

[[maybe_unused]] const bool kDemoButton = kvbench::LiveFrameBenchmarks<TKvDemoButton>(
    "DemoButton21x21", 21, 21, DemoCloseButton, [](TKvDemoButton& b, int64_t frame) {
      b.SetOutlineColor(Alternate(frame, 12950149, 12950150));
    });

// The border only invalidates; the frame ends when the window's pending paint has run.
[[maybe_unused]] const bool kBorder = kvbench::LiveFrameBenchmarks<TKvBorder>(
    "Border449x325", 449, 325, DemoBorder, [](TKvBorder& b, int64_t frame) {
      b.SetShadowColor(Alternate(frame, 10446669, 10446670));
      b.Update();
    });

}  // namespace
