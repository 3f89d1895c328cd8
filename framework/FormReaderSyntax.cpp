#include "FormReaderSyntax.h"

#include "FormDescriptions.h"

#include <QStringDecoder>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

namespace kv::form {

namespace {

// Raised by the lexer and the parser; turned into the caller's exception with the
// property that was being read.
struct SyntaxError {
  int line;
  QString message;
};

enum class TokenKind { End, Identifier, Integer, Real, String, Binary, Symbol };

struct Token {
  TokenKind kind = TokenKind::End;
  int line = 0;
  char symbol = 0;
  QString text;  // identifier or string
  qint64 integer = 0;
  long double real = 0;
  QByteArray bytes;
};

bool IsIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || IsDigit(c); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

int HexDigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

class Lexer {
public:
  explicit Lexer(const QByteArray& text)
      : FPos(text.constData()), FEnd(text.constData() + text.size()) {}

  Token Next() {
    SkipSpaceAndComments();
    Token t;
    t.line = FLine;
    if (FPos == FEnd) return t;
    const char c = *FPos;
    if (IsIdentifierStart(c)) {
      t.kind = TokenKind::Identifier;
      t.text = TakeIdentifier();
    } else if (IsDigit(c) || c == '$' || c == '-') {
      ReadNumber(t);
    } else if (c == '\'' || c == '#') {
      t.kind = TokenKind::String;
      t.text = ReadString();
    } else if (c == '{') {
      t.kind = TokenKind::Binary;
      t.bytes = ReadBinary();
    } else if (std::string_view("=:.,[]<>()+").find(c) != std::string_view::npos) {
      t.kind = TokenKind::Symbol;
      t.symbol = c;
      ++FPos;
    } else {
      Fail(
          QStringLiteral("unexpected character (code %1)").arg(int(static_cast<unsigned char>(c))));
    }
    return t;
  }

private:
  [[noreturn]] void Fail(const QString& message) const { throw SyntaxError{FLine, message}; }

  bool AtEnd() const { return FPos == FEnd; }
  bool Peek(char c) const { return FPos != FEnd && *FPos == c; }

  void SkipSpaceAndComments() {
    while (FPos != FEnd) {
      if (*FPos == '\n') {
        ++FLine;
        ++FPos;
      } else if (IsSpace(*FPos)) {
        ++FPos;
      } else if (*FPos == '/' && FEnd - FPos >= 2 && FPos[1] == '/') {
        while (FPos != FEnd && *FPos != '\n') ++FPos;
      } else {
        return;
      }
    }
  }

  QString TakeIdentifier() {
    const char* start = FPos;
    while (FPos != FEnd && IsIdentifierChar(*FPos)) ++FPos;
    return QString::fromLatin1(start, FPos - start);
  }

  // [-] digits [. digits] [e [+|-] digits]   or   [-] $ hexdigits
  void ReadNumber(Token& t) {
    const char* start = FPos;
    const bool negative = Peek('-');
    if (negative) ++FPos;
    if (Peek('$')) {
      ++FPos;
      t.kind = TokenKind::Integer;
      t.integer = ApplySign(ReadHexDigits(), negative);
      return;
    }
    if (!TakeDigits()) Fail(QStringLiteral("a number expected"));
    bool real = false;
    if (Peek('.')) {
      ++FPos;
      if (!TakeDigits()) Fail(QStringLiteral("digits expected after the decimal point"));
      real = true;
    }
    if (Peek('e') || Peek('E')) {
      ++FPos;
      if (Peek('+') || Peek('-')) ++FPos;
      if (!TakeDigits()) Fail(QStringLiteral("digits expected in the exponent"));
      real = true;
    }
    if (FPos != FEnd && IsIdentifierChar(*FPos)) Fail(QStringLiteral("malformed number"));
    if (FPos - start > kMaxNumberLength)
      Fail(QStringLiteral("number longer than %1 characters").arg(kMaxNumberLength));
    if (real) {
      t.kind = TokenKind::Real;
      t.real = ParseReal(start, FPos);
    } else {
      t.kind = TokenKind::Integer;
      t.integer = ParseDecimal(start + (negative ? 1 : 0), FPos, negative);
    }
  }

  bool TakeDigits() {
    const char* start = FPos;
    while (FPos != FEnd && IsDigit(*FPos)) ++FPos;
    return FPos != start;
  }

