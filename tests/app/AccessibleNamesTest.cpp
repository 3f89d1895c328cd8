// Every control of the demo reads to assistive technology with a name: its caption or hint,
// else its component's name in words.
#include "AccessibleNames.h"
#include "DemoForms.h"

#include <gtest/gtest.h>

#include <QAccessible>

namespace {

TEST(AccessibleNames, AComponentNameReadsAsWords) {
  const struct {
    const char* name;
    const char* words;
  } kNames[] = {
      {"KvLedClock1", "Led clock"}, {"KvThermoMeter", "Thermo meter"}, {"frmMeters", "Meters"},
      {"KvWheel", "Wheel"},         {"ScrollBox", "Scroll box"},       {"btnClose", "Close"},
      {"Kv", "Kv"},                 {"Label12", "Label"},              {"", ""},
      {"kvtimer", "kvtimer"},
  };
  for (const auto& row : kNames)
    EXPECT_EQ(ComponentNameInWords(QString::fromUtf8(row.name)), QString::fromUtf8(row.words))
        << row.name;
}

QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face ? face->text(QAccessible::Name) : QString();
}

TEST(AccessibleNames, NoFormOrControlOfTheDemoIsNameless) {
  kvtest::DemoForms demo;
  int controls = 0, namedAfterComponent = 0;
  const auto check = [&](TControl* control) {
    ++controls;
    SCOPED_TRACE(control->Name().toStdString());
    EXPECT_FALSE(AccessibleName(control).isEmpty());
    // Only a control that shows no caption and has no hint takes its component's name.
    if (control->accessibleName().isEmpty()) return;
    ++namedAfterComponent;
    EXPECT_TRUE(control->Caption().isEmpty() && control->Hint().isEmpty());
    EXPECT_EQ(control->accessibleName(), ComponentNameInWords(control->Name()));
  };
  for (TForm* form : {static_cast<TForm*>(frmQelDemo), static_cast<TForm*>(frmMeters),
                      static_cast<TForm*>(frmLeds), static_cast<TForm*>(frmSwitches),
                      static_cast<TForm*>(frmScope), static_cast<TForm*>(frmMisc),
                      static_cast<TForm*>(frmStart)}) {
    check(form);
    kv::ForEachControl(form, check);
  }
  EXPECT_GT(controls, 60);
  EXPECT_GT(namedAfterComponent, 10);
  // What a control shows stays its name.
  EXPECT_EQ(AccessibleName(frmQelDemo->btnMeters), QStringLiteral("Meters"));
}

}  // namespace
