#include "BmpCodec.h"
#include "ClassRegistry.h"
#include "Controls.h"
#include "FormDescriptions.h"
#include "FormDescriptionsModel.h"
#include "FormReaderSyntax.h"
#include "Graphics.h"

#include <QFile>
#include <QHash>
#include <QPointer>

using kv::Exception;

namespace {

QString ErrorMessage(const QString& fileName, int line, const QString& propertyName,
                     const QString& reason) {
  QString where = fileName;
  if (line > 0) where += QStringLiteral(":%1").arg(line);
  if (!propertyName.isEmpty()) where += QStringLiteral(": ") + propertyName;
  return where + QStringLiteral(": ") + reason;
}

}  // namespace

EFormError::EFormError(QString fileName, int line, QString propertyName, QString reason)
    : EReadError(ErrorMessage(fileName, line, propertyName, reason)),
      FFileName(std::move(fileName)),
      FLine(line),
      FPropertyName(std::move(propertyName)),
      FReason(std::move(reason)) {}

namespace kv {

namespace {

using namespace form;

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString ClassNameOf(const QObject* object) {
  return QString::fromLatin1(object->metaObject()->className());
}

// Connects Sender's event to Receiver's handler of that name and records the binding for
// the writer. Connections already made (the owner's own, other handlers) stay as they are.
void ConnectEvent(QObject* sender, const QString& eventName, QObject* receiver,
                  const QString& handlerName) {
  const auto events = form::PublishedMethods(*sender->metaObject(), eventName, QMetaMethod::Signal);
  if (events.empty())
    throw EReadError(QStringLiteral("%1 has no event %2").arg(ClassNameOf(sender), eventName));
  const auto handlers =
      form::PublishedMethods(*receiver->metaObject(), handlerName, QMetaMethod::Slot);
  if (handlers.empty())
    throw EReadError(
        QStringLiteral("%1 has no handler %2").arg(ClassNameOf(receiver), handlerName));
  for (const QMetaMethod& event : events) {
    for (const QMetaMethod& handler : handlers) {
      if (!QMetaObject::checkConnectArgs(event, handler)) continue;
      QObject::connect(sender, event, receiver, handler,
                       Qt::ConnectionType(Qt::AutoConnection | Qt::UniqueConnection));
      form::RecordHandler(sender, QString::fromLatin1(event.name()),
                          QString::fromLatin1(handler.name()));
      return;
    }
  }
  throw EReadError(
      QStringLiteral("handler %1 does not take the parameters of %2").arg(handlerName, eventName));
}

void WriteProperty(QObject* target, const QMetaProperty& property, const QVariant& value) {
  if (!property.isWritable()) throw EConvertError(QStringLiteral("the property is read-only"));
  if (!property.write(target, value))
    throw EConvertError(QStringLiteral("the value cannot be set"));
}

// Fills Bitmap from inline BMP data (empty data: an empty picture) or a named resource.
void LoadPicture(TBitmap& bitmap, const ValueNode& value) {
  if (value.kind == ValueNode::Kind::Resource) {
    bitmap.LoadFromResourceName(value.text);
    return;
  }
  if (value.kind != ValueNode::Kind::Binary)
    throw EConvertError(QStringLiteral("picture data { ... } or resource 'NAME' expected"));
  if (value.bytes.isEmpty()) return;
  TMemoryStream stream(value.bytes);
  bitmap.LoadFromStream(stream);
  if (stream.Remaining() != 0)
    throw EConvertError(
        QStringLiteral("%1 bytes follow the bitmap in the picture data").arg(stream.Remaining()));
}

void ReadBinary(const BinaryProperty& definition, const ValueNode& value) {
  if (value.kind != ValueNode::Kind::Binary)
    throw EConvertError(QStringLiteral("binary data { ... } expected"));
  if (!definition.read) throw EConvertError(QStringLiteral("the binary property cannot be read"));
  // The component sees exactly its own payload.
  TMemoryStream stream(value.bytes);
  definition.read(stream);
  if (stream.Remaining() != 0)
    throw EConvertError(
        QStringLiteral("%1 bytes of the binary data were left unread").arg(stream.Remaining()));
}

// Ends a collection update that failed; the first failure is the one reported.
void EndUpdateAfterFailure(TCollection* collection) {
  try {
    collection->EndUpdate();
  } catch (...) {
  }
}

class ComponentReader {
public:
  ComponentReader(TComponent* root, QString fileName)
      : FRoot(root), FFileName(std::move(fileName)) {}

