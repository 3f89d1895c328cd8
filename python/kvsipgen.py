#!/usr/bin/python3
"""Writes the sip description of the kelvara Python module from the library's public headers.

The headers are regular: classes with Q_OBJECT and Q_PROPERTY lines, accessors written
`T X() const` / `void SetX(T)`, `signals:` and `public slots:` sections, and enumerations
declared in a namespace with Q_ENUM_NS (`enum class`) or Q_FLAG_NS (a plain `enum`). Every public method, slot,
signal and enumeration whose types Python can carry is bound; a property whose accessors
cannot be bound stops the build, so no property is silently left out of Python.

Besides the QObject classes, the generator binds the classes that rest on the framework's
roots (the canvas, the streams), the plain value types (a struct of public fields such as the
rectangle and the point), and the free functions a header exports or defines inline.

Usage: kvsipgen.py OUTPUT.sip UNBOUND.txt STUBS.pyi HEADER...
UNBOUND.txt: what is left out, each with the reason; STUBS.pyi: the package's type stubs, which
add the enumerations' short names as the package's __init__ does.
"""

import dataclasses
import graphlib
import os
import re
import sys

# Types Python carries as they are, by their C++ spelling.
PLAIN_TYPES = {
    "int": "int", "bool": "bool", "double": "double", "unsigned": "unsigned int",
    "unsigned int": "unsigned int", "int32_t": "int", "std::int32_t": "int",
    "uint32_t": "uint", "std::uint32_t": "uint", "int64_t": "int64_t", "std::int64_t": "int64_t",
    "uint16_t": "quint16", "std::uint16_t": "quint16", "uint8_t": "quint8",
    "std::uint8_t": "quint8", "uint64_t": "uint64_t", "std::uint64_t": "uint64_t",
    "size_t": "size_t", "std::size_t": "size_t", "QString": "QString", "TColor": "TColor",
    "TCursor": "int",
}
# Widgets and objects of Qt that methods may take or return.
QT_CLASSES = {"QObject", "QWidget"}
# Values of Qt that methods may take or return.
QT_VALUES = {"QSize", "QImage", "QFont", "QByteArray", "QStringList", "QList<int>", "QMetaMethod",
             "QChar", "QPoint", "QRect", "QRegion", "QCursor", "QPalette"}
# A constructor argument of these types takes the new object over: an owner, a collection.
OWNERS = {"TComponent *", "TCollection *"}
# Macros that stand alone without a semicolon, removed before the declarations are read.
BARE_MACROS = re.compile(r"\b(Q_OBJECT|Q_GADGET|Q_INVOKABLE|Q_NAMESPACE|KV_TEST_EXPORT)\b")
# Marks a function the library exports; a free function is bound only when exported or inline,
# since anything else is not in the library for the module to call.
EXPORT = re.compile(r"\bKV_EXPORT\s*")
CALL_MACROS = ("Q_PROPERTY", "Q_CLASSINFO", "Q_ENUM", "Q_ENUM_NS", "Q_FLAG", "Q_FLAG_NS",
               "Q_NAMESPACE_EXPORT", "Q_DECLARE_FLAGS", "Q_DECLARE_OPERATORS_FOR_FLAGS",
               "Q_DECLARE_METATYPE", "Q_DISABLE_COPY", "Q_DISABLE_COPY_MOVE", "static_assert")
ACCESS = re.compile(r"^\s*(public|protected|private|signals|public\s+slots|protected\s+slots|"
                    r"private\s+slots)\s*:(?!:)")


@dataclasses.dataclass
class Enum:
    namespace: str
    name: str
    values: list
    is_flag: bool = False
    flags_name: str = ""


@dataclasses.dataclass
class Method:
    section: str  # public, slots or signals
    text: str     # the declaration without its body


