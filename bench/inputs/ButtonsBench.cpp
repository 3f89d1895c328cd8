// The buttons and the border at the demo's sizes and settings: face, live frame and its
// limit, a colour of the face changing every frame.
#include "KvBorder.h"
#include "KvButtons.h"
#include "LiveFrame.h"

namespace {

using kvbench::Alternate;

const auto DemoShadowButton = kvbench::AsInDemo<TKvShadowButton>("frmQelDemo", "btnScopePanel");
const auto DemoCloseButton = kvbench::AsInDemo<TKvDemoButton>("frmQelDemo", "btnClose");
const auto DemoBorder = kvbench::AsInDemo<TKvBorder>("frmQelDemo", "KvBorder");

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
