// What assistive technology (a screen reader over AT-SPI, a test through QAccessible) learns of
// the controls: a role per family, a name, the value as a number and as words, and the
// actions a user has with mouse and keys. One interface serves every control: the value is
// the control's USER property, its range the MinValue/MaxValue (or Min/Max) properties, read
// through the meta-object, so no control carries code of its own for it.
#include "Accelerators.h"
#include "Controls.h"
#include "KvSpinner.h"
#include "SysUtils.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QLocale>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <optional>

using kv::SaturateToInt;

namespace {

// How the user meets a family: Input controls take a value (or a toggle) from the user;
// Press controls act when clicked.
enum class Use { Shows, Input, Press };

struct Family {
  const char* className;
  QAccessible::Role role;
  Use use;
};

// Keyed by class name; a class not listed takes the entry of its nearest listed base. Clocks
// and lamps take roles that AT-SPI knows (it has none for Qt's Clock and Indicator): a lamp is
// an image whose on and off is its checked state.
constexpr Family kFamilies[] = {
    {"TKvSlider", QAccessible::Slider, Use::Input},
    {"TKvTrackBar", QAccessible::Slider, Use::Input},
    {"TKvWheel", QAccessible::Slider, Use::Input},
    // A switch has as many stops as Positions says, so it reads as a slider over them.
    {"TKvSwitch", QAccessible::Slider, Use::Input},
    {"TKvJogMeter", QAccessible::Slider, Use::Shows},
    {"TKvMeter", QAccessible::ProgressBar, Use::Shows},
    {"TKvGauge", QAccessible::ProgressBar, Use::Shows},
    {"TKvLevelBar", QAccessible::ProgressBar, Use::Shows},
    {"TKvProgressBar", QAccessible::ProgressBar, Use::Shows},
    {"TkvThermoMeter", QAccessible::ProgressBar, Use::Shows},
    {"TKvTank", QAccessible::ProgressBar, Use::Shows},
    {"TKvIndicator", QAccessible::ProgressBar, Use::Shows},
    {"TKvDigitGroup", QAccessible::StaticText, Use::Shows},
    {"TKvCounter", QAccessible::StaticText, Use::Shows},
    {"TKvMatrix", QAccessible::StaticText, Use::Shows},
    {"TKvLabel", QAccessible::StaticText, Use::Shows},
    {"TKvLedClock", QAccessible::StaticText, Use::Shows},
    {"TKvBanner", QAccessible::Animation, Use::Shows},
    {"TKvScanner", QAccessible::Animation, Use::Shows},
    {"TKvCheckLed", QAccessible::CheckBox, Use::Input},
    {"TKvPowerButton", QAccessible::Button, Use::Input},
    {"TKvShadowButton", QAccessible::Button, Use::Press},
    {"TKvDemoButton", QAccessible::Button, Use::Press},
    {"TKvMediaButton", QAccessible::Button, Use::Press},
    {"TKvSpinButton", QAccessible::Button, Use::Press},
    // A clickable direction button (its OnClick), lit or not.
    {"TKvArrow", QAccessible::Button, Use::Press},
    {"TKvSpinner", QAccessible::Grouping, Use::Shows},
    {"TKvHyperLink", QAccessible::Link, Use::Press},
    {"TKvScope", QAccessible::Chart, Use::Shows},
    {"TKvSpectrum", QAccessible::Chart, Use::Shows},
    {"TKvPieGraph", QAccessible::Chart, Use::Shows},
    {"TKvPercentGraph", QAccessible::Chart, Use::Shows},
    {"TKvUserLed", QAccessible::Graphic, Use::Shows},
    {"TKvImageLed", QAccessible::Graphic, Use::Shows},
    {"TKvCustomBlinkLed", QAccessible::Graphic, Use::Shows},
    {"TKvLights", QAccessible::Graphic, Use::Shows},
    {"TKvFormShape", QAccessible::Graphic, Use::Shows},
    {"TKvBorder", QAccessible::Separator, Use::Shows},
    {"TLabel", QAccessible::StaticText, Use::Shows},
    {"TCheckBox", QAccessible::CheckBox, Use::Input},
    {"TScrollBox", QAccessible::Pane, Use::Shows},
    // A form shown inside another (the demo's panels); a form of its own is a window.
    {"TForm", QAccessible::Pane, Use::Shows},
};

const Family* FamilyOf(const QMetaObject* meta) {
  for (; meta; meta = meta->superClass())
    for (const Family& family : kFamilies)
      if (qstrcmp(meta->className(), family.className) == 0) return &family;
  return nullptr;
}

// The value: the USER property, or the stock check box's Checked.
QMetaProperty ValueOf(const QMetaObject* meta) {
  const QMetaProperty user = meta->userProperty();
  return user.isValid() ? user : meta->property(meta->indexOfProperty("Checked"));
}

bool IsNumber(const QMetaProperty& p) {
  return p.typeId() == QMetaType::Int || p.typeId() == QMetaType::Double;
}

// The first of Names the object publishes, read as a number.
std::optional<double> NumberProperty(const QObject* object,
                                     std::initializer_list<const char*> names) {
  const QMetaObject* meta = object->metaObject();
  for (const char* name : names) {
    const QMetaProperty p = meta->property(meta->indexOfProperty(name));
    if (p.isValid() && IsNumber(p)) return p.read(object).toDouble();
  }
  return std::nullopt;
}

enum class End { Min, Max };

// A range end of the control, of the scale it draws its value on (the thermometer), or of its
// stops (the switch runs from stop 0 to the last).
std::optional<double> RangeEnd(const QObject* control, End end) {
  const auto ofObject = [end](const QObject* o) {
    return end == End::Max ? NumberProperty(o, {"MaxValue", "Max"})
                           : NumberProperty(o, {"MinValue", "Min"});
  };
  if (auto v = ofObject(control)) return v;
  if (const QObject* scale = control->property("Scale").value<QObject*>())
    if (auto v = ofObject(scale)) return v;
  if (auto stops = NumberProperty(control, {"Positions"})) return end == End::Max ? *stops - 1 : 0;
  return std::nullopt;
}

QString NumberText(double v) {
  return QLocale::c().toString(v, 'g', QLocale::FloatingPointShortest);
}

// "18:07:32": the clock's value is its time, in three properties.
QString ClockText(const QObject* clock) {
  return QStringLiteral("%1:%2:%3")
      .arg(clock->property("Hours").toInt(), 2, 10, QLatin1Char('0'))
      .arg(clock->property("Minutes").toInt(), 2, 10, QLatin1Char('0'))
      .arg(clock->property("Seconds").toInt(), 2, 10, QLatin1Char('0'));
}

// "green and red on", "off": the lamps of a traffic light that are lit.
QString LampsText(const QObject* lights) {
  const int lit = lights->property("LedState").toInt();
  QStringList names;
  const char* const lamps[] = {"green", "yellow", "red"};
  for (int i = 0; i < 3; ++i)
    if (lit & (1 << i)) names << QLatin1String(lamps[i]);
  if (names.isEmpty()) return QStringLiteral("off");
  const QString last = names.takeLast();
  return (names.isEmpty() ? last
                          : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last) +
         QStringLiteral(" on");
}

// Sends the value and state changes of the controls that have interfaces. Connected only when
// an interface is made, which Qt does only while assistive technology listens.
class Announcer : public QObject {
  Q_OBJECT
public:
  // One for the application; a program that makes a new application gets a new one.
  static Announcer& Instance() {
    static QPointer<Announcer> announcer;
    if (!announcer) announcer = new Announcer(QCoreApplication::instance());
    return *announcer;
  }