@dataclasses.dataclass
class Class:
    name: str
    header: str
    bases: list
    is_qobject: bool
    namespace: str = ""
    aliases: dict = dataclasses.field(default_factory=dict)
    properties: list = dataclasses.field(default_factory=list)
    methods: list = dataclasses.field(default_factory=list)
    constructors: list = dataclasses.field(default_factory=list)
    pure_virtuals: set = dataclasses.field(default_factory=set)
    declared: set = dataclasses.field(default_factory=set)
    bound: set = dataclasses.field(default_factory=set)
    fields: list = dataclasses.field(default_factory=list)  # (type, name) of public fields
    equality: bool = False  # declares operator==
    copyable: bool = True
    is_struct: bool = False  # members public until a label says otherwise


@dataclasses.dataclass
class Function:
    namespace: str
    text: str  # the declaration without its body
    section: str = "public"


def strip_comments(text):
    """The text without comments, string contents kept."""
    out, i, n = [], 0, len(text)
    while i < n:
        if text.startswith("//", i):
            i = text.find("\n", i)
            i = n if i < 0 else i
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            i = n if end < 0 else end + 2
        elif text[i] in "\"'":
            end = skip_string(text, i)
            out.append(text[i:end])
            i = end
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def skip_string(text, start):
    quote, i = text[start], start + 1
    while i < len(text) and text[i] != quote:
        i += 2 if text[i] == "\\" else 1
    return i + 1


def matching(text, start, opening, closing):
    """The index just past the bracket that closes the one at start."""
    depth, i = 0, start
    while i < len(text):
        c = text[i]
        if c in "\"'":
            i = skip_string(text, i)
            continue
        if c == opening:
            depth += 1
        elif c == closing:
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1
    raise ValueError("unbalanced %s in header" % opening)


def take_call_macros(text):
    """Removes the macro calls that end without a semicolon; returns the text and the calls."""
    calls, out, i = [], [], 0
    pattern = re.compile(r"\b(%s)\s*\(" % "|".join(CALL_MACROS))
    while True:
        m = pattern.search(text, i)
        if not m:
            out.append(text[i:])
            break
        out.append(text[i:m.start()])
        end = matching(text, m.end() - 1, "(", ")")
        calls.append((m.group(1), text[m.end():end - 1]))
        i = end
        if i < len(text) and text[i] == ";":
            i += 1
    return "".join(out), calls


