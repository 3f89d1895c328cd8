#include "Controls.h"
#include "FormDescriptions.h"
#include "FormDescriptionsModel.h"
#include "Graphics.h"

#include <QSet>

#include <map>
#include <unordered_set>

namespace kv {

namespace {

using namespace form;

constexpr qsizetype kHexBytesPerLine = 32;
constexpr qsizetype kStringPieceLength = 64;

QByteArray Indent(int depth) { return QByteArray(depth * 2, ' '); }

QObject* PublishedSide(const TComponent* component) {
  return const_cast<QObject*>(component->AsQObject());
}

// Whether the value equals the property's streaming default; false without a default. The
// holder of a nested object (the component or item it belongs to) may state the default under
// the dotted name; otherwise the object's own class does.
bool IsAtStreamingDefault(const QObject* holder, const QObject* object,
                          const QMetaProperty& property, const QByteArray& name, PropertyKind kind,
                          const QVariant& value) {
  const bool held = holder != object && HasStreamingDefault(*holder->metaObject(), name);
  const QMetaObject& meta = held ? *holder->metaObject() : *object->metaObject();
  if (!held && !HasStreamingDefault(meta, property)) return false;
  const QString text = held ? StreamingDefault(meta, name) : StreamingDefault(meta, property);
  try {
    // A string's default is its plain text; other defaults are in value syntax.
    const QVariant streamingDefault = kind == PropertyKind::String
                                          ? QVariant(text)
                                          : ConvertValue(property, kind, ParseValueText(text));
    return FormatValue(property, kind, streamingDefault) == FormatValue(property, kind, value);
  } catch (const EConvertError& e) {
    throw EWriteError(
        QStringLiteral("%1.%2 has a bad streaming default: %3")
            .arg(QLatin1String(meta.className()), QLatin1String(property.name()), e.Message()));
  }
}

// STORED false is never stored; a property may also name a method that decides, as with
// Q_CLASSINFO("stored.Color", "IsColorStored") for a colour taken from the parent.
bool IsStored(QObject* object, const QMetaProperty& property) {
  if (!property.isStored()) return false;
  const QMetaObject& meta = *object->metaObject();
  const int index = meta.indexOfClassInfo(QByteArray("stored.") + property.name());
  if (index < 0) return true;
  bool stored = true;
  if (!QMetaObject::invokeMethod(object, meta.classInfo(index).value(), Qt::DirectConnection,
                                 Q_RETURN_ARG(bool, stored)))
    throw EWriteError(QStringLiteral("%1.%2: the stored function %3 cannot be called")
                          .arg(QLatin1String(meta.className()), QLatin1String(property.name()),
                               QLatin1String(meta.classInfo(index).value())));
  return stored;
}

class ComponentWriter {
public:
  explicit ComponentWriter(const TComponent* root) : FRoot(root) { GroupByParent(); }

  QByteArray Write() {
    WriteObject(FRoot, 0);
    return FOut;
  }

private:
  // Each owned component goes into the block of the windowed control it is parented to,
  // when that control is part of the description; everything else into the root's block.
  void GroupByParent() {
    std::unordered_set<const TComponent*> written{FRoot};
    for (int i = 0; i < FRoot->ComponentCount(); ++i)
      if (FRoot->Components(i)->AsQObject()) written.insert(FRoot->Components(i));
    for (int i = 0; i < FRoot->ComponentCount(); ++i) {
      const TComponent* component = FRoot->Components(i);
      if (!component->AsQObject()) continue;
      const TComponent* block = FRoot;
      if (auto* control = dynamic_cast<const TControl*>(component))
        if (const TComponent* parent = control->Parent(); parent && written.count(parent))
          block = parent;
      FChildren[block].push_back(component);
    }
  }

  void Line(int depth, const QByteArray& text) { FOut += Indent(depth) + text + '\n'; }

  void WriteObject(const TComponent* component, int depth) {
    QObject* object = PublishedSide(component);
    if (!object)
      throw EWriteError(
          QStringLiteral("%1 has no published properties").arg(component->ClassName()));
    const QByteArray className = object->metaObject()->className();
    Line(depth, "object " + (component->Name().isEmpty()
                                 ? className
                                 : component->Name().toLatin1() + ": " + className));
    WriteProperties(object, object, QByteArray(), depth + 1);
    WriteEvents(object, QByteArray(), depth + 1);
    for (const TComponent* child : FChildren[component]) WriteObject(child, depth + 1);
    Line(depth, "end");
  }

  // Holder: the component or collection item whose block this is (Object itself, or the one
  // holding the nested Object).
  void WriteProperties(const QObject* holder, QObject* object, const QByteArray& prefix,
                       int depth) {
    for (const QMetaProperty& property : PublishedProperties(*object->metaObject()))
      if (property.isReadable() && IsStored(object, property))
        WriteProperty(holder, object, property, prefix + property.name(), depth);
    WriteBinaryProperties(object, prefix, depth);
  }