  void Read(const ObjectNode& top) {
    FRootObject = FRoot->AsQObject();
    CheckRootClass(top);
    LoadingScope scope(FRoot);
    try {
      if (!top.name.isEmpty()) FRoot->SetName(top.name);
      CollectExistingNames();
      ApplyProperties(FRootObject, top.properties, RootName(top), true);
      CreateChildren(top, FRoot);
      ResolveReferences();
    } catch (...) {
      scope.Cancel();
      FreeCreated();
      RethrowWithContext(top.line, RootName(top));
    }
    try {
      scope.Finish();
    } catch (...) {
      FreeCreated();
      RethrowWithContext(top.endLine, RootName(top));
    }
  }

private:
  // A component reference, set once every component of the description exists.
  struct Reference {
    QPointer<QObject> target;
    QMetaProperty property;
    QString name;
    int line;
    QString where;
  };

  [[noreturn]] void Fail(int line, const QString& where, const QString& reason) const {
    throw EFormError(FFileName, line, where, reason);
  }

  // Call inside a handler: the exception in flight, with the file, line and property.
  [[noreturn]] void RethrowWithContext(int line, const QString& where) const {
    try {
      throw;
    } catch (const EFormError&) {
      throw;
    } catch (const Exception& e) {
      Fail(line, where, e.Message());
    } catch (const std::exception& e) {
      Fail(line, where, QString::fromUtf8(e.what()));
    } catch (...) {
      Fail(line, where, QStringLiteral("unknown error"));
    }
  }

  QString RootName(const ObjectNode& top) const {
    if (!top.name.isEmpty()) return top.name;
    return FRoot->Name().isEmpty() ? ClassNameOf(FRootObject) : FRoot->Name();
  }

  void CheckRootClass(const ObjectNode& top) const {
    if (!FRootObject)
      Fail(top.line, top.name, QStringLiteral("the component has no published properties"));
    for (const QMetaObject* m = FRootObject->metaObject(); m; m = m->superClass())
      if (SameName(QLatin1String(m->className()), top.className)) return;
    Fail(top.line, top.name,
         QStringLiteral("the description is of class %1, but the component is a %2")
             .arg(top.className, ClassNameOf(FRootObject)));
  }

  void CollectExistingNames() {
    FNames.insert(FRoot->Name().toUpper(), FRootObject);
    for (int i = 0; i < FRoot->ComponentCount(); ++i) {
      TComponent* c = FRoot->Components(i);
      if (!c->Name().isEmpty()) FNames.insert(c->Name().toUpper(), c->AsQObject());
    }
  }

  void CreateChildren(const ObjectNode& node, TComponent* enclosing) {
    for (const ObjectNode& child : node.children) {
      TComponent* component = CreateChild(child, enclosing);
      ApplyProperties(component->AsQObject(), child.properties, ComponentName(child), true);
      CreateChildren(child, component);
    }
  }

  static QString ComponentName(const ObjectNode& node) {
    return node.name.isEmpty() ? node.className : node.name;
  }

  TComponent* CreateChild(const ObjectNode& node, TComponent* enclosing) {
    try {
      const TRegisteredClass* registered = FindRegisteredClass(node.className);
      if (!registered) throw EConvertError(QStringLiteral("unknown class %1").arg(node.className));
      const QString key = node.name.toUpper();
      if (!node.name.isEmpty() && FNames.contains(key))
        throw EConvertError(QStringLiteral("a component named %1 already exists").arg(node.name));
      TComponent* component = registered->create(FRoot);
      if (!component)
        throw EConvertError(QStringLiteral("class %1 created nothing").arg(node.className));
      if (!component->AsQObject()) {
        delete component;
        throw EConvertError(
            QStringLiteral("class %1 has no published properties").arg(node.className));
      }
      FCreated.emplace_back(component->AsQObject());
      component->SetName(node.name);
      if (!node.name.isEmpty()) FNames.insert(key, component->AsQObject());
      PlaceInParent(component, enclosing);
      return component;
    } catch (...) {
      RethrowWithContext(node.line, ComponentName(node));
    }
  }

