#include "DemoSettings.h"

#include "Classes.h"
#include "FormDescriptions.h"
#include "FormDescriptionsModel.h"
#include "FormReaderSyntax.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// A form's description as the demo reads it, and its path.
struct Description {
  QString path;
  QByteArray text;
};

Description DescriptionOf(const QString& form) {
  const QString path = QStringLiteral(":/forms/%1.kvf").arg(form);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw EReadError(QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
  return {path, file.readAll()};
}

void CollectComponents(const QString& form, const ObjectNode& node,
                       std::vector<DemoComponent>& components) {
  for (const ObjectNode& child : node.children) {
    components.push_back({form, child.name, child.className});
    CollectComponents(form, child, components);
  }
}

}  // namespace

std::vector<DemoComponent> DemoComponents() {
  std::vector<DemoComponent> components;
  const QStringList files = QDir(QStringLiteral(":/forms")).entryList({QStringLiteral("*.kvf")});
  for (const QString& file : files) {
    const QString form = QFileInfo(file).completeBaseName();
    const auto [path, text] = DescriptionOf(form);
    CollectComponents(form, kv::form::ParseDescription(text, path), components);
  }
  return components;
}

void ApplyDemoSettings(TComponent& component, const QString& form, const QString& name) {
  const auto [path, text] = DescriptionOf(form);
  const ObjectNode top = kv::form::ParseDescription(text, path);
  const ObjectNode* object = FindObject(top, name);
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