class HeaderReader:
    def __init__(self):
        self.classes = {}
        self.enums = {}
        self.aliases = {}
        self.colours = []
        self.functions = []
        self.namespace = ""

    def read(self, path):
        text = strip_comments(open(path, encoding="utf-8").read())
        text = re.sub(r"^\s*#.*$", "", text, flags=re.M)
        text = re.sub(r"\[\[[^\]]*\]\]", "", text)
        self.header = os.path.basename(path)
        self.scope(text, namespace="", cls=None)

    def scope(self, text, namespace, cls):
        """Reads the declarations of a namespace or class body."""
        self.calls, self.found_enums = [], []
        outer, self.namespace = self.namespace, namespace
        section = "private" if cls is not None and not cls.is_struct else "public"
        i, start = 0, 0
        while i < len(text):
            c = text[i]
            if c in "\"'":
                i = skip_string(text, i)
                continue
            if c == ";":
                section = self.statement(self.macros(text[start:i]), section, cls)
                i = start = i + 1
            elif c == "{":
                head = self.macros(text[start:i])
                end = matching(text, i, "{", "}")
                calls, found = self.calls, self.found_enums
                section = self.block(head, text[i + 1:end - 1], section, namespace, cls)
                self.calls, self.found_enums = calls, found
                i = start = end
            else:
                i += 1
        self.macros(text[start:])
        self.publish(namespace, cls)
        self.namespace = outer

    def macros(self, text):
        """The text without macro calls, which are kept for the end of the scope."""
        text, calls = take_call_macros(text)
        self.calls += calls
        return BARE_MACROS.sub("", text)

    def publish(self, namespace, cls):
        flags = {a.split(",")[1].strip(): a.split(",")[0].strip()
                 for name, a in self.calls if name == "Q_DECLARE_FLAGS"}
        published = {a.strip() for name, a in self.calls if name in ("Q_ENUM_NS", "Q_FLAG_NS")}
        for name, values in self.found_enums:
            if name in published or name in flags:
                self.enums[name] = Enum(namespace, name, values, name in flags,
                                        flags.get(name, ""))
        if cls is not None:
            cls.properties += [" ".join(a.split()) for name, a in self.calls
                               if name == "Q_PROPERTY"]

    def block(self, head, body, section, namespace, cls):
        head, section = take_access(head, section)
        words = EXPORT.sub("", head).strip()
        m = re.fullmatch(r"namespace\s+([\w:]+)", words)
        if m and cls is None:
            self.scope(body, namespace=m.group(1), cls=None)
            return section
        m = re.fullmatch(r"enum\s+(?:class\s+)?(\w+)(\s*:\s*[\w:\s]+)?", words)
        if m:
            if cls is None:
                values = [v.split("=")[0].strip() for v in body.split(",") if v.strip()]
                self.found_enums.append((m.group(1), values))
            return section
        m = re.fullmatch(r"(class|struct)\s+(\w+)(\s+final)?\s*(:(.*))?", words, re.S)
        if m and cls is None:
            bases = [b.split()[-1] for b in (m.group(5) or "").split(",")
                     if b.strip().startswith("public")]
            found = Class(qualified(namespace, m.group(2)), self.header, bases,
                          bool(re.match(r"\s*Q_OBJECT\b", body)), namespace,
                          is_struct=m.group(1) == "struct")
            self.classes[found.name] = found
            self.scope(body, namespace="", cls=found)
            return section
        if re.search(r"\)\s*(const)?\s*(override|final|noexcept)*\s*(:.*)?$", words, re.S):
            # An inline definition: the declaration is its head.
            words = re.sub(r"\)\s*:[^:].*$", ")", words, flags=re.S)
            if cls is not None:
                self.statement(words, section, cls)
            elif re.match(r"(inline|constexpr)\b", words):
                self.function(words)
        return section

    def function(self, words):
        """Keeps a free function's declaration: not a variable, an operator or a template, nor
        the definition of a class's member."""
        words = " ".join(words.split())
        if (re.match(r"[^=(]*?\b\w+\s*\(", words)
                and not re.search(r"\boperator\b|\btemplate\b|^(friend|using|typedef)\b|\w::\w+\s*\(",
                                  words)):
            self.functions.append(Function(self.namespace, words))

    def statement(self, text, section, cls):
        text, section = take_access(text, section)
        exported = bool(EXPORT.search(text))
        words = " ".join(EXPORT.sub("", text).split())
        alias = re.fullmatch(r"using (\w+) = ([\w:]+)", words)
        if alias:
            (cls.aliases if cls else self.aliases)[alias.group(1)] = alias.group(2)
        colour = re.fullmatch(r"inline constexpr TColor (cl\w+) = .*", words)
        if colour and cls is None:
            self.colours.append(colour.group(1))
        if cls is None:
            if (exported or re.match(r"(inline|constexpr)\b", words)) and "(" in words:
                self.function(words)
            return section
        if not words or words.startswith("~"):
            return section
        short = cls.name.split("::")[-1]
        if re.fullmatch(r"%s\s*\(\s*const %s\s*&\s*\w*\)\s*=\s*delete" % (short, short), words):
            cls.copyable = False
        if "operator==" in words.replace(" ", ""):
            cls.equality = True
        field = re.fullmatch(r"([\w:]+(?: [\w:]+)*) (\w+)(?: = .*)?", words)
        if (field and section == "public" and not re.match(r"(static|constexpr|friend|using|typedef|return)\b", words)):
            cls.fields.append((field.group(1), field.group(2)))
            return section
        name = re.search(r"(~?\w+)\s*\(", words)
        if name:
            cls.declared.add(name.group(1))
            if re.search(r"=\s*0$", words):
                cls.pure_virtuals.add(name.group(1))
        if section == "protected" and name and name.group(1)[0].islower() and "override" in words:
            # Qt's event handlers the class takes over: a Python subclass calling the base
            # class's handler must reach this one, not QWidget's.
            cls.methods.append(Method(section, words))
        if section not in ("public", "slots", "signals"):
            return section
        if re.match(r"(explicit\s+|constexpr\s+)*%s\s*\(" % short, words):
            cls.constructors.append(words)
        elif name and "(" in words:
            cls.methods.append(Method(section, words))
        return section


    def resolve(self, name, context):
        """The qualified name of the class a name means inside a class, or None."""
        if context is not None:
            name = context.aliases.get(name, name)
            inner = qualified(context.namespace, name)
            if inner in self.classes:
                return inner
        return name if name in self.classes else None


