// Inside Designer our controls' colour properties are shown and edited as colours, the fields
// of their style objects are properties by dotted name, other properties pass unchanged, and a
// refused value stays inside the property sheet.
#include "FormDescriptionsModel.h"
#include "KvMeter.h"
#include "KvPropertySheet.h"

#include <QColor>
#include <QMetaProperty>
#include <QtDesigner/QExtensionManager>
#include <gtest/gtest.h>

namespace {

// Stands for Designer's own sheet: the object's properties by index, through its meta-object.
class PlainSheet : public QObject, public QDesignerPropertySheetExtension {
  Q_OBJECT
  Q_INTERFACES(QDesignerPropertySheetExtension)
public:
  PlainSheet(QObject* object, QObject* parent) : QObject(parent), FObject(object) {}
  int count() const override { return Meta()->propertyCount(); }
  int indexOf(const QString& name) const override {
    return Meta()->indexOfProperty(name.toLatin1().constData());
  }
  QString propertyName(int i) const override {
    return QString::fromLatin1(Meta()->property(i).name());
  }
  QString propertyGroup(int) const override { return {}; }
  void setPropertyGroup(int, const QString&) override {}
  bool hasReset(int) const override { return false; }
  bool reset(int) override { return false; }
  bool isVisible(int) const override { return true; }
  void setVisible(int, bool) override {}
  bool isAttribute(int) const override { return false; }
  void setAttribute(int, bool) override {}
  QVariant property(int i) const override { return Meta()->property(i).read(FObject); }
  void setProperty(int i, const QVariant& v) override { Meta()->property(i).write(FObject, v); }
  bool isChanged(int) const override { return false; }
  void setChanged(int, bool) override {}
  bool isEnabled(int) const override { return true; }

private:
  const QMetaObject* Meta() const { return FObject->metaObject(); }
  QObject* FObject;
};

class PlainSheetFactory : public QExtensionFactory {
public:
  using QExtensionFactory::QExtensionFactory;

protected:
  QObject* createExtension(QObject* object, const QString& iid, QObject* parent) const override {
    if (iid != QLatin1String(Q_TYPEID(QDesignerPropertySheetExtension))) return nullptr;
    return new PlainSheet(object, parent);
  }
};

// An extension manager as Designer has one: its own sheets first, ours registered after.
struct Sheets {
  QExtensionManager manager;
  Sheets() {
    manager.registerExtensions(new PlainSheetFactory(&manager),
                               Q_TYPEID(QDesignerPropertySheetExtension));
    TKvPropertySheetFactory::Register(&manager);
  }
  QDesignerPropertySheetExtension* For(QObject* object) {
    return qt_extension<QDesignerPropertySheetExtension*>(&manager, object);
  }
};

}  // namespace

TEST(PropertySheet, ColoursAreShownAndEditedAsColours) {
  Sheets sheets;
  TKvMeter meter(nullptr);
  meter.SetNeedleColor(clRed);
  meter.SetColor(clBtnFace);
  QDesignerPropertySheetExtension* sheet = sheets.For(&meter);
  ASSERT_TRUE(dynamic_cast<TKvPropertySheet*>(sheet));

  const int needle = sheet->indexOf(QStringLiteral("NeedleColor"));
  EXPECT_EQ(sheet->property(needle).value<QColor>(), QColor(255, 0, 0));
  sheet->setProperty(needle, QColor(0, 0, 255));
  EXPECT_EQ(meter.NeedleColor(), clBlue);
  // A system colour shows as the colour it stands for.
  EXPECT_EQ(sheet->property(sheet->indexOf(QStringLiteral("Color"))).value<QColor>(),
            QColor::fromRgb(kv::ColorToPixel(clBtnFace)));
  EXPECT_EQ(sheet->property(sheet->indexOf(QStringLiteral("Position"))), QVariant(0));
}

TEST(PropertySheet, RefusedValueLeavesThePropertyAsItWas) {
  Sheets sheets;
  TKvMeter meter(nullptr);
  EXPECT_THROW(meter.SetMaxValue(-5), EKvException);
  QDesignerPropertySheetExtension* sheet = sheets.For(&meter);
  EXPECT_NO_THROW(sheet->setProperty(sheet->indexOf(QStringLiteral("MaxValue")), -5));
  EXPECT_EQ(meter.MaxValue(), 100);
}

// A style object's field, by its dotted name: an enumeration as its text, a colour as a
// colour. A changed one counts as dynamic (Designer then writes it by name, with
// stdset="0"); a reset one goes back to a new control's value; a refused text stays outside.
TEST(PropertySheet, StyleObjectFieldsAreProperties) {
  Sheets sheets;
  TKvMeter meter(nullptr);
  QDesignerPropertySheetExtension* sheet = sheets.For(&meter);
  auto* dynamic = qt_extension<QDesignerDynamicPropertySheetExtension*>(&sheets.manager, &meter);
  ASSERT_TRUE(dynamic);
  EXPECT_EQ(dynamic, dynamic_cast<QDesignerDynamicPropertySheetExtension*>(sheet));
  EXPECT_EQ(sheet->count(), meter.metaObject()->propertyCount() +
                                int(kv::form::NestedProperties(&meter).size()));

  const int style = sheet->indexOf(QStringLiteral("Bevel.OuterStyle"));
  ASSERT_GE(style, 0);
  EXPECT_EQ(sheet->propertyName(style), QStringLiteral("Bevel.OuterStyle"));
  EXPECT_EQ(sheet->propertyGroup(style), QStringLiteral("Bevel"));
  EXPECT_FALSE(dynamic->isDynamicProperty(style));
  sheet->setProperty(style, QByteArray("bsLowered"));
  sheet->setChanged(style, true);
  EXPECT_EQ(meter.Bevel()->OuterStyle(), TKvBevelStyle::bsLowered);
  EXPECT_EQ(sheet->property(style), QVariant(QByteArray("bsLowered")));
  EXPECT_TRUE(dynamic->isDynamicProperty(style));
  EXPECT_NO_THROW(sheet->setProperty(style, QByteArray("bsSideways")));
  EXPECT_EQ(meter.Bevel()->OuterStyle(), TKvBevelStyle::bsLowered);

  const int zone = sheet->indexOf(QStringLiteral("Scale.Color1"));
  ASSERT_GE(zone, 0);
  sheet->setProperty(zone, QColor(0, 0, 255));
  EXPECT_EQ(meter.Scale()->Color1(), clBlue);
  EXPECT_EQ(sheet->property(zone).value<QColor>(), QColor(0, 0, 255));

  EXPECT_TRUE(sheet->reset(style));
  EXPECT_EQ(meter.Bevel()->OuterStyle(), TKvMeter(nullptr).Bevel()->OuterStyle());
  EXPECT_FALSE(sheet->isChanged(style));
  EXPECT_FALSE(dynamic->isDynamicProperty(style));
  // A field a form does not store (the font's Size stands for its Height) is not offered.
  EXPECT_EQ(sheet->indexOf(QStringLiteral("Font.Size")), -1);
  EXPECT_GE(sheet->indexOf(QStringLiteral("Font.Height")), 0);
}

TEST(PropertySheet, OtherObjectsKeepDesignersOwnSheet) {
  Sheets sheets;
  QObject plain;
  EXPECT_TRUE(dynamic_cast<PlainSheet*>(sheets.For(&plain)));
}

#include "PropertySheetTest.moc"
