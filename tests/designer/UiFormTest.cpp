// Forms made in Qt Designer: a .ui file compiled by uic and the same file loaded at run time
// through the Designer plugin give the pictures of the same controls made in code, and their
// properties go through the controls' own setters.
#include "Designing.h"
#include "KvGauge.h"
#include "KvLabel.h"
#include "KvMeter.h"
#include "kvLedClock.h"
#include "ui_DesignerSaved.h"
#include "ui_Instruments.h"
#include "ui_OutOfRange.h"

#include "DesignerSavedInCode.h"
#include "LoadedForms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"
#include "RegisteredControls.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QUiLoader>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using kvtest::FormPicture, kvtest::Loaded, kvtest::LoadedText;

namespace {

// The controls of Instruments.ui, made in code.
std::unique_ptr<QWidget> InstrumentsInCode() {
  auto form = std::make_unique<QWidget>();
  form->resize(470, 330);
  auto* meter = new TKvMeter(form.get());
  meter->SetBounds(10, 10, 240, 105);
  meter->SetMaxValue(150);
  meter->SetMinValue(50);
  meter->SetPosition(70);
  meter->SetCaption(QStringLiteral("Pressure"));
  meter->SetNeedleColor(clBlue);
  auto* gauge = new TKvGauge(form.get());
  gauge->SetBounds(260, 10, 200, 40);
  gauge->SetPosition(65);
  gauge->SetSolidFill(true);
  auto* label = new TKvLabel(form.get());
  label->SetBounds(260, 60, 200, 40);
  label->SetCaption(QStringLiteral("Kelvara"));
  label->SetAngle(10);
  auto* clock = new TKvLedClock(form.get());
  clock->SetBounds(10, 120, 200, 200);
  clock->SetHours(10);
  clock->SetMinutes(8);
  clock->SetSeconds(30);
  return form;
}

}  // namespace

TEST(UiForm, PluginOffersEveryRegisteredControl) {
  QUiLoader loader;
  loader.clearPluginPaths();
  loader.addPluginPath(QStringLiteral(KV_DESIGNER_PLUGIN_DIR));
  const QStringList offered = loader.availableWidgets();
  for (const kv::TRegisteredClass* control : kv::RegisteredControls())
    EXPECT_TRUE(offered.contains(QString::fromLatin1(control->metaObject->className())))
        << control->metaObject->className();
}

TEST(UiForm, CompiledAndLoadedFormsDrawLikeCode) {
  const std::unique_ptr<QWidget> code = InstrumentsInCode();
  const QImage expected = FormPicture(code.get());

  QWidget compiled;
  Ui::Instruments ui;
  ui.setupUi(&compiled);
  EXPECT_EQ(ui.meter->Position(), 70);
  EXPECT_EQ(ui.clock->Minutes(), 8);
  EXPECT_EQ(ui.meter->NeedleColor(), clBlue);
  EXPECT_SAME_PIXELS(FormPicture(&compiled), expected);

  const std::unique_ptr<QWidget> loaded = Loaded(QStringLiteral("Instruments.ui"));
  ASSERT_TRUE(loaded);
  auto* meter = loaded->findChild<TKvMeter*>(QStringLiteral("meter"));
  ASSERT_TRUE(meter);
  EXPECT_EQ(meter->MinValue(), 50);
  EXPECT_EQ(meter->NeedleColor(), clBlue);
  EXPECT_SAME_PIXELS(FormPicture(loaded.get()), expected);
}

// A loaded form is at run time: its controls are not in the design state.
TEST(UiForm, LoadedControlsAreNotDesigning) {
  const std::unique_ptr<QWidget> loaded = Loaded(QStringLiteral("Instruments.ui"));
  ASSERT_TRUE(loaded);
  auto* clock = loaded->findChild<TKvLedClock*>(QStringLiteral("clock"));
  ASSERT_TRUE(clock);
  EXPECT_FALSE(clock->ComponentState().testFlag(TComponentStateFlag::csDesigning));
}

// A .ui value a control refuses raises as it does in code, whether the form is compiled or
// loaded: every control that raises, with one such value.
TEST(UiForm, OutOfRangeValueRaisesAsInCode) {
  QWidget compiled;
  Ui::OutOfRange ui;
  EXPECT_THROW(ui.setupUi(&compiled), EKvException);
  EXPECT_THROW(Loaded(QStringLiteral("OutOfRange.ui")), EKvException);

  struct Refused {
    const char* control;
    const char* property;
    int value;
  };
  for (const Refused& r :
       {Refused{"TKvMeter", "MaxValue", -5}, Refused{"TKvMeter", "MinValue", 500},
        Refused{"TKvIndicator", "MinValue", 2147483647},
        Refused{"TKvIndicator", "MaxValue", -2147483647}}) {
    SCOPED_TRACE(std::string(r.control) + "." + r.property);
    EXPECT_THROW(LoadedText(QStringLiteral("<ui version=\"4.0\"><widget class=\"%1\" name=\"c\">"
                                           "<property name=\"%2\" stdset=\"0\"><number>%3</number>"
                                           "</property></widget></ui>")
                                .arg(QLatin1String(r.control), QLatin1String(r.property))
                                .arg(r.value)),
                 EKvException);
  }
}