  void Watch(QObject* control, const QMetaProperty& value) {
    static const QMetaMethod announce =
        staticMetaObject.method(staticMetaObject.indexOfSlot("ValueChanged()"));
    if (value.hasNotifySignal())
      QObject::connect(control, value.notifySignal(), this, announce, Qt::UniqueConnection);
  }

public slots:
  void ValueChanged() {
    QObject* control = sender();
    if (!control || !QAccessible::isActive()) return;
    const QMetaProperty value = ValueOf(control->metaObject());
    if (IsNumber(value)) {
      QAccessibleValueChangeEvent event(control, value.read(control));
      QAccessible::updateAccessibility(&event);
    } else {
      QAccessible::State changed;
      changed.checked = true;
      QAccessibleStateChangeEvent event(control, changed);
      QAccessible::updateAccessibility(&event);
    }
  }

private:
  using QObject::QObject;
};

class AccessibleControl : public QAccessibleWidget,
                          public QAccessibleValueInterface,
                          public QAccessibleTextInterface {
public:
  AccessibleControl(TControl* control, const Family& family)
      : QAccessibleWidget(control, family.role),
        FUse(family.use),
        FValue(ValueOf(control->metaObject())) {
    if (FValue.isValid()) Announcer::Instance().Watch(control, FValue);
  }

  // Forms move between being windows and lying on other controls.
  QAccessible::Role role() const override {
    return widget()->isWindow() ? QAccessible::Window : QAccessibleWidget::role();
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface && HasNumber())
      return static_cast<QAccessibleValueInterface*>(this);
    if (type == QAccessible::TextInterface && ShowsText())
      return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QString text(QAccessible::Text t) const override {
    switch (t) {
      case QAccessible::Name: return Name();
      case QAccessible::Value: return ValueText();
      default: return QAccessibleWidget::text(t);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (HasSwitch()) {
      s.checkable = FUse == Use::Input;
      s.checked = FValue.read(widget()).toBool();
    }
    return s;
  }

  // The value interface, for a number.
  QVariant currentValue() const override { return FValue.read(widget()); }
  void setCurrentValue(const QVariant& value) override {
    if (FUse != Use::Input || !widget()->isEnabled()) return;
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return;
    if (FValue.typeId() == QMetaType::Int)
      FValue.write(widget(), SaturateToInt(static_cast<long double>(std::round(v))));
    else FValue.write(widget(), v);
  }
  QVariant maximumValue() const override { return Optional(RangeEnd(widget(), End::Max)); }
  QVariant minimumValue() const override { return Optional(RangeEnd(widget(), End::Min)); }
  // The step of the arrow keys: the slider's KeyIncrement, the track bar's Frequency.
  QVariant minimumStepSize() const override {
    if (auto step = NumberProperty(widget(), {"KeyIncrement", "Frequency"})) return *step;
    return FValue.typeId() == QMetaType::Int ? QVariant(1) : QVariant();
  }

  // The text interface, read-only: the value in words, where a screen reader reads a text
  // (readings, the clock, lamps); over AT-SPI the value's text reaches a listener only so.
  QString text(int start, int end) const override {
    const QString words = ValueText();
    const qsizetype from = std::clamp<qsizetype>(start, 0, words.size());
    const qsizetype to = end < 0 ? words.size() : std::clamp<qsizetype>(end, from, words.size());
    return words.mid(from, to - from);
  }
  int characterCount() const override { return int(ValueText().size()); }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return QRect(); }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return QString();
  }

