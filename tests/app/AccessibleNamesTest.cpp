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
  int controls = 0;
  for (TForm* form : {static_cast<TForm*>(frmQelDemo), static_cast<TForm*>(frmMeters),
                      static_cast<TForm*>(frmLeds), static_cast<TForm*>(frmSwitches),
                      static_cast<TForm*>(frmScope), static_cast<TForm*>(frmMisc),
                      static_cast<TForm*>(frmStart)}) {
    EXPECT_FALSE(AccessibleName(form).isEmpty()) << form->Name().toStdString();
    kv::ForEachControl(form, [&](TControl* control) {
      ++controls;
      EXPECT_FALSE(AccessibleName(control).isEmpty()) << control->Name().toStdString();
    });
  }
  EXPECT_GT(controls, 60);
  // What a control shows stays its name; the form descriptions gain nothing.
  EXPECT_EQ(AccessibleName(frmQelDemo->btnMeters), QStringLiteral("Meters"));
  EXPECT_TRUE(frmQelDemo->btnMeters->accessibleName().isEmpty());
  auto* wheel = dynamic_cast<TControl*>(frmMeters->FindComponent(QStringLiteral("KvWheel")));
  ASSERT_NE(wheel, nullptr);
  EXPECT_EQ(AccessibleName(wheel), QStringLiteral("Wheel"));
}

}  // namespace