  static void PlaceInParent(TComponent* component, TComponent* enclosing) {
    auto* control = dynamic_cast<TControl*>(component);
    if (!control) return;
    auto* parent = dynamic_cast<TWinControl*>(enclosing);
    if (!parent)
      throw EConvertError(QStringLiteral("a control must be nested in a windowed control"));
    control->SetParent(parent);
  }

  // Events: whether events bind here. They do on a component and on the objects nested in
  // it (dotted or in a block), which stay as long as the component; not on collection items,
  // which a later read of the collection replaces.
  void ApplyProperties(QObject* target, const PropertyList& properties, const QString& context,
                       bool events) {
    for (const PropertyNode& node : properties) ApplyProperty(target, node, context, events);
  }

  void ApplyProperty(QObject* target, const PropertyNode& node, const QString& context,
                     bool events) {
    const QString where = context + QLatin1Char('.') + node.path.join(QLatin1Char('.'));
    try {
      QObject* owner = target;
      for (qsizetype i = 0; i + 1 < node.path.size(); ++i)
        owner = NestedObject(owner, node.path[i]);
      const QString& name = node.path.back();
      const QMetaProperty property = FindPublishedProperty(*owner->metaObject(), name);
      if (property.isValid()) {
        SetProperty(owner, property, node.value, where, events);
      } else if (IsEvent(owner, name)) {
        if (!events)
          throw EConvertError(QStringLiteral("events of collection items cannot be bound"));
        if (node.value.kind != ValueNode::Kind::Identifier)
          throw EConvertError(QStringLiteral("a handler name expected"));
        ConnectEvent(owner, name, FRootObject, node.value.text);
      } else {
        ReadBinary(FindBinaryProperty(owner, name), node.value);
      }
    } catch (...) {
      RethrowWithContext(node.line, where);
    }
  }

  static bool IsEvent(const QObject* object, const QString& name) {
    return !PublishedMethods(*object->metaObject(), name, QMetaMethod::Signal).empty();
  }

  static BinaryProperty FindBinaryProperty(QObject* owner, const QString& name) {
    for (BinaryProperty& definition : BinaryPropertiesOf(owner))
      if (SameName(definition.name, name)) return std::move(definition);
    throw EConvertError(QStringLiteral("%1 has no property %2").arg(ClassNameOf(owner), name));
  }

  static QObject* NestedObject(QObject* owner, const QString& name) {
    const QMetaProperty property = FindPublishedProperty(*owner->metaObject(), name);
    if (!property.isValid() && IsEvent(owner, name))
      throw EConvertError(QStringLiteral("%1 is an event, not a nested object").arg(name));
    if (!property.isValid())
      throw EConvertError(QStringLiteral("%1 has no property %2").arg(ClassNameOf(owner), name));
    if (KindOf(property, owner) != PropertyKind::NestedObject)
      throw EConvertError(QStringLiteral("%1 is not a nested object").arg(name));
    return ObjectValue(property, owner);
  }

  void SetProperty(QObject* owner, const QMetaProperty& property, const ValueNode& value,
                   const QString& where, bool events) {
    const PropertyKind kind = KindOf(property, owner);
    switch (kind) {
      case PropertyKind::Picture: return ReadPicture(owner, property, value);
      case PropertyKind::NestedObject:
        return ReadNestedBlock(ObjectValue(property, owner), value, where, events);
      case PropertyKind::Collection:
        return ReadCollection(ObjectValue(property, owner), value, where);
      case PropertyKind::ComponentReference: return ReadReference(owner, property, value, where);
      case PropertyKind::Unsupported:
        throw EConvertError(QStringLiteral("properties of type %1 cannot be read")
                                .arg(QLatin1String(property.typeName())));
      default: WriteProperty(owner, property, ConvertValue(property, kind, value));
    }
  }

  static void ReadPicture(QObject* owner, const QMetaProperty& property, const ValueNode& value) {
    if (property.metaType() == QMetaType::fromType<TPicture*>()) {
      TPicture picture;
      LoadPicture(*picture.Bitmap(), value);
      WriteProperty(owner, property, QVariant::fromValue(&picture));
    } else {
      TBitmap bitmap;
      LoadPicture(bitmap, value);
      WriteProperty(owner, property, QVariant::fromValue(&bitmap));
    }
  }

  void ReadNestedBlock(QObject* nested, const ValueNode& value, const QString& where, bool events) {
    if (value.kind != ValueNode::Kind::Block)
      throw EConvertError(QStringLiteral("a nested block ( ... ) expected"));
    ApplyProperties(nested, value.block, where, events);
  }