  // The actions: what a user does with the mouse or keys.
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (FUse == Use::Press || (FUse == Use::Input && role() == QAccessible::Button))
      names << pressAction();
    if (FUse == Use::Input && HasSwitch()) names << toggleAction();
    if (FUse == Use::Input && HasNumber()) names << increaseAction() << decreaseAction();
    return names;
  }

  void doAction(const QString& name) override {
    if (!widget()->isEnabled()) return;
    if (name == pressAction()) Click();
    else if (name == toggleAction()) FValue.write(widget(), !FValue.read(widget()).toBool());
    else if (name == increaseAction()) Step(+1);
    else if (name == decreaseAction()) Step(-1);
    else QAccessibleWidget::doAction(name);
  }

private:
  bool HasNumber() const { return FValue.isValid() && IsNumber(FValue); }
  bool HasSwitch() const { return FValue.isValid() && FValue.typeId() == QMetaType::Bool; }
  bool ShowsText() const {
    return (role() == QAccessible::StaticText || role() == QAccessible::Graphic) &&
           !ValueText().isEmpty();
  }

  static QVariant Optional(std::optional<double> v) { return v ? QVariant(*v) : QVariant(); }

  QString Name() const {
    if (!widget()->accessibleName().isEmpty()) return widget()->accessibleName();
    auto* control = static_cast<TControl*>(widget());
    if (!control->Caption().isEmpty()) return kv::StripAccelerators(control->Caption()).Text;
    if (auto* spin = dynamic_cast<const TKvSpinButton*>(control)) {
      // A spin button has no caption: its arrow is its name.
      const char* const arrows[] = {"up", "down", "left", "right"};
      return QLatin1String(arrows[spin->Arrow()]);
    }
    return control->Hint();
  }

  // "70 of 50 to 150", "70 of 100", "3.25", "on", "18:07:32".
  QString ValueText() const {
    const QObject* control = widget();
    if (control->metaObject()->indexOfProperty("Hours") >= 0) return ClockText(control);
    if (control->metaObject()->indexOfProperty("LedState") >= 0) return LampsText(control);
    if (HasSwitch())
      return FValue.read(control).toBool() ? QStringLiteral("on") : QStringLiteral("off");
    if (!HasNumber()) return QString();
    QString text = NumberText(FValue.read(control).toDouble());
    const auto min = RangeEnd(control, End::Min);
    const auto max = RangeEnd(control, End::Max);
    if (max)
      text += QStringLiteral(" of ") +
              (min ? NumberText(*min) + QStringLiteral(" to ") : QString()) + NumberText(*max);
    return text;
  }

  // One step up or down, as the arrow keys take it, held to the range.
  void Step(int direction) {
    const double step = minimumStepSize().isValid() ? minimumStepSize().toDouble() : 1.0;
    double v = FValue.read(widget()).toDouble() + direction * step;
    if (const auto max = RangeEnd(widget(), End::Max)) v = std::min(v, *max);
    if (const auto min = RangeEnd(widget(), End::Min)) v = std::max(v, *min);
    setCurrentValue(v);
  }

  // A left click where the user would click: the middle of the control.
  void Click() {
    QPointer<QWidget> target = widget();
    const QPointF at = QRectF(target->rect()).center();
    const QPointF global = target->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    if (!target) return;
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
  }

  Use FUse;
  QMetaProperty FValue;
};

QAccessibleInterface* ControlInterface(const QString&, QObject* object) {
  auto* control = dynamic_cast<TControl*>(object);
  if (!control) return nullptr;
  const Family* family = FamilyOf(object->metaObject());
  return family ? new AccessibleControl(control, *family) : nullptr;
}

void InstallFactory() { QAccessible::installFactory(&ControlInterface); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallFactory)

#include "KvAccessible.moc"