  uint64_t ReadHexDigits() {
    const char* start = FPos;
    uint64_t value = 0;
    while (FPos != FEnd && HexDigitValue(*FPos) >= 0) {
      if (value >> 60) Fail(QStringLiteral("hexadecimal number out of range"));
      value = value << 4 | unsigned(HexDigitValue(*FPos));
      ++FPos;
    }
    if (FPos == start) Fail(QStringLiteral("hexadecimal digits expected after '$'"));
    if (FPos != FEnd && IsIdentifierChar(*FPos))
      Fail(QStringLiteral("malformed hexadecimal number"));
    return value;
  }

  qint64 ParseDecimal(const char* begin, const char* end, bool negative) const {
    uint64_t value = 0;
    for (const char* p = begin; p != end; ++p) {
      const unsigned digit = unsigned(*p - '0');
      if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10)
        Fail(QStringLiteral("integer out of range"));
      value = value * 10 + digit;
    }
    return ApplySign(value, negative);
  }

  qint64 ApplySign(uint64_t magnitude, bool negative) const {
    constexpr uint64_t maxPositive = uint64_t(std::numeric_limits<qint64>::max());
    if (magnitude > maxPositive + (negative ? 1 : 0)) Fail(QStringLiteral("integer out of range"));
    if (!negative) return qint64(magnitude);
    return magnitude == maxPositive + 1 ? std::numeric_limits<qint64>::min() : -qint64(magnitude);
  }

  // Parsed in extended precision; values beyond the double range are refused.
  long double ParseReal(const char* begin, const char* end) const {
    long double value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value) ||
        std::fabs(value) > static_cast<long double>(DBL_MAX))
      Fail(QStringLiteral("real number out of range"));
    return value;
  }

  // A run of quoted parts ('it''s') and character codes (#13, #$0D) with nothing between.
  QString ReadString() {
    QString result;
    while (Peek('\'') || Peek('#')) {
      if (Peek('\'')) result += ReadQuoted();
      else result += ReadCharCode();
      if (result.size() > kMaxStringLength)
        Fail(QStringLiteral("string longer than %1 characters").arg(kMaxStringLength));
    }
    return result;
  }

  QString ReadQuoted() {
    ++FPos;  // opening quote
    QByteArray utf8;
    for (;;) {
      if (AtEnd() || *FPos == '\n' || *FPos == '\r') Fail(QStringLiteral("unterminated string"));
      if (*FPos == '\'') {
        ++FPos;
        if (!Peek('\'')) break;
      }
      utf8 += *FPos++;
      if (utf8.size() > kMaxStringLength * 4)
        Fail(QStringLiteral("string longer than %1 characters").arg(kMaxStringLength));
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(utf8);
    if (decoder.hasError()) Fail(QStringLiteral("invalid UTF-8 in string"));
    return text;
  }

  QChar ReadCharCode() {
    ++FPos;  // '#'
    uint64_t code = 0;
    if (Peek('$')) {
      ++FPos;
      code = ReadHexDigits();
    } else {
      const char* start = FPos;
      if (!TakeDigits()) Fail(QStringLiteral("character code expected after '#'"));
      code = uint64_t(ParseDecimal(start, FPos, false));
    }
    if (code > 0xFFFF) Fail(QStringLiteral("character code %1 out of range").arg(code));
    return QChar(char16_t(code));
  }

  // { hex digits, spaces and line breaks }
  QByteArray ReadBinary() {
    ++FPos;  // '{'
    // At most one byte per two characters before the closing brace: room for that, within
    // the limit, at once.
    const auto* close = static_cast<const char*>(std::memchr(FPos, '}', size_t(FEnd - FPos)));
    QByteArray bytes(std::min<qsizetype>(((close ? close : FEnd) - FPos) / 2, kMaxBinaryBytes),
                     Qt::Uninitialized);
    char* out = bytes.data();
    qsizetype count = 0;
    int high = -1;
    for (;;) {
      if (AtEnd()) Fail(QStringLiteral("unterminated binary data"));
      const char c = *FPos++;
      if (c == '}') break;
      if (c == '\n') ++FLine;
      if (IsSpace(c)) continue;
      const int digit = HexDigitValue(c);
      if (digit < 0) Fail(QStringLiteral("invalid character in binary data"));
      if (high < 0) {
        high = digit;
        continue;
      }
      if (count == bytes.size())
        Fail(QStringLiteral("binary data larger than %1 bytes").arg(kMaxBinaryBytes));
      out[count++] = char(high << 4 | digit);
      high = -1;
    }
    if (high >= 0) Fail(QStringLiteral("odd number of hexadecimal digits in binary data"));
    bytes.truncate(count);
    return bytes;
  }

  const char* FPos;
  const char* FEnd;
  int FLine = 1;
};