def take_access(text, section):
    while True:
        m = ACCESS.match(text)
        if not m:
            return text, section
        label = " ".join(m.group(1).split())
        section = {"public slots": "slots", "signals": "signals"}.get(label, label)
        if label in ("protected slots", "private slots"):
            section = "private"
        text = text[m.end():]


class Writer:
    def __init__(self, reader):
        self.reader = reader
        self.context = None
        for c in reader.classes.values():
            c.bases = [reader.resolve(b, c) or b for b in c.bases]
        self.values = self.value_classes()
        self.classes = self.bound_classes()
        # A value with a field Python cannot carry is not a value to Python.
        carried = {n for n in self.values
                   if all(self.sip_type(t) for t, _ in reader.classes[n].fields)}
        self.classes -= self.values - carried
        self.values = carried
        self.unbound = []

    def bound_classes(self):
        """The QObject classes whose bases are known, the framework roots they rest on, the
        other classes resting on those roots (the canvas, the streams) and the value types."""
        classes = self.reader.classes

        def known(name):
            if name in QT_CLASSES:
                return True
            c = classes.get(name)
            return c is not None and all(known(b) for b in c.bases)

        chosen = {n for n, c in classes.items() if c.is_qobject and known(n)}
        roots = set()
        for name in chosen:
            stack = list(classes[name].bases)
            while stack:
                base = stack.pop()
                if base in classes and base not in chosen:
                    roots.add(base)
                    stack += classes[base].bases
        resting = {n for n, c in classes.items()
                   if c.bases and known(n) and roots & set(self.ancestors(n))}
        return chosen | roots | resting | self.values

    def value_classes(self):
        """Plain values: classes of their own (no base) with public fields or constructors that
        copy, such as the rectangle and the point. TColor is a number to Python instead."""
        return {n for n, c in self.reader.classes.items()
                if not c.bases and not c.is_qobject and c.copyable and n not in PLAIN_TYPES
                and n != "kv::OwnerOrParent"  # a constructor's parent: see parameters()
                and (c.fields or c.constructors)}

    def order(self):
        # Sorted first, so that the description is the same from one run to the next.
        graph = {n: [b for b in self.reader.classes[n].bases if b in self.classes]
                 for n in sorted(self.classes)}
        return list(graphlib.TopologicalSorter(graph).static_order())

    def ancestors(self, name):
        c = self.reader.classes.get(name)
        if c is None:
            return []
        out = []
        for b in c.bases:
            out += [b] + self.ancestors(b)
        return out

    def is_abstract(self, name):
        chain = [name] + self.ancestors(name)
        for i, owner in enumerate(chain):
            c = self.reader.classes.get(owner)
            for pure in c.pure_virtuals if c else ():
                overriders = [self.reader.classes[d] for d in chain[:i] if d in self.reader.classes]
                if not any(pure in d.declared for d in overriders):
                    return True
        return False

    def sip_type(self, ctype):
        """The sip spelling of a C++ type, or None when Python cannot carry it. A class is
        taken by reference as it is: what the callee changes in it, Python sees."""
        t = " ".join(ctype.replace("&", " & ").replace("*", " * ").split())
        const = t.startswith("const ")
        t = t[6:] if const else t
        if t.endswith(" &"):
            t = t[:-2]
            inner = self.reader.resolve(t, self.context)
            inner = inner if inner in self.classes else self.sip_type(t)
            if not inner:
                return None
            if const:
                return "const %s &" % inner
            return "%s &" % inner if inner in self.classes else None
        span = re.fullmatch(r"std::span<const ([\w:]+)>", t)
        if span:
            # A list from Python; sip's QList is contiguous, so it passes as the span.
            item = self.sip_type(span.group(1))
            return item in self.values and "const QList<%s> &" % item or None
        if t.endswith(" *"):
            base = t[:-2].strip()
            if base.startswith("const "):
                base, const = base[6:], True
            if base.endswith("*"):
                return None
            base = self.reader.resolve(base, self.context) or base
            if base in self.classes or base in QT_CLASSES or re.fullmatch(r"Q\w*Event", base):
                return ("const " if const else "") + base + " *"
            return None
        t = self.reader.aliases.get(t, t)
        if t in PLAIN_TYPES:
            return PLAIN_TYPES[t]
        if t in QT_VALUES:
            return t
        value = self.reader.resolve(t, self.context)
        if value in self.values:
            return value
        return self.enum_named(t)

    def in_out_type(self, ctype):
        """The sip type of a plain value a method reads and writes back (int& Width), or None."""
        t = " ".join(ctype.replace("&", " & ").split())
        plain = t[:-2] if t.endswith(" &") and not t.startswith("const ") else None
        st = plain and self.sip_type(plain)
        return st and st not in self.classes and st + " &"

    def enum_named(self, t):
        name = t.split("::")[-1]
        for e in self.reader.enums.values():
            if name == e.name:
                return qualified(e.namespace, e.name)
            if e.is_flag and name == e.flags_name:
                return qualified(e.namespace, e.flags_name)
        return None

    def parameters(self, params, constructor=False, signal=False):
        """The sip parameter list, or None when a parameter cannot be carried (self.refused then
        says which). A constructor's parent or owner takes the new object over from Python. A
        method's plain value taken by reference comes back from Python among the results; a
        signal's cannot, since a Python slot cannot write it back."""
        out = []
        for p in split_top(params):
            p = p.strip()
            if not p or p == "void":
                continue
            default = None
            if "=" in p:
                p, default = (s.strip() for s in p.split("=", 1))
                default = sip_default(default)
                if default is None:
                    self.refused = "its default value of " + p.strip()
                    return None
            m = re.fullmatch(r"(.*?)(\w+)", p)
            if p.strip() == "kv::OwnerOrParent" or (m and m.group(1).strip() == "kv::OwnerOrParent"):
                out.append("QWidget *parent /TransferThis/ = 0")
                continue
            if m and m.group(1).strip() and not m.group(1).strip().endswith("::"):
                ctype, name = m.group(1), m.group(2)
            else:
                ctype, name = p, ""
            st = self.sip_type(ctype)
            annotation = "/TransferThis/" if constructor and st in OWNERS else ""
            if st is None and not signal and self.in_out_type(ctype):
                st, annotation = self.in_out_type(ctype), "/In,Out/"
            if st is None:
                self.refused = refusal(ctype, signal)
                return None
            if default == "{}":
                default = "%s()" % st.replace("const ", "").rstrip(" &")
            out.append(" ".join(x for x in (st, name, annotation, "= " + default if default else "")
                                if x))
        return ", ".join(out)

    def method(self, cls, m):
        virtual = "virtual " if re.search(r"\b(virtual|override)\b", m.text) else ""
        words = re.sub(r"\b(virtual|inline|explicit|constexpr)\s+", "", m.text)
        words = re.sub(r"\s*\b(override|final|noexcept)\b", "", words)
        if re.search(r"\boperator\b|\btemplate\b|=\s*(delete|default|0)$|^(friend|using|typedef)\b",
                     words):
            return None
        f = re.fullmatch(r"(static\s+)?(.+?)\s*\b(\w+)\s*\((.*)\)\s*(const)?", words)
        if not f:
            return None
        static, ret, name, params, const = f.groups()
        sret = "void" if ret.strip() == "void" else self.sip_type(ret)
        sparams = self.parameters(params, signal=m.section == "signals")
        if sret is None:
            self.refused = refusal(ret, False)
        if sret is None or sparams is None:
            owner = cls.name if cls else m.namespace
            self.unbound.append("%s%s %s(%s)%s  -- %s" % (
                "static " if static else "", ret.strip(), qualified(owner, name), params,
                " const" if const else "", self.refused))
            return None
        return "%s%s%s %s(%s)%s;" % ("static " if static else "", virtual, sret, name, sparams,
                                     " const" if const else "")

    def write(self):
        out = [MODULE_HEAD]
        out += self.write_enums()
        out += ["const TColor %s;" % c for c in self.reader.colours] + [""]
        for name in self.order():
            out += self.write_class(self.reader.classes[name])
        out += self.write_functions()
        return "\n".join(out) + "\n"

    def write_enums(self):
        out = []
        by_namespace = {}
        for e in self.reader.enums.values():
            by_namespace.setdefault(e.namespace, []).append(e)
        for ns in sorted(by_namespace):
            lines = []
            for e in sorted(by_namespace[ns], key=lambda e: e.name):
                base = " /BaseType=Flag/" if e.is_flag else ""
                lines.append("enum class %s%s\n{\n%s\n};" % (
                    e.name, base, ",\n".join("    " + v for v in e.values)))
                if e.is_flag:
                    lines.append("typedef QFlags<%s> %s;" % (qualified(ns, e.name), e.flags_name))
            out += in_namespace(ns, lines)
        return out

    def write_functions(self):
        """The free functions, in the namespaces the headers declare them in (after the classes
        they take); one of two overloads that read the same to Python is left out."""
        by_namespace, signatures = {}, set()
        for f in self.reader.functions:
            # Names inside the function's namespace resolve as they do in C++.
            self.context = Class("", "", [], False, f.namespace)
            decl = self.method(None, f)
            signature = decl and f.namespace + re.search(r"\w+\(.*\)", decl).group()
            if decl and signature not in signatures:
                signatures.add(signature)
                by_namespace.setdefault(f.namespace, []).append(decl)
        out = []
        for ns in sorted(by_namespace):
            out += in_namespace(ns, by_namespace[ns])
        return out

    def write_stubs(self):
        """The package's type stubs: the extension's names, and each published enumeration by
        its own name as well, as the package's __init__ makes them."""
        lines = ["# Generated by python/kvsipgen.py: the kelvara package's names for editors.",
                 "from ._kelvara import *", "from . import _kelvara", ""]
        lines += ["%s = _kelvara.%s" % (e.name, qualified(e.namespace, e.name).replace("::", "."))
                  for e in sorted(self.reader.enums.values(), key=lambda e: e.name) if e.namespace]
        return "\n".join(lines) + "\n"

    def write_value_class(self, cls):
        """A value: its fields, its constructors, copies, and == where the header has it."""
        short = cls.name.split("::")[-1]
        lines = ["class %s\n{\n%%TypeHeaderCode\n#include <kelvara/%s>\n%%End\n" % (short, cls.header),
                 "public:"]
        fields = [(self.sip_type(ctype), name) for ctype, name in cls.fields]
        lines += ["    %s %s;" % field for field in fields]
        for c in cls.constructors:
            m = re.search(r"\((.*)\)", c)
            params = self.parameters(m.group(1)) if m else None
            if params is not None and short not in params:
                lines.append("    %s(%s);" % (short, params))
        if fields and all(st == "int" for st, _ in fields):
            # Reads as the constructor call that makes it: TRect(0, 0, 10, 20).
            lines += ["    SIP_PYOBJECT __repr__() const /TypeHint=\"str\"/;", "%MethodCode",
                      '    sipRes = PyUnicode_FromFormat("%s(%s)", %s);' % (
                          short, ", ".join("%d" for _ in fields),
                          ", ".join("sipCpp->" + name for _, name in fields)),
                      "%End"]
        for m in cls.methods:
            decl = m.section == "public" and self.method(cls, m)
            if decl:
                lines.append("    " + decl)
        lines.append("};")
        if cls.equality:
            # The headers' == is a friend: to sip an operator beside the class.
            lines.append("bool operator==(const %s &a, const %s &b);" % (short, short))
        return in_namespace(cls.namespace, lines)

    def write_class(self, cls):
        self.context = cls
        if cls.name in self.values:
            return self.write_value_class(cls)
        short = cls.name.split("::")[-1]
        bases = [b for b in cls.bases if b in self.classes or b in QT_CLASSES]
        # Made only by the constructors the header declares; never copied nor assigned.
        lines = ["class %s%s%s /NoDefaultCtors/\n{\n%%TypeHeaderCode\n#include <kelvara/%s>\n%%End\n"
                 % (short, " : " if bases else "", ", ".join(bases), cls.header)]
        lines += self.sub_class_code(cls)
        lines.append("public:")
        if not self.is_abstract(cls.name):
            for c in cls.constructors:
                m = re.search(r"\((.*)\)", c)
                params = self.parameters(m.group(1), constructor=True) if m else None
                if params is not None and "const %s &" % short not in params:
                    lines.append("    %s(%s);" % (short, params))
        lines.append("    virtual ~%s();" % short)
        sections = {"public": [], "slots": [], "signals": [], "protected": []}
        signatures = set()
        for m in cls.methods:
            decl = self.method(cls, m)
            # A const and a non-const twin are one method to Python.
            signature = decl and re.sub(r"\bconst\b|\s", "", re.search(r"\w+\(.*\)", decl).group())
            if decl and signature not in signatures:
                signatures.add(signature)
                sections[m.section].append(decl)
        lines += ["    " + d for d in sections["public"]]
        if sections["slots"]:
            lines += ["", "public slots:"] + ["    " + d for d in sections["slots"]]
        if sections["protected"]:
            lines += ["", "protected:"] + ["    " + d for d in sections["protected"]]
        if sections["signals"]:
            lines += ["", "signals:"] + ["    " + d for d in sections["signals"]]
        lines += ["", "private:", "    %s(const %s &);" % (short, short),
                  "    %s &operator=(const %s &);" % (short, short)]
        self.check_properties(cls, sections)
        lines.append("};")
        return in_namespace(cls.namespace, lines)

    def check_properties(self, cls, sections):
        """Every accessor a property names must be bound here or in a base."""
        bound = {re.search(r"(\w+)\(", d).group(1) for s in sections.values() for d in s}
        cls.bound = bound
        for prop in cls.properties:
            for kind in ("READ", "WRITE", "NOTIFY"):
                m = re.search(r"\b%s\s+(\w+)" % kind, prop)
                if m and not self.bound_in_chain(cls.name, m.group(1)):
                    raise SystemExit("kvsipgen: %s: property accessor %s cannot be bound (%s)"
                                     % (cls.name, m.group(1), prop))

    def bound_in_chain(self, name, member):
        for owner in [name] + self.ancestors(name):
            c = self.reader.classes.get(owner)
            if c and member in c.bound:
                return True
        return False

    def sub_class_code(self, cls):
        """Gives objects the Python type of their most derived bound class, whatever type a
        signal or a method hands them out as: on the first class of each root."""
        order = self.order()
        if cls.name == "TObject":
            chain = [n for n in order if "TObject" in self.ancestors(n)]
        elif cls.name == next(n for n in order if self.reader.classes[n].is_qobject):
            chain = [n for n in order if self.reader.classes[n].is_qobject]
        else:
            return []
        casts = "\n    else ".join(cast_line(n) for n in chain[::-1])
        return ["%ConvertToSubClassCode", "    sipType = nullptr;", "    " + casts, "%End"]


