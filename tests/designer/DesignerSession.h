// Qt Designer's own form editor without its windows: it loads our plugin as Designer does,
// opens a form, sets properties the way its property editor does (an undoable command through
// the property sheet) and saves the form as Designer saves it.
#pragma once

#include <QString>
#include <QVariant>

class QDesignerFormEditorInterface;
class QDesignerFormWindowInterface;
class QDesignerPropertyEditorInterface;
class QWidget;

namespace kvtest {

class DesignerSession;
DesignerSession& Designer();

class DesignerSession {
public:
  DesignerSession(const DesignerSession&) = delete;
  DesignerSession& operator=(const DesignerSession&) = delete;

  bool Open(const QString& ui);
  // The widget of that object name on the open form.
  QWidget* Widget(const QString& name) const;
  void Set(QWidget* widget, const QString& property, const QVariant& value);
  // Shows the widget's properties in Designer's property editor.
  void Show(QWidget* widget);
  QString Save() const;

private:
  friend DesignerSession& Designer();
  DesignerSession();

  QDesignerFormEditorInterface* FCore;
  QDesignerPropertyEditorInterface* FEditor;
  QDesignerFormWindowInterface* FWindow;
};

// The program's one session. Designer initializes a plugin once, for the first form editor,
// as it has only one; so has a test program. It lives to the end of the program.
DesignerSession& Designer();

}  // namespace kvtest
