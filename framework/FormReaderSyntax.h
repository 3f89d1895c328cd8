// The syntax of form descriptions: text to a tree of objects, properties and values.
// Nothing here knows about classes or properties; that is the reader's part.
#pragma once

#include "KvExport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace kv::form {

struct PropertyNode;
using PropertyList = std::vector<PropertyNode>;

struct KV_EXPORT ValueNode {
  enum class Kind { Integer, Real, String, Identifier, Set, Binary, Resource, Collection, Block };
  Kind kind = Kind::Integer;
  int line = 0;
  qint64 integer = 0;
  long double real = 0;             // finite and within the double range
  QString text;                     // string, identifier, resource name
  QStringList names;                // set members
  QByteArray bytes;                 // binary data
  std::vector<PropertyList> items;  // collection items
  PropertyList block;               // nested block
};

struct KV_EXPORT PropertyNode {
  QStringList path;  // "Font.Height" is {"Font", "Height"}
  int line = 0;
  ValueNode value;
};

struct KV_EXPORT ObjectNode {
  QString name;  // empty for an unnamed object
  QString className;
  int line = 0;
  int endLine = 0;
  PropertyList properties;
  std::vector<ObjectNode> children;
};

// Parses a whole description; raises EFormError (file, line, property) on bad syntax or
// input beyond the limits of FormDescriptions.h.
KV_EXPORT ObjectNode ParseDescription(const QByteArray& text, const QString& fileName);

// Parses one value written in description syntax (the streaming defaults of properties);
// raises EConvertError when the text is not exactly one value.
KV_EXPORT ValueNode ParseValueText(const QString& text);

}  // namespace kv::form