def cast_line(name):
    return ("if (auto* p = dynamic_cast<%s*>(sipCpp)) { *sipCppRet = p; sipType = sipType_%s; }"
            % (name, name.replace("::", "_")))


def in_namespace(namespace, lines):
    """Lines wrapped in a namespace of sip, when there is one."""
    if not namespace:
        return lines + [""]
    head = "namespace %s\n{\n%%TypeHeaderCode\n#include <kelvara/Kelvara.h>\n%%End\n" % namespace
    return [head] + ["    " + l if l else l for l in "\n".join(lines).split("\n")] + ["};", ""]


def qualified(namespace, name):
    return "%s::%s" % (namespace, name) if namespace else name


def split_top(params):
    parts, depth, cur = [], 0, ""
    for ch in params:
        if ch in "<([":
            depth += 1
        elif ch in ">)]":
            depth -= 1
        if ch == "," and depth == 0:
            parts.append(cur)
            cur = ""
        else:
            cur += ch
    return parts + [cur]


def sip_default(value):
    if re.fullmatch(r"-?\d+|true|false|nullptr|0x[0-9A-Fa-f]+|-?\d+\.\d*|\{\}", value):
        return "0" if value == "nullptr" else value
    if re.fullmatch(r'"[^"]*"|QString\(\)', value):
        return value if value.startswith('"') else "QString()"
    return None


