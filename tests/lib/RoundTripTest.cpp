// Every value a user sets survives writing the form description and reading it back. The
// tests walk every registered control and every published property (nested style objects by
// their dotted names), so that later controls are covered without tests of their own.
#include "FormDescriptions.h"
#include "Forms.h"
#include "Properties.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Values = std::map<QByteArray, QByteArray>;

// Properties the walk leaves at their initial values. A running clock reads the time again
// when it is loaded, so its shown time cannot survive; the clock's tests cover Active.
bool IsLeftAlone(const QByteArray& path) { return path.split('.').contains("Active"); }

// A form holding one control of the class, as a description makes it.
struct Holder {
  TForm form{nullptr};
  TControl* control;
  explicit Holder(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, &form)) {
    control->SetName(QStringLiteral("Probe"));
    control->SetParent(&form);
  }
};

// The control as it comes back from its form's description.
Values ReadBack(const Holder& original) {
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&original.form), QStringLiteral("copy.kvf"));
  return kvtest::PublishedValues(
      dynamic_cast<TControl*>(copy.FindComponent(QStringLiteral("Probe"))));
}

TEST(RoundTrip, EveryControlReadsBackItsInitialSettings) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Holder original(*c);
    EXPECT_EQ(ReadBack(original), kvtest::PublishedValues(original.control));
  }
}

TEST(RoundTrip, EveryPropertyChangedToAnotherValueReadsBackAsSet) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    QByteArrayList paths;
    {
      Holder probe(*c);
      paths = kvtest::ChangeablePropertyPaths(probe.control);
    }
    for (const QByteArray& path : paths) {
      if (IsLeftAlone(path)) continue;
      SCOPED_TRACE((kvtest::ClassNameOf(*c) + '.' + QString::fromLatin1(path)).toStdString());
      Holder original(*c);
      // A property the control's rules keep (an aligned or auto-sized control's bounds)
      // cannot lose a value.
      if (!kvtest::ChangeProperty(original.control, path)) continue;
      const Values expected = kvtest::PublishedValues(original.control);
      const Values actual = ReadBack(original);
      for (const auto& [name, value] : expected)
        EXPECT_EQ(actual.at(name).toStdString(), value.toStdString()) << name.constData();
    }
  }
}

}  // namespace