  void WriteProperty(const QObject* holder, QObject* object, const QMetaProperty& property,
                     const QByteArray& name, int depth) {
    const PropertyKind kind = KindOf(property, object);
    switch (kind) {
      case PropertyKind::NestedObject:
        return WriteProperties(holder, ObjectValue(property, object), name + '.', depth);
      case PropertyKind::Collection: return WriteCollection(object, property, name, depth);
      case PropertyKind::Picture: return WritePicture(object, property, name, depth);
      case PropertyKind::ComponentReference: return WriteReference(object, property, name, depth);
      case PropertyKind::Unsupported:
        throw EWriteError(QStringLiteral("%1.%2: properties of type %3 cannot be stored")
                              .arg(QLatin1String(object->metaObject()->className()),
                                   QLatin1String(property.name()),
                                   QLatin1String(property.typeName())));
      default: break;
    }
    if (!property.isWritable()) return;
    const QVariant value = property.read(object);
    if (IsAtStreamingDefault(holder, object, property, name, kind, value)) return;
    if (kind == PropertyKind::String)
      Line(depth, name + " = " + StringText(value.toString(), depth + 1));
    else Line(depth, name + " = " + FormatValue(property, kind, value));
  }

  // Long strings become pieces joined with '+', one per line.
  static QByteArray StringText(const QString& text, int depth) {
    QByteArrayList pieces;
    for (qsizetype i = 0; i < text.size(); i += kStringPieceLength)
      pieces << QuoteString(QStringView(text).mid(i, kStringPieceLength));
    return pieces.isEmpty() ? QuoteString(text) : pieces.join(" +\n" + Indent(depth));
  }

  void WriteCollection(QObject* object, const QMetaProperty& property, const QByteArray& name,
                       int depth) {
    auto* collection = dynamic_cast<TCollection*>(ObjectValue(property, object));
    if (!collection) return;
    if (collection->Count() == 0) {
      if (!HasStreamingDefault(*object->metaObject(), property)) Line(depth, name + " = < >");
      return;
    }
    Line(depth, name + " = <");
    for (int i = 0; i < collection->Count(); ++i) {
      Line(depth + 1, "item");
      WriteProperties(collection->Items(i), collection->Items(i), QByteArray(), depth + 2);
      Line(depth + 1, "end");
    }
    Line(depth, ">");
  }

  void WritePicture(QObject* object, const QMetaProperty& property, const QByteArray& name,
                    int depth) {
    if (!property.isWritable()) return;
    QObject* held = ObjectValue(property, object);
    const TBitmap* bitmap = property.metaType() == QMetaType::fromType<TPicture*>()
                                ? (held ? static_cast<TPicture*>(held)->Bitmap() : nullptr)
                                : static_cast<TBitmap*>(held);
    const bool empty = !bitmap || bitmap->Empty();
    if (empty && HasStreamingDefault(*object->metaObject(), property)) return;
    TMemoryStream stream;
    if (!empty) bitmap->SaveToStream(stream);
    WriteHex(name, stream.Data(), depth);
  }

  // A reference is stored by name when it points into this description.
  void WriteReference(QObject* object, const QMetaProperty& property, const QByteArray& name,
                      int depth) {
    if (!property.isWritable()) return;
    const auto* target = dynamic_cast<const TComponent*>(ObjectValue(property, object));
    if (!target) {
      if (!HasStreamingDefault(*object->metaObject(), property)) Line(depth, name + " = nil");
      return;
    }
    const bool inDescription = target == FRoot || target->Owner() == FRoot;
    if (inDescription && !target->Name().isEmpty())
      Line(depth, name + " = " + target->Name().toLatin1());
  }

  void WriteBinaryProperties(QObject* object, const QByteArray& prefix, int depth) {
    for (const BinaryProperty& definition : BinaryPropertiesOf(object)) {
      if (!definition.hasData || !definition.write) continue;
      TMemoryStream stream;
      definition.write(stream);
      WriteHex(prefix + definition.name.toLatin1(), stream.Data(), depth);
    }
  }

  void WriteHex(const QByteArray& name, const QByteArray& bytes, int depth) {
    if (bytes.isEmpty()) {
      Line(depth, name + " = { }");
      return;
    }
    Line(depth, name + " = {");
    for (qsizetype i = 0; i < bytes.size(); i += kHexBytesPerLine)
      Line(depth + 1, bytes.mid(i, kHexBytesPerLine).toHex().toUpper());
    Line(depth, "}");
  }

  // Events in declaration order, each name once (overloads share it); then those of the
  // nested objects, dotted, in property order. A nested object whose values are not stored
  // (a font taken from the parent) still has its bindings written.
  void WriteEvents(QObject* object, const QByteArray& prefix, int depth) {
    const QMetaObject& meta = *object->metaObject();
    QSet<QByteArray> seen;
    for (int i = FirstPublishedMethod(meta); i < meta.methodCount(); ++i) {
      const QMetaMethod method = meta.method(i);
      if (method.methodType() != QMetaMethod::Signal || seen.contains(method.name())) continue;
      seen.insert(method.name());
      const QString handler = RecordedHandler(object, QString::fromLatin1(method.name()));
      if (!handler.isEmpty()) Line(depth, prefix + method.name() + " = " + handler.toLatin1());
    }
    for (const QMetaProperty& property : PublishedProperties(meta))
      if (property.isReadable() && KindOf(property, object) == PropertyKind::NestedObject)
        if (QObject* nested = ObjectValue(property, object))
          WriteEvents(nested, prefix + property.name() + '.', depth);
  }

  const TComponent* FRoot;
  QByteArray FOut;
  std::map<const TComponent*, std::vector<const TComponent*>> FChildren;
};

}  // namespace

QByteArray WriteComponent(const TComponent* root) {
  if (!root || !root->AsQObject())
    throw EWriteError(QStringLiteral("only components with published properties can be written"));
  return ComponentWriter(root).Write();
}

}  // namespace kv
