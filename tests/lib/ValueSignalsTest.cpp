// What a binding or a connection follows: each valued control's USER property, the NOTIFY
// signals of values, ranges, colours and captions, and the setters as slots. Every test walks
// all controls registered for form descriptions.
#include "Forms.h"
#include "KvClasses.h"
#include "KvScope.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QSlider>

#include <map>
#include <memory>
#include <optional>

namespace {

// The value each control's followers watch, by class.
const std::map<QString, QString>& ValueProperties() {
  static const std::map<QString, QString> properties = {
      {"TKvMeter", "Position"},       {"TKvGauge", "Position"},     {"TKvLevelBar", "Position"},
      {"TKvProgressBar", "Position"}, {"TKvIndicator", "Position"}, {"TKvSlider", "Position"},
      {"TKvTrackBar", "Position"},    {"TKvWheel", "Position"},     {"TKvTank", "Position"},
      {"TKvCounter", "Value"},        {"TKvDigitGroup", "Value"},   {"TKvSwitch", "Offset"},
      {"TKvCheckLed", "Checked"},     {"TKvPowerButton", "Active"}, {"TKvUserLed", "Active"},
      {"TKvImageLed", "Active"},      {"TKvPieGraph", "Value"},     {"TKvJogMeter", "Reading"},
      {"TkvThermoMeter", "Reading"},
  };
  return properties;
}

// Logs the order in which a control's event and its NOTIFY signal arrive.
class Order : public QObject {
  Q_OBJECT
public:
  QStringList log;
public slots:
  void Event() { log << QStringLiteral("event"); }
  void Notify() { log << QStringLiteral("notify"); }
};

// A value for Property that its control takes, other than the current one; none if it
// takes none of the tried ones.
std::optional<QVariant> NewValue(QObject* control, const QMetaProperty& property) {
  const QVariant now = property.read(control);
  QVariantList tries;
  switch (property.userType()) {
    case QMetaType::Bool: tries = {!now.toBool()}; break;
    case QMetaType::Int: tries = {now.toInt() + 1, now.toInt() - 1, 50}; break;
    case QMetaType::Double: tries = {now.toDouble() + 1, now.toDouble() - 1, 50.5}; break;
    default: return std::nullopt;
  }
  for (const QVariant& v : tries) {
    QSignalSpy ignored(control, property.notifySignal());
    if (property.write(control, v) && property.read(control) == v) {
      property.write(control, now);
      if (property.read(control) == now) return v;
    }
  }
  return std::nullopt;
}

struct Made {
  std::unique_ptr<TControl> control;
  explicit Made(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, nullptr)) {}
  const QMetaObject* Meta() const { return control->metaObject(); }
};

TEST(ValueSignals, EachValuedControlHasItsUserPropertyAndNoOtherControlHasOne) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    const QString name = kvtest::ClassNameOf(*c);
    SCOPED_TRACE(name.toStdString());
    Made m(*c);
    const QMetaProperty user = m.Meta()->userProperty();
    const auto expected = ValueProperties().find(name);
    if (expected == ValueProperties().end()) {
      EXPECT_FALSE(user.isValid()) << user.name();
      continue;
    }
    ASSERT_TRUE(user.isValid());
    EXPECT_EQ(QString::fromLatin1(user.name()), expected->second);
    // The signal carries the new value.
    const QMetaMethod notify = user.notifySignal();
    EXPECT_EQ(QString::fromLatin1(notify.name()), expected->second + "Changed");
    ASSERT_EQ(notify.parameterCount(), 1);
    EXPECT_EQ(notify.parameterMetaType(0), user.metaType());
  }
}

