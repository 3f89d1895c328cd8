#include "DemoSettings.h"

#include "Classes.h"
#include "FormDescriptions.h"
#include "FormDescriptionsModel.h"
#include "FormReaderSyntax.h"

#include <QFile>
#include <QMetaMethod>
#include <QSet>

namespace kvdemo {

namespace {

using kv::form::ObjectNode;

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

const ObjectNode* FindObject(const ObjectNode& node, const QString& name) {
  for (const ObjectNode& child : node.children) {
    if (SameName(child.name, name)) return &child;
    if (const ObjectNode* found = FindObject(child, name)) return found;
  }
  return nullptr;
}

// Whether Path names an event of Object or of an object nested in it.
bool IsEvent(const QObject* object, const QStringList& path) {
  for (qsizetype i = 0; object && i + 1 < path.size(); ++i) {
    const QMetaProperty nested = kv::form::FindPublishedProperty(*object->metaObject(), path[i]);
    if (!nested.isValid() || kv::form::KindOf(nested, object) != kv::form::PropertyKind::NestedObject)
      return false;
    object = kv::form::ObjectValue(nested, object);
  }
  return object && !kv::form::PublishedMethods(*object->metaObject(), path.back(),
                                               QMetaMethod::Signal)
                        .empty();
}

// Whether a property line of the demo's description belongs to the panel rather than to the
// control: its place there, or a binding to one of the panel's handlers.
bool BelongsToThePanel(const QObject* control, const QStringList& path) {
  if (path.size() == 1 && (SameName(path[0], QStringLiteral("Left")) ||
                           SameName(path[0], QStringLiteral("Top"))))
    return true;
  return IsEvent(control, path);
}

}  // namespace

void ApplyDemoSettings(TComponent& component, const QString& form, const QString& name) {
  const QString path = QStringLiteral(":/forms/%1.kvf").arg(form);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw EReadError(QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
  const QByteArray text = file.readAll();
  const ObjectNode* object = FindObject(kv::form::ParseDescription(text, path), name);
  if (!object) throw EReadError(QStringLiteral("%1 has no component %2").arg(path, name));
  // The component's own lines, as a description of it alone and without its name (the
  // component keeps its own): every property the panel leaves to the control takes one line
  // or more, those it keeps one line each.
  const QList<QByteArray> lines = text.split('\n');
  QSet<int> panelLines;
  for (const kv::form::PropertyNode& property : object->properties)
    if (BelongsToThePanel(component.AsQObject(), property.path)) panelLines.insert(property.line);
  QByteArray own = "object " + object->className.toLatin1() + '\n';
  for (int line = object->line + 1; line <= object->endLine; ++line)
    if (!panelLines.contains(line)) own += lines[line - 1] + '\n';
  kv::ReadComponent(&component, own, path);
}

}  // namespace kvdemo
