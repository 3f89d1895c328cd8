// Forms saved by Qt Designer's own form editor with our plugin: what Designer holds for a
// control, written into the .ui and set again by the form loader, is what the same control
// made in code shows. Every registered control, as placed and with each field of its style
// objects changed in Designer's property editor, which shows every property it has.
#include "Controls.h"
#include "FormDescriptionsModel.h"

#include "DesignerSession.h"
#include "LoadedForms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "RegisteredControls.h"

#include <QColor>
#include <QMetaEnum>
#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

using kv::form::NestedProperty;
using kv::form::PropertyKind;

namespace {

constexpr int kFormSize = 320;

// A form holding one control of that class at its designed size, as Designer makes it when
// the control is dropped from the widget box.
QString FormWith(const kv::TRegisteredClass& control) {
  const std::unique_ptr<TControl> probe(kvtest::NewControl(control, nullptr));
  const QSize size = probe->sizeHint().boundedTo(QSize(kFormSize, kFormSize));
  return QStringLiteral(
             "<ui version=\"4.0\"><class>Form</class>"
             "<widget class=\"QWidget\" name=\"Form\"><property name=\"geometry\"><rect><x>0</x>"
             "<y>0</y><width>%1</width><height>%1</height></rect></property>"
             "<widget class=\"%2\" name=\"control\"><property name=\"geometry\"><rect><x>0</x>"
             "<y>0</y><width>%3</width><height>%4</height></rect></property></widget>"
             "</widget></ui>")
      .arg(kFormSize)
      .arg(kvtest::ClassNameOf(control))
      .arg(size.width())
      .arg(size.height());
}

// Another value of the field, as Designer's editor gives one: the next member of an
// enumeration, the first member of a set toggled, a colour, a number one up.
QVariant OtherValue(const NestedProperty& nested) {
  const QVariant value = nested.property.read(nested.holder);
  const QMetaEnum members = nested.property.enumerator();
  switch (nested.kind) {
    case PropertyKind::Boolean: return !value.toBool();
    case PropertyKind::Integer:
      return value.toLongLong() < std::numeric_limits<int>::max() ? value.toLongLong() + 1 : 0;
    case PropertyKind::Real: return value.toDouble() + 0.5;
    case PropertyKind::String: return QStringLiteral("Abc");
    case PropertyKind::Colour: return QColor(200, 30, 40);
    case PropertyKind::Enumeration: {
      int at = 0;
      while (at < members.keyCount() && members.value(at) != value.toInt()) ++at;
      return QString::fromLatin1(members.key((at + 1) % members.keyCount()));
    }
    case PropertyKind::Set:
      return QStringLiteral("[%1]").arg(QLatin1String(
          (value.toInt() & members.value(0)) != 0 ? "" : members.key(0)));
    default: return value;
  }
}

// The messages Qt prints while it lives (Designer's property editor names there each property
// it cannot show).
class MessagesCaught {
public:
  MessagesCaught() : FPrevious(qInstallMessageHandler(&Catch)) { Caught().clear(); }
  ~MessagesCaught() { qInstallMessageHandler(FPrevious); }
  MessagesCaught(const MessagesCaught&) = delete;
  MessagesCaught& operator=(const MessagesCaught&) = delete;
  QStringList Messages() const { return Caught(); }

private:
  static QStringList& Caught() {
    static QStringList caught;
    return caught;
  }
  static void Catch(QtMsgType, const QMessageLogContext&, const QString& message) {
    Caught() << message;
  }
  QtMessageHandler FPrevious;
};

// The control as Designer holds it, changed field by field as Designer's property editor
// changes it (when Change), then saved; the same in code; each loaded from what was saved.
struct Designed {
  QStringList editorMessages;  // while Designer's property editor showed it
  std::unique_ptr<QWidget> loaded;
  std::unique_ptr<QWidget> inCode;
  QString saved;
};

Designed DesignAndLoad(kvtest::DesignerSession& designer, const kv::TRegisteredClass& control,
                       bool change) {
  Designed result;
  if (!designer.Open(FormWith(control))) return result;
  QWidget* designed = designer.Widget(QStringLiteral("control"));
  result.inCode = kvtest::LoadedText(FormWith(control));
  if (!designed || !result.inCode) return result;
  auto* twin = result.inCode->findChild<QWidget*>(QStringLiteral("control"));
  {
    const MessagesCaught messages;
    designer.Show(designed);
    result.editorMessages = messages.Messages();
    designer.Show(nullptr);
  }
  if (change)
    for (const NestedProperty& nested : kv::form::NestedProperties(designed)) {
      const QVariant value = OtherValue(nested);
      designer.Set(designed, QString::fromLatin1(nested.name), value);
      // In code, the same setter with the same value: what it refuses, it refuses here too.
      try {
        kv::form::SetNestedValue(kv::form::FindNestedProperty(twin, nested.name), value);
      } catch (const std::exception&) {
      }
    }
  result.saved = designer.Save();
  result.loaded = kvtest::LoadedText(result.saved);
  return result;
}

}  // namespace