  void ReadCollection(QObject* held, const ValueNode& value, const QString& where) {
    auto* collection = dynamic_cast<TCollection*>(held);
    if (!collection) throw EConvertError(QStringLiteral("the collection does not exist"));
    if (value.kind != ValueNode::Kind::Collection)
      throw EConvertError(QStringLiteral("a collection < ... > expected"));
    collection->BeginUpdate();
    try {
      collection->Clear();
      for (size_t i = 0; i < value.items.size(); ++i)
        ApplyProperties(collection->Add(), value.items[i],
                        QStringLiteral("%1[%2]").arg(where).arg(i), false);
    } catch (...) {
      EndUpdateAfterFailure(collection);
      throw;
    }
    collection->EndUpdate();
  }

  void ReadReference(QObject* owner, const QMetaProperty& property, const ValueNode& value,
                     const QString& where) {
    if (value.kind != ValueNode::Kind::Identifier)
      throw EConvertError(QStringLiteral("a component name expected"));
    if (SameName(value.text, QStringLiteral("nil"))) {
      WriteProperty(owner, property, QVariant(property.metaType()));
      return;
    }
    FReferences.push_back({owner, property, value.text, value.line, where});
  }

  void ResolveReferences() {
    for (const Reference& reference : FReferences) {
      try {
        if (reference.target) ResolveReference(reference);
      } catch (...) {
        RethrowWithContext(reference.line, reference.where);
      }
    }
  }

  void ResolveReference(const Reference& reference) const {
    QObject* found = FNames.value(reference.name.toUpper());
    if (!found)
      throw EConvertError(QStringLiteral("there is no component named %1").arg(reference.name));
    const QMetaObject* wanted = reference.property.metaType().metaObject();
    if (wanted && !found->metaObject()->inherits(wanted))
      throw EConvertError(
          QStringLiteral("%1 is a %2, not a %3")
              .arg(reference.name, ClassNameOf(found), QLatin1String(wanted->className())));
    // QObject is the first base of every QObject class, so the QObject pointer is also the
    // pointer of the property's class.
    WriteProperty(reference.target, reference.property,
                  QVariant(reference.property.metaType(), &found));
  }

  // Last created first, so that nested controls go before their parents.
  void FreeCreated() {
    for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it)
      if (QObject* object = it->data()) delete object;
    FCreated.clear();
  }

  TComponent* FRoot;
  QObject* FRootObject = nullptr;
  QString FFileName;
  std::vector<QPointer<QObject>> FCreated;
  QHash<QString, QPointer<QObject>> FNames;  // upper-cased component names
  std::vector<Reference> FReferences;
};

}  // namespace

void ReadComponent(TComponent* root, const QByteArray& text, const QString& fileName) {
  if (!root)
    throw EFormError(fileName, 0, QString(), QStringLiteral("there is no component to read into"));
  // The whole text is parsed before anything changes.
  const ObjectNode top = ParseDescription(text, fileName);
  const kv::PixelBudgetScope pictures;
  ComponentReader(root, fileName).Read(top);
}

void ReadComponentResource(TComponent* root, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw EFormError(path, 0, QString(), QStringLiteral("cannot open: %1").arg(file.errorString()));
  // One byte more than allowed, so that the parser refuses an oversized file.
  ReadComponent(root, file.read(kMaxDescriptionBytes + 1), path);
}

void BindEvent(TComponent* component, const QString& eventName, TComponent* root,
               const QString& handlerName) {
  QObject* sender = component ? component->AsQObject() : nullptr;
  QObject* receiver = root ? root->AsQObject() : nullptr;
  if (!sender || !receiver)
    throw EReadError(QStringLiteral("events connect components with published properties"));
  ConnectEvent(sender, eventName, receiver, handlerName);
}

TComponent* FindOwnedComponent(const TComponent* form, const QString& name) {
  if (TComponent* component = form->FindComponent(name)) return component;
  throw EReadError(QStringLiteral("%1 has no component named %2").arg(form->ClassName(), name));
}

void RaiseWrongComponentClass(const TComponent* form, const TComponent* component,
                              const QMetaObject& expected) {
  throw EReadError(QStringLiteral("%1.%2 is a %3, not a %4")
                       .arg(form->ClassName(), component->Name(), component->ClassName(),
                            QLatin1String(expected.className())));
}

}  // namespace kv