// A form as Designer saves it: scoped enumerations, a one-key and a two-key set, a colour, a
// string and a connection from a signal to a value slot. Compiled by uic, loaded at run time
// and made in code, it gives the same controls, before and after the connection carries a
// value.
TEST(UiForm, DesignerSavedFormActsLikeCode) {
  std::vector<std::pair<const char*, std::unique_ptr<QWidget>>> forms;
  forms.emplace_back("code", kvdesigned::DesignerSavedInCode());
  auto compiled = std::make_unique<QWidget>();
  Ui::DesignerSaved ui;
  ui.setupUi(compiled.get());
  EXPECT_EQ(ui.slider->Style(), TKvSliderStyle::ssTopRight);
  EXPECT_EQ(ui.levelBar->Style(), TKvProgressStyle::psTopRight);
  EXPECT_EQ(ui.slider->Options(), TKvSliderOption::soActiveClick | TKvSliderOption::soHandPoint);
  EXPECT_EQ(ui.modeSwitch->Options(), TKvSwitchOptions(TKvSwitchOption::soHandPoint));
  EXPECT_EQ(ui.label->Alignment(), TAlignment::taLeftJustify);
  EXPECT_EQ(ui.levelBar->Color(), clNavy);
  forms.emplace_back("compiled", std::move(compiled));
  forms.emplace_back("loaded", Loaded(QStringLiteral("DesignerSaved.ui")));
  ASSERT_TRUE(forms.back().second);

  const QImage expected = FormPicture(forms.front().second.get());
  EXPECT_MATCHES_REFERENCE(expected, QStringLiteral("designer/DesignerSaved"));
  for (auto& [how, form] : forms) {
    SCOPED_TRACE(how);
    EXPECT_SAME_PIXELS(FormPicture(form.get()), expected);
    form->findChild<TKvSlider*>(QStringLiteral("slider"))->SetPosition(75);
    EXPECT_EQ(form->findChild<TKvLevelBar*>(QStringLiteral("levelBar"))->Position(), 75);
  }
  const QImage moved = FormPicture(forms.front().second.get());
  EXPECT_FALSE(::kvtest::SamePixels(moved, expected)) << "the level bar shows the new value";
  for (auto& [how, form] : forms) {
    SCOPED_TRACE(how);
    EXPECT_SAME_PIXELS(FormPicture(form.get()), moved);
  }
}

// Every enumerator of every control's enumeration and set property, written as Designer writes
// it (the enumeration's scope, then the name), loads into the value the same enumerator gives
// in code.
TEST(UiForm, EveryEnumeratorLoadsAsDesignerWritesIt) {
  int checked = 0;
  for (const kv::TRegisteredClass* control : kvtest::RegisteredControls()) {
    const QMetaObject* meta = control->metaObject;
    for (int p = 0; p < meta->propertyCount(); ++p) {
      const QMetaProperty property = meta->property(p);
      if (!property.isEnumType() || !property.isWritable()) continue;
      const QMetaEnum enumeration = property.enumerator();
      const char* element = enumeration.isFlag() ? "set" : "enum";
      for (int k = 0; k < enumeration.keyCount(); ++k) {
        const QString key = QStringLiteral("%1::%2").arg(QLatin1String(enumeration.scope()),
                                                         QLatin1String(enumeration.key(k)));
        SCOPED_TRACE(QStringLiteral("%1.%2 = %3")
                         .arg(kvtest::ClassNameOf(*control), QLatin1String(property.name()), key)
                         .toStdString());
        const std::unique_ptr<TControl> inCode(kvtest::NewControl(*control, nullptr));
        property.write(inCode.get(), enumeration.value(k));
        const std::unique_ptr<QWidget> form = LoadedText(
            QStringLiteral("<ui version=\"4.0\"><widget class=\"%1\" name=\"c\">"
                           "<property name=\"%2\" stdset=\"0\"><%3>%4</%3></property>"
                           "</widget></ui>")
                .arg(kvtest::ClassNameOf(*control), QLatin1String(property.name()),
                     QLatin1String(element), key));
        ASSERT_TRUE(form);
        EXPECT_EQ(property.read(form.get()).toInt(), property.read(inCode.get()).toInt());
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 100);
}

// Inside Designer the plugin puts its controls into the design state: an Active clock stays
// at the time it shows.
TEST(UiForm, DesignStateKeepsActiveControlsStill) {
  TKvLedClock clock(nullptr);
  kv::SetDesigning(&clock, true);
  clock.SetActive(true);
  clock.SetSeconds(30);
  kvtest::Pump(1200);
  EXPECT_EQ(clock.Seconds(), 30);
}