bool IsKeyword(const Token& t, const char* keyword) {
  return t.kind == TokenKind::Identifier &&
         t.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

bool IsSymbol(const Token& t, char symbol) {
  return t.kind == TokenKind::Symbol && t.symbol == symbol;
}

class Parser {
public:
  explicit Parser(const QByteArray& text) : FLexer(text) {}

  // The component and property being read, for messages.
  QString Context() const {
    QStringList parts;
    if (!FObjectName.isEmpty()) parts << FObjectName;
    for (const QStringList& path : FPaths) parts << path.join(QLatin1Char('.'));
    return parts.join(QLatin1Char('.'));
  }

  ObjectNode ParseDescription() {
    if (!IsKeyword(Peek(), "object")) Fail(Peek().line, QStringLiteral("'object' expected"));
    ObjectNode root = ParseObject(1);
    if (Peek().kind != TokenKind::End)
      Fail(Peek().line, QStringLiteral("text after the end of the description"));
    return root;
  }

  ValueNode ParseSingleValue() {
    ValueNode value = ParseValue(1);
    if (Peek().kind != TokenKind::End) Fail(Peek().line, QStringLiteral("text after the value"));
    return value;
  }

private:
  [[noreturn]] static void Fail(int line, const QString& message) {
    throw SyntaxError{line, message};
  }

  const Token& Peek() {
    if (!FLookahead) FLookahead = FLexer.Next();
    return *FLookahead;
  }

  Token Take() {
    Peek();
    Token t = std::move(*FLookahead);
    FLookahead.reset();
    return t;
  }

  QString ExpectIdentifier(const char* what) {
    if (Peek().kind != TokenKind::Identifier)
      Fail(Peek().line, QStringLiteral("%1 expected").arg(QLatin1String(what)));
    return Take().text;
  }

  void ExpectSymbol(char symbol) {
    if (!IsSymbol(Peek(), symbol))
      Fail(Peek().line, QStringLiteral("'%1' expected").arg(QLatin1Char(symbol)));
    Take();
  }

  static void CheckDepth(int depth, int line) {
    if (depth > kMaxDescriptionNesting)
      Fail(line, QStringLiteral("nested deeper than %1 levels").arg(kMaxDescriptionNesting));
  }

  // Every object, property name, set member and collection item takes room in the tree.
  void CountElement(int line) {
    if (++FElements > kMaxDescriptionElements)
      Fail(line, QStringLiteral("more than %1 names and values").arg(kMaxDescriptionElements));
  }

  // object [Name:] Class  properties  child objects  end
  ObjectNode ParseObject(int depth) {
    ObjectNode node;
    node.line = Take().line;  // 'object'
    CheckDepth(depth, node.line);
    if (++FComponents > kMaxDescriptionComponents)
      Fail(node.line, QStringLiteral("more than %1 objects").arg(kMaxDescriptionComponents));
    CountElement(node.line);
    node.className = ExpectIdentifier("a component name or class name");
    if (IsSymbol(Peek(), ':')) {
      Take();
      node.name = node.className;
      node.className = ExpectIdentifier("a class name");
    }
    FObjectName = node.name;
    for (;;) {
      const Token& t = Peek();
      if (IsKeyword(t, "end")) break;
      if (IsKeyword(t, "object")) {
        node.children.push_back(ParseObject(depth + 1));
        FObjectName = node.name;
      } else if (t.kind == TokenKind::Identifier) {
        if (!node.children.empty())
          Fail(t.line, QStringLiteral("properties must come before the nested objects"));
        node.properties.push_back(ParseProperty(depth));
      } else {
        Fail(t.line, QStringLiteral("a property, 'object' or 'end' expected"));
      }
    }
    node.endLine = Take().line;
    return node;
  }

  // Name{.Name} = value
  PropertyNode ParseProperty(int depth) {
    PropertyNode node;
    node.line = Peek().line;
    for (;;) {
      CountElement(Peek().line);
      node.path << ExpectIdentifier("a property name");
      if (!IsSymbol(Peek(), '.')) break;
      Take();
    }
    FPaths.push_back(node.path);  // shares the list
    ExpectSymbol('=');
    node.value = ParseValue(depth);
    FPaths.pop_back();
    return node;
  }

  ValueNode ParseValue(int depth) {
    Token t = Take();
    ValueNode value;
    value.line = t.line;
    switch (t.kind) {
      case TokenKind::Integer:
        value.kind = ValueNode::Kind::Integer;
        value.integer = t.integer;
        return value;
      case TokenKind::Real:
        value.kind = ValueNode::Kind::Real;
        value.real = t.real;
        return value;
      case TokenKind::String:
        value.kind = ValueNode::Kind::String;
        value.text = ParseConcatenation(std::move(t.text));
        return value;
      case TokenKind::Binary:
        value.kind = ValueNode::Kind::Binary;
        value.bytes = std::move(t.bytes);
        return value;
      case TokenKind::Identifier:
        if (IsKeyword(t, "resource") && Peek().kind == TokenKind::String) {
          value.kind = ValueNode::Kind::Resource;
          value.text = Take().text;
        } else {
          value.kind = ValueNode::Kind::Identifier;
          value.text = std::move(t.text);
        }
        return value;
      case TokenKind::Symbol:
        if (t.symbol == '[') return ParseSet(std::move(value));
        if (t.symbol == '<') return ParseCollection(std::move(value), depth + 1);
        if (t.symbol == '(') return ParseBlock(std::move(value), depth + 1);
        break;
      case TokenKind::End: break;
    }
    Fail(t.line, QStringLiteral("a value expected"));
  }

  // 'a' + 'b' + ...
  QString ParseConcatenation(QString text) {
    while (IsSymbol(Peek(), '+')) {
      Take();
      if (Peek().kind != TokenKind::String)
        Fail(Peek().line, QStringLiteral("a string expected after '+'"));
      text += Take().text;
      if (text.size() > kMaxStringLength)
        Fail(Peek().line, QStringLiteral("string longer than %1 characters").arg(kMaxStringLength));
    }
    return text;
  }

  // [ a, b, ... ]
  ValueNode ParseSet(ValueNode value) {
    value.kind = ValueNode::Kind::Set;
    if (IsSymbol(Peek(), ']')) {
      Take();
      return value;
    }
    for (;;) {
      CountElement(Peek().line);
      value.names << ExpectIdentifier("a set member");
      if (IsSymbol(Peek(), ']')) break;
      ExpectSymbol(',');
    }
    Take();
    return value;
  }

  // < item properties end ... >
  ValueNode ParseCollection(ValueNode value, int depth) {
    CheckDepth(depth, value.line);
    value.kind = ValueNode::Kind::Collection;
    while (!IsSymbol(Peek(), '>')) {
      if (!IsKeyword(Peek(), "item")) Fail(Peek().line, QStringLiteral("'item' or '>' expected"));
      const int line = Take().line;
      if (++FItems > kMaxCollectionItems)
        Fail(line, QStringLiteral("more than %1 collection items").arg(kMaxCollectionItems));
      CountElement(line);
      value.items.push_back(ParseProperties(
          depth, [](const Token& t) { return IsKeyword(t, "end"); }, "'end'"));
    }
    Take();
    return value;
  }

  // ( properties )
  ValueNode ParseBlock(ValueNode value, int depth) {
    CheckDepth(depth, value.line);
    value.kind = ValueNode::Kind::Block;
    value.block = ParseProperties(
        depth, [](const Token& t) { return IsSymbol(t, ')'); }, "')'");
    return value;
  }

  // Properties up to the token that closes them, which is taken too.
  template <class IsClosing>
  PropertyList ParseProperties(int depth, IsClosing isClosing, const char* closing) {
    PropertyList properties;
    while (!isClosing(Peek())) {
      if (Peek().kind != TokenKind::Identifier)
        Fail(Peek().line, QStringLiteral("a property or %1 expected").arg(QLatin1String(closing)));
      properties.push_back(ParseProperty(depth));
    }
    Take();
    return properties;
  }

  Lexer FLexer;
  std::optional<Token> FLookahead;
  int FComponents = 0;
  int FItems = 0;
  int FElements = 0;
  QString FObjectName;              // the object being read
  std::vector<QStringList> FPaths;  // the properties being read, outermost first
};

}  // namespace

ObjectNode ParseDescription(const QByteArray& text, const QString& fileName) {
  if (text.size() > kMaxDescriptionBytes)
    throw EFormError(fileName, 0, QString(),
                     QStringLiteral("description larger than %1 bytes").arg(kMaxDescriptionBytes));
  Parser parser(text);
  try {
    return parser.ParseDescription();
  } catch (const SyntaxError& e) {
    throw EFormError(fileName, e.line, parser.Context(), e.message);
  }
}

ValueNode ParseValueText(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  Parser parser(utf8);
  try {
    return parser.ParseSingleValue();
  } catch (const SyntaxError& e) {
    throw EConvertError(QStringLiteral("'%1' is not a value: %2").arg(text, e.message));
  }
}

}  // namespace kv::form