# Why a type cannot reach Python, by what it is; the first that matches tells.
REFUSALS = [
    (r"std::function", "a C++ callback"),
    (r"std::optional", "an optional value"),
    (r"std::(vector|span|map|set)", "a C++ container of items Python does not carry"),
    (r"\bvoid\b|(int\d*_t|char\w*|uchar)\s*\*", "raw memory"),
    (r"\*\s*\*", "a pointer to a pointer"),
    (r"^(const )?Q\w+\s*\*$", "a pointer to a Qt value the object keeps"),
]


def refusal(ctype, signal):
    """Why Python cannot carry a parameter or result of this type."""
    t = " ".join(ctype.split())
    if signal and re.search(r"&$", t) and not t.startswith("const "):
        return "the handler answers through a reference (%s), which a Python slot cannot" % t
    for pattern, reason in REFUSALS:
        if re.search(pattern, t):
            return "%s (%s)" % (reason, t)
    if re.search(r"&$", t) and not t.startswith("const "):
        return "a reference to a value the caller keeps (%s)" % t
    return "%s is not bound" % re.sub(r"\bconst\b|[&*]", "", t).strip()


MODULE_HEAD = """\
// Generated by python/kvsipgen.py from the library's public headers: do not edit.
%Module(name=kelvara._kelvara, keyword_arguments="Optional")

%Import QtWidgets/QtWidgetsmod.sip

%ModuleHeaderCode
#include <kelvara/Kelvara.h>
%End

%Include kelvara_extra.sip
"""

def main():
    output, unbound, stubs, headers = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    reader = HeaderReader()
    for h in sorted(headers):
        reader.read(h)
    writer = Writer(reader)
    text = writer.write()
    write_if_changed(output, text)
    write_if_changed(unbound, "".join(s + "\n" for s in sorted(writer.unbound)))
    write_if_changed(stubs, writer.write_stubs())


def write_if_changed(path, text):
    if os.path.exists(path) and open(path, encoding="utf-8").read() == text:
        return
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
