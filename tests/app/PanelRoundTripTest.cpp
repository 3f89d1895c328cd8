// The panels' controls at their demo settings survive writing the panel's description and
// reading it back: every published property of every control reads back as loaded.
#include "_frmMeters.h"
#include "_frmSwitches.h"

#include "FormDescriptions.h"
#include "Properties.h"

#include <gtest/gtest.h>

namespace {

template <class Panel>
void ExpectControlsReadBack() {
  Panel panel(nullptr);
  const QByteArray text = kv::WriteComponent(&panel);
  // A panel of the same class, emptied, takes the description with its handlers.
  Panel copy(nullptr);
  copy.DestroyComponents();
  kv::ReadComponent(&copy, text, QStringLiteral("copy.kvf"));
  int compared = 0;
  for (int i = 0; i < panel.ComponentCount(); ++i) {
    auto* control = dynamic_cast<TControl*>(panel.Components(i));
    if (!control) continue;
    SCOPED_TRACE(control->Name().toStdString());
    auto* read = dynamic_cast<TControl*>(copy.FindComponent(control->Name()));
    ASSERT_NE(read, nullptr);
    const auto expected = kvtest::PublishedValues(control);
    const auto actual = kvtest::PublishedValues(read);
    for (const auto& [name, value] : expected)
      EXPECT_EQ(actual.at(name).toStdString(), value.toStdString()) << name.constData();
    ++compared;
  }
  int controls = 0;
  for (int i = 0; i < copy.ComponentCount(); ++i)
    if (dynamic_cast<TControl*>(copy.Components(i))) ++controls;
  EXPECT_EQ(compared, controls);
}

}  // namespace

TEST(PanelRoundTrip, MetersPanelControlsReadBackTheirDemoSettings) {
  ExpectControlsReadBack<TfrmMeters>();
}

TEST(PanelRoundTrip, SwitchesPanelControlsReadBackTheirDemoSettings) {
  ExpectControlsReadBack<TfrmSwitches>();
}
