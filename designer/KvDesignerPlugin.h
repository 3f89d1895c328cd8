// The controls in Qt Designer's widget box, one entry per control class registered for form
// descriptions, in the group "Kelvara".
#pragma once

#include "ClassRegistry.h"

#include <QIcon>
#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class TControl;

class TKvDesignerWidget : public QObject, public QDesignerCustomWidgetInterface {
  Q_OBJECT
  Q_INTERFACES(QDesignerCustomWidgetInterface)
public:
  TKvDesignerWidget(const kv::TRegisteredClass& control, QObject* parent);

  QString name() const override;
  QString group() const override { return QStringLiteral("Kelvara"); }
  QString toolTip() const override { return name(); }
  QString whatsThis() const override { return name(); }
  QString includeFile() const override { return QStringLiteral("kelvara/Kelvara.h"); }
  QIcon icon() const override;
  QString domXml() const override;
  bool isContainer() const override { return false; }
  // Designer calls this; a run-time loader of forms does not.
  bool isInitialized() const override { return FInitialized; }
  void initialize(QDesignerFormEditorInterface* core) override;
  QWidget* createWidget(QWidget* parent) override;

private:
  TControl* NewControl() const;

  const kv::TRegisteredClass& FControl;
  bool FInitialized = false;
  mutable QIcon FIcon;
};

class TKvDesignerWidgets : public QObject, public QDesignerCustomWidgetCollectionInterface {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
  Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)
public:
  explicit TKvDesignerWidgets(QObject* parent = nullptr);
  QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return FWidgets; }

private:
  QList<QDesignerCustomWidgetInterface*> FWidgets;
};
