#include "DesignerSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QWidget>
#include <QtDesigner/QDesignerComponents>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowCursorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerFormWindowManagerInterface>
#include <QtDesigner/QDesignerIntegration>
#include <QtDesigner/QDesignerPropertyEditorInterface>

namespace kvtest {

DesignerSession::DesignerSession() {
  // Designer looks for plugins in the "designer" folder under each library path.
  QCoreApplication::addLibraryPath(QDir(QStringLiteral(KV_DESIGNER_PLUGIN_DIR "/..")).absolutePath());
  FCore = QDesignerComponents::createFormEditor(nullptr);
  QDesignerComponents::initializePlugins(FCore);
  FEditor = QDesignerComponents::createPropertyEditor(FCore, nullptr);
  FCore->setPropertyEditor(FEditor);
  new QDesignerIntegration(FCore, FCore);
  FWindow = FCore->formWindowManager()->createFormWindow(nullptr);
}

DesignerSession& Designer() {
  static auto* session = new DesignerSession;
  return *session;
}

bool DesignerSession::Open(const QString& ui) { return FWindow->setContents(ui); }

QWidget* DesignerSession::Widget(const QString& name) const {
  QWidget* form = FWindow->mainContainer();
  return form ? form->findChild<QWidget*>(name) : nullptr;
}

void DesignerSession::Set(QWidget* widget, const QString& property, const QVariant& value) {
  FWindow->cursor()->setWidgetProperty(widget, property, value);
}

void DesignerSession::Show(QWidget* widget) { FEditor->setObject(widget); }

QString DesignerSession::Save() const { return FWindow->contents(); }

}  // namespace kvtest