TEST(ValueSignals, AChangeOfTheValueIsReportedOnceWithTheValueAfterTheControlsOwnEvent) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Made m(*c);
    const QMetaProperty user = m.Meta()->userProperty();
    if (!user.isValid()) continue;
    const std::optional<QVariant> next = NewValue(m.control.get(), user);
    ASSERT_TRUE(next);
    Order order;
    const int event = m.Meta()->indexOfSignal("OnChange(TObject*)");
    if (event >= 0)
      QObject::connect(m.control.get(), m.Meta()->method(event), &order,
                       order.metaObject()->method(order.metaObject()->indexOfSlot("Event()")));
    QObject::connect(m.control.get(), user.notifySignal(), &order,
                     order.metaObject()->method(order.metaObject()->indexOfSlot("Notify()")));
    QSignalSpy spy(m.control.get(), user.notifySignal());
    ASSERT_TRUE(user.write(m.control.get(), *next));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0], *next);
    EXPECT_EQ(order.log.back(), QStringLiteral("notify"));
    if (event >= 0) EXPECT_EQ(order.log.first(), QStringLiteral("event"));
    // The same value again is no change.
    user.write(m.control.get(), *next);
    EXPECT_EQ(spy.count(), 1);
  }
}

// A plain Qt input of the property's type whose value signal drives the setter by name, as a
// connection in a .ui file or a string-based connect does.
TEST(ValueSignals, TheValueSetterIsASlotThatAQtInputDrivesByName) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Made m(*c);
    const QMetaProperty user = m.Meta()->userProperty();
    if (!user.isValid()) continue;
    const QByteArray setter = "1Set" + QByteArray(user.name());
    const std::optional<QVariant> next = NewValue(m.control.get(), user);
    ASSERT_TRUE(next);
    switch (user.userType()) {
      case QMetaType::Int: {
        QSlider slider;
        slider.setRange(-1000, 1000);
        ASSERT_TRUE(QObject::connect(&slider, SIGNAL(valueChanged(int)), m.control.get(),
                                     setter + "(int)"));
        slider.setValue(next->toInt());
        break;
      }
      case QMetaType::Double: {
        QDoubleSpinBox box;
        box.setRange(-1000, 1000);
        ASSERT_TRUE(QObject::connect(&box, SIGNAL(valueChanged(double)), m.control.get(),
                                     setter + "(double)"));
        box.setValue(next->toDouble());
        break;
      }
      case QMetaType::Bool: {
        QCheckBox box;
        box.setChecked(!next->toBool());
        ASSERT_TRUE(
            QObject::connect(&box, SIGNAL(toggled(bool)), m.control.get(), setter + "(bool)"));
        box.setChecked(next->toBool());
        break;
      }
      default: FAIL() << "no Qt input for " << user.typeName();
    }
    EXPECT_EQ(user.read(m.control.get()), *next);
  }
}

// A different value for Property that Object takes: a colour, a text, or a number or flag the
// object keeps.
std::optional<QVariant> NextValue(QObject* object, const QMetaProperty& p) {
  if (p.metaType() == QMetaType::fromType<TColor>()) {
    const bool isNext = p.read(object).value<TColor>() == TColor(0x123456);
    return QVariant::fromValue(TColor(isNext ? 0x654321 : 0x123456));
  }
  if (p.metaType() == QMetaType::fromType<QString>())
    return p.read(object).toString() + QStringLiteral(" followed");
  return NewValue(object, p);
}

// Writes Next into Property twice: the followers hear of the first write only.
void ExpectToldOnce(QObject* object, const QMetaProperty& p, const QVariant& next) {
  QSignalSpy spy(object, p.notifySignal());
  ASSERT_TRUE(p.write(object, next));
  EXPECT_EQ(spy.count(), 1);
  p.write(object, next);
  EXPECT_EQ(spy.count(), 1);
}