TEST(DesignerRoundTrip, EveryControlDrawsAsMadeInCode) {
  const kvtest::FixedClock clock;  // the LED clock shows one time on both forms
  kvtest::DesignerSession& designer = kvtest::Designer();
  for (const bool change : {false, true}) {
    for (const kv::TRegisteredClass* control : kvtest::RegisteredControls()) {
      if (!kvtest::TakesAnyParent(*control)) continue;
      SCOPED_TRACE(QStringLiteral("%1%2").arg(kvtest::ClassNameOf(*control),
                                              QLatin1String(change ? ", style changed" : ""))
                       .toStdString());
      const Designed form = DesignAndLoad(designer, *control, change);
      ASSERT_TRUE(form.loaded) << form.saved.toStdString();
      EXPECT_TRUE(form.editorMessages.isEmpty()) << form.editorMessages.join('\n').toStdString();
      EXPECT_TRUE(kvtest::SamePixels(kvtest::FormPicture(form.loaded.get()),
                                     kvtest::FormPicture(form.inCode.get())));
      auto* loaded = form.loaded->findChild<QWidget*>(QStringLiteral("control"));
      auto* inCode = form.inCode->findChild<QWidget*>(QStringLiteral("control"));
      EXPECT_EQ(loaded->geometry(), inCode->geometry());
      for (const NestedProperty& nested : kv::form::NestedProperties(inCode))
        EXPECT_EQ(kv::form::NestedValue(kv::form::FindNestedProperty(loaded, nested.name)),
                  kv::form::NestedValue(nested))
            << nested.name.constData();
    }
  }
}

// Designer writes a style object's field with the attribute that makes uic set it by name,
// and only the fields changed.
TEST(DesignerRoundTrip, ChangedFieldsAreSavedByName) {
  kvtest::DesignerSession& designer = kvtest::Designer();
  const kv::TRegisteredClass* meter = kv::FindRegisteredClass(QStringLiteral("TKvMeter"));
  ASSERT_TRUE(meter);
  ASSERT_TRUE(designer.Open(FormWith(*meter)));
  QWidget* control = designer.Widget(QStringLiteral("control"));
  ASSERT_TRUE(control);
  EXPECT_FALSE(designer.Save().contains(QLatin1String("Font.")));
  designer.Set(control, QStringLiteral("Font.Height"), -14);
  designer.Set(control, QStringLiteral("Font.Style"), QStringLiteral("[fsBold]"));
  const QString saved = designer.Save();
  EXPECT_TRUE(saved.contains(QLatin1String("<property name=\"Font.Height\" stdset=\"0\">")))
      << saved.toStdString();
  EXPECT_TRUE(saved.contains(QLatin1String("<cstring>[fsBold]</cstring>"))) << saved.toStdString();
  EXPECT_EQ(saved.count(QLatin1String("Font.")), 2);
}
