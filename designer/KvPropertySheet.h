// Designer's property sheet for one of our controls: Designer's own sheet, with the colour
// properties shown and edited as colours, and a setter's refusal kept inside the sheet.
#pragma once

#include <QObject>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QExtensionFactory>

class TKvPropertySheet : public QObject, public QDesignerPropertySheetExtension {
  Q_OBJECT
  Q_INTERFACES(QDesignerPropertySheetExtension)
public:
  TKvPropertySheet(QDesignerPropertySheetExtension* base, QObject* baseObject, QObject* control,
                   QObject* parent);

  int count() const override { return FBase->count(); }
  int indexOf(const QString& name) const override { return FBase->indexOf(name); }
  QString propertyName(int index) const override { return FBase->propertyName(index); }
  QString propertyGroup(int index) const override { return FBase->propertyGroup(index); }
  void setPropertyGroup(int index, const QString& group) override {
    FBase->setPropertyGroup(index, group);
  }
  bool hasReset(int index) const override { return FBase->hasReset(index); }
  bool reset(int index) override;
  bool isVisible(int index) const override { return FBase->isVisible(index); }
  void setVisible(int index, bool b) override { FBase->setVisible(index, b); }
  bool isAttribute(int index) const override { return FBase->isAttribute(index); }
  void setAttribute(int index, bool b) override { FBase->setAttribute(index, b); }
  QVariant property(int index) const override;
  void setProperty(int index, const QVariant& value) override;
  bool isChanged(int index) const override { return FBase->isChanged(index); }
  void setChanged(int index, bool changed) override { FBase->setChanged(index, changed); }
  bool isEnabled(int index) const override { return FBase->isEnabled(index); }

private:
  bool IsColour(int index) const;

  QDesignerPropertySheetExtension* FBase;
  QObject* FControl;
};

// Gives our controls the sheet above, over the sheet the manager's other factories give.
class TKvPropertySheetFactory : public QExtensionFactory {
  Q_OBJECT
public:
  explicit TKvPropertySheetFactory(QExtensionManager* parent);

protected:
  QObject* createExtension(QObject* object, const QString& iid, QObject* parent) const override;

private:
  mutable bool FLookingUp = false;
};