// Every other published value a binding follows: the ends of a range, every colour, the
// caption, the enabled and visible state, the animation's Active.
TEST(ValueSignals, RangesColoursCaptionsAndStatesTellTheirFollowersOnce) {
  const QStringList followed = {"MinValue", "MaxValue", "Min",     "Max",   "Color",
                                "Caption",  "Enabled",  "Visible", "Active"};
  int checked = 0;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Made m(*c);
    for (int i = 0; i < m.Meta()->propertyCount(); ++i) {
      const QMetaProperty p = m.Meta()->property(i);
      const bool colour = p.metaType() == QMetaType::fromType<TColor>();
      if (!(colour || followed.contains(QString::fromLatin1(p.name()))) || !p.isWritable())
        continue;
      SCOPED_TRACE(p.name());
      ASSERT_TRUE(p.hasNotifySignal());
      const auto next = NextValue(m.control.get(), p);
      if (!next) continue;  // the control takes no other value here (a designing-only Active)
      ExpectToldOnce(m.control.get(), p, *next);
      ++checked;
    }
  }
  EXPECT_GT(checked, 200);
}

// The style objects a control owns (bevels, palettes, scales, markers) and the items of its
// collections (scope channels, graph segments): every published property notifies, so a
// binding to `Bevel.OuterColor` follows it.
TEST(ValueSignals, EveryPropertyOfAControlsStyleObjectsAndItemsTellsItsFollowersOnce) {
  int checked = 0;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Made m(*c);
    std::vector<QObject*> followed;
    for (int i = 0; i < m.Meta()->propertyCount(); ++i) {
      auto* object = m.Meta()->property(i).read(m.control.get()).value<QObject*>();
      if (qobject_cast<TKvPersistent*>(object)) followed.push_back(object);
      if (auto* items = qobject_cast<TCollection*>(object); items && items->Count() == 0)
        items->Add();
      if (auto* items = qobject_cast<TCollection*>(object))
        for (int k = 0; k < items->Count(); ++k) followed.push_back(items->Items(k));
    }
    for (QObject* style : followed) {
      SCOPED_TRACE(style->metaObject()->className());
      for (int j = QObject::staticMetaObject.propertyCount();
           j < style->metaObject()->propertyCount(); ++j) {
        const QMetaProperty p = style->metaObject()->property(j);
        SCOPED_TRACE(p.name());
        EXPECT_TRUE(p.hasNotifySignal());
        const auto next = NextValue(style, p);
        if (p.isWritable() && next) ExpectToldOnce(style, p, *next);
        checked += next.has_value();
      }
    }
  }
  EXPECT_GT(checked, 100);
}

TEST(ValueSignals, AnEndThatPullsThePositionAlongReportsBoth) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    Made m(*c);
    const QMetaObject* meta = m.Meta();
    const int max = meta->indexOfProperty("MaxValue"), position = meta->indexOfProperty("Position");
    if (max < 0 || position < 0 || !meta->property(position).isUser()) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    QObject* control = m.control.get();
    meta->property(position).write(control, 80);
    QSignalSpy ends(control, meta->property(max).notifySignal());
    QSignalSpy moved(control, meta->property(position).notifySignal());
    meta->property(max).write(control, 60);
    ASSERT_EQ(meta->property(max).read(control), 60);
    EXPECT_EQ(ends.count(), 1);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved[0][0], 60);
  }
}

TEST(ValueSignals, TheScopeTakesSamplesPushedFromOutside) {
  TForm form(nullptr);
  auto* scope = new TKvScope(&form);
  scope->SetParent(&form);
  scope->SetBounds(0, 0, 120, 60);
  scope->Channels()->Add();
  scope->Channels()->Add();
  form.Show();
  kvtest::Pump();
  QSlider slider;
  slider.setRange(0, 100);
  ASSERT_TRUE(QObject::connect(&slider, SIGNAL(valueChanged(int)), scope, SLOT(AddValue(int))));
  slider.setValue(42);
  EXPECT_EQ(scope->Channels()->Items(0)->Count(), 1);
  EXPECT_EQ(scope->Channels()->Items(0)->Sample(0), 42);
  // A step for every channel; a short list leaves MinValue, and values are held to the range.
  scope->AddValues({250});
  EXPECT_EQ(scope->Channels()->Items(0)->Sample(0), 100);
  EXPECT_EQ(scope->Channels()->Items(1)->Sample(0), 0);
  EXPECT_EQ(scope->Channels()->Items(1)->Count(), 2);
}

}  // namespace

#include "ValueSignalsTest.moc"
