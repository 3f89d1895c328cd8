// Reference pictures: a control or form rendered off-screen is compared with a committed
// PNG under tests/references/, exactly unless a tolerance is given. On a mismatch the
// actual picture and a difference picture are written next to the test's output and the
// first differing pixel is reported. KV_UPDATE_REFERENCES=1 rewrites the references
// instead of comparing (only then).
#pragma once

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

class TControl;
class TForm;

namespace kvtest {

// Shows Control alone on a borderless form of the control's size plus Margin on every side
// (filled with Background, a TColor value), waits until painted and returns what the
// window shows under the control (Margin included).
QImage RenderControl(TControl* control, int32_t background, int margin = 0);
// Control painted off-screen (without a window) over Background at a device pixel ratio, in
// device pixels.
QImage RenderAt(TControl* control, int32_t background, int ratio);
// Shows a form at (0, 0) and returns its picture as shown.
QImage RenderForm(TForm* form);

// Compares with tests/references/<Name>.png; each colour channel may differ by up to
// Tolerance (text drawn by a different font build may need 0 < Tolerance).
::testing::AssertionResult MatchesReference(const QImage& actual, const QString& name,
                                            int tolerance = 0);

}  // namespace kvtest

#define EXPECT_MATCHES_REFERENCE(image, name) \
  EXPECT_TRUE(::kvtest::MatchesReference((image), (name)))
