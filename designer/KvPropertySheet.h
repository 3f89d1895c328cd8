// Designer's property sheet for one of our controls: Designer's own sheet, with the colour
// properties shown and edited as colours, the fields of the style objects the control holds
// added by their dotted names ("Bevel.Style"), and a setter's refusal kept inside the sheet.
#pragma once

#include <QObject>
#include <QtDesigner/QDesignerDynamicPropertySheetExtension>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QExtensionFactory>

// Designer writes a property it calls dynamic with stdset="0", which is how uic must set a
// dotted name: a changed field counts as dynamic, the rest is Designer's own dynamic sheet.
class TKvPropertySheet : public QObject,
                         public QDesignerPropertySheetExtension,
                         public QDesignerDynamicPropertySheetExtension {
  Q_OBJECT
  Q_INTERFACES(QDesignerPropertySheetExtension QDesignerDynamicPropertySheetExtension)
public:
  // BaseDynamic may be none: then the control has no dynamic properties of Designer's.
  TKvPropertySheet(QDesignerPropertySheetExtension* base,
                   QDesignerDynamicPropertySheetExtension* baseDynamic, QObject* baseObject,
                   QObject* control, QObject* parent);

  int count() const override;
  int indexOf(const QString& name) const override;
  QString propertyName(int index) const override;
  QString propertyGroup(int index) const override;
  void setPropertyGroup(int index, const QString& group) override;
  bool hasReset(int index) const override;
  bool reset(int index) override;
  bool isVisible(int index) const override;
  void setVisible(int index, bool b) override;
  bool isAttribute(int index) const override;
  void setAttribute(int index, bool b) override;
  QVariant property(int index) const override;
  void setProperty(int index, const QVariant& value) override;
  bool isChanged(int index) const override;
  void setChanged(int index, bool changed) override;
  bool isEnabled(int index) const override;

  bool dynamicPropertiesAllowed() const override;
  int addDynamicProperty(const QString& propertyName, const QVariant& value) override;
  bool removeDynamicProperty(int index) override;
  bool isDynamicProperty(int index) const override;
  bool canAddDynamicProperty(const QString& propertyName) const override;

private:
  // The type of the control's own property at Index (none for one Designer adds).
  QMetaType TypeOf(int index) const;
  bool IsColour(int index) const;
  // A style object, a picture or a collection the control holds.
  bool IsObject(int index) const;
  // The style object field at Index, or -1 for one of the base sheet's properties.
  int NestedAt(int index) const;

  QDesignerPropertySheetExtension* FBase;
  QDesignerDynamicPropertySheetExtension* FBaseDynamic;
  QObject* FControl;
  // The style objects' fields by dotted name, after the base sheet's properties.
  QList<QByteArray> FNested;
  QList<bool> FNestedChanged;
};

// Gives our controls the sheet above, over the sheet the manager's other factories give; it
// answers for both kinds of sheet.
class TKvPropertySheetFactory : public QExtensionFactory {
  Q_OBJECT
public:
  explicit TKvPropertySheetFactory(QExtensionManager* parent);
  // Puts a factory over the manager's others, for both kinds of sheet.
  static void Register(QExtensionManager* manager);

protected:
  QObject* createExtension(QObject* object, const QString& iid, QObject* parent) const override;

private:
  mutable bool FLookingUp = false;
};
