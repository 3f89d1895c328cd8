// Bounds at the extremes of int, for every registered control: held to what Qt accepts, so
// that no position arithmetic overflows (the sanitizer build checks that).
#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <climits>

using kv::Bounds;

namespace {

constexpr int kMax = QWIDGETSIZE_MAX;
constexpr int kExtremes[] = {INT_MIN, INT_MIN + 1, -kMax - 1,   -1,
                             0,       kMax + 1,    INT_MAX - 1, INT_MAX};

// Within Qt's range, and the far edges still representable.
::testing::AssertionResult HeldToQt(const TControl* c) {
  const bool ok = c->Left() >= -kMax && c->Left() <= kMax && c->Top() >= -kMax &&
                  c->Top() <= kMax && c->Width() >= 0 && c->Width() <= kMax && c->Height() >= 0 &&
                  c->Height() <= kMax;
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << c->Left() << ", " << c->Top() << ", " << c->Width() << " x " << c->Height();
}

TEST(Bounds, EveryControlHoldsExtremesOfAllFourToWhatQtAccepts) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    TForm form(nullptr);
    TControl* control = kvtest::NewControl(*c, &form);
    control->SetParent(&form);
    kvtest::ShowForm(&form, 300, 250);
    const TRect own = control->BoundsRect();
    // Aligned and auto-sized controls keep what their rules give; the others take the value,
    // down to the least size their own rules keep (a spinner's buttons need a width).
    const bool exact = control->Align() == TAlign::alNone && !control->AutoSize();
    control->SetBounds(own.Left, own.Top, 0, 0);
    const QSize least = control->size();
    control->SetBoundsRect(own);
    for (const int v : kExtremes) {
      SCOPED_TRACE(v);
      control->SetLeft(v);
      control->SetTop(v);
      EXPECT_TRUE(HeldToQt(control));
      if (exact) {
        EXPECT_EQ(control->Left(), std::clamp(v, -kMax, kMax));
        EXPECT_EQ(control->Top(), std::clamp(v, -kMax, kMax));
      }
      kvtest::Pump();  // paints wherever the control now lies
      control->SetBoundsRect(own);
      // Not painted at such a size: a paint would need a picture of that many pixels.
      control->SetWidth(v);
      control->SetHeight(v);
      EXPECT_TRUE(HeldToQt(control));
      if (exact) {
        EXPECT_EQ(control->Width(), std::clamp(v, least.width(), kMax));
        EXPECT_EQ(control->Height(), std::clamp(v, least.height(), kMax));
      }
      control->SetBoundsRect(own);
    }
    kvtest::Pump();
  }
}

TEST(Bounds, EveryControlHoldsExtremesReadFromADescription) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    TForm form(nullptr);
    const QByteArray text = QByteArray("object Form: TForm\n  object Probe: ") +
                            c->metaObject->className() +
                            "\n    Left = -2147483648\n    Top = 2147483647\n"
                            "    Width = 2147483647\n    Height = -2147483648\n  end\nend\n";
    kv::ReadComponent(&form, text, QStringLiteral("extremes.kvf"));
    const auto* control = dynamic_cast<TControl*>(form.FindComponent(QStringLiteral("Probe")));
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(HeldToQt(control));
  }
}

}  // namespace
