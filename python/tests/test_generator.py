"""The generator on small headers: what it must bind, and what must stop the build."""

import pathlib
import subprocess
import sys

import pytest

GENERATOR = pathlib.Path(__file__).parents[1] / "kvsipgen.py"

HEADER = """\
// A { brace and a "}" in comments and strings do not upset the reader.
#pragma once
namespace KvDial {
Q_NAMESPACE_EXPORT(KV_EXPORT)
enum class TDialStyle { dsFlat, dsRaised = 4 };
Q_ENUM_NS(TDialStyle)
enum class TDialOption { doSnap = 1, doWrap = 2 };
Q_DECLARE_FLAGS(TDialOptions, TDialOption)
Q_FLAG_NS(TDialOptions)
enum class THidden { hA };
}  // namespace KvDial
using KvDial::TDialStyle;

class KV_EXPORT TDial : public QWidget {
  Q_OBJECT
  Q_PROPERTY(KvDial::TDialStyle Style
             READ Style WRITE SetStyle NOTIFY StyleChanged)
  Q_PROPERTY(TColor Colour READ Colour WRITE SetColour)
  Q_CLASSINFO("default.Text", "a ) and a ; inside")
public:
  explicit TDial(kv::OwnerOrParent owner);
  TDialStyle Style() const { if (true) { return FStyle; } }
  void SetStyle(TDialStyle v);
  TColor Colour() const;
  void SetColour(TColor v) { FColour = v; }
  const QString& Label() const;
  QString Label();
  TRect Face() const;
  static int Count();

public slots:
  void Turn(int steps = 1);

signals:
  void StyleChanged(KvDial::TDialStyle Style);

protected:
  void Hidden(int v);

private:
  TDialStyle FStyle;
};

struct KV_EXPORT TSpot {
  int X = 0;
  int Y = 0;
  constexpr TSpot() = default;
  constexpr TSpot(int x, int y) : X(x), Y(y) {}
  friend constexpr bool operator==(const TSpot&, const TSpot&) = default;
};

class KV_EXPORT TPad : public TObject {
public:
  TPad();
  void Mark(std::span<const TSpot> spots);
  bool Fit(int& width, int& height);
  void Grow(TSpot& spot);
  uint8_t* Bits();
};

class KV_EXPORT TLock {
public:
  TLock(const TLock&) = delete;
  int Held;
};

namespace kv {
KV_EXPORT TSpot Spot(int x, int y);
constexpr int Twice(int v) { return 2 * v; }
int Hidden(int v);
inline constexpr int kLimit = Twice(4);
}  // namespace kv

class KV_EXPORT TObject {
public:
  virtual ~TObject();
};

class KV_EXPORT TDrum : public QWidget, public TObject {
  Q_OBJECT
signals:
  void OnBeat(TObject* Sender, int& Loudness, TSpot Where);
  void OnHit(TObject* Sender, TPad* Pad, const TSpot& Where);
};
"""


def generate(tmp_path, header):
    source = tmp_path / "KvDial.h"
    source.write_text(header)
    run = subprocess.run([sys.executable, str(GENERATOR), str(tmp_path / "out.sip"),
                          str(tmp_path / "unbound.txt"), str(tmp_path / "stubs.pyi"), str(source)],
                         capture_output=True, text=True)
    return run, tmp_path


@pytest.fixture
def generated(tmp_path):
    run, folder = generate(tmp_path, HEADER)
    assert run.returncode == 0, run.stderr
    return (folder / "out.sip").read_text(), (folder / "unbound.txt").read_text()


@pytest.mark.parametrize("line", [
    "TDial(QWidget *parent /TransferThis/ = 0);",
    "KvDial::TDialStyle Style() const;",
    "void SetStyle(KvDial::TDialStyle v);",
    "TColor Colour() const;",
    "void SetColour(TColor v);",
    "static int Count();",
    "void Turn(int steps = 1);",
    "void StyleChanged(KvDial::TDialStyle Style);",
    "enum class TDialStyle\n    {\n        dsFlat,\n        dsRaised\n    };",
    "enum class TDialOption /BaseType=Flag/",
    "typedef QFlags<KvDial::TDialOption> TDialOptions;",
    # A struct of public fields is a value: fields, constructors, == and a readable repr.
    "class TSpot\n{",
    "    int X;\n    int Y;\n    TSpot();\n    TSpot(int x, int y);\n",
    "bool operator==(const TSpot &a, const TSpot &b);",
    'PyUnicode_FromFormat("TSpot(%d, %d)", sipCpp->X, sipCpp->Y)',
    # A class resting on a framework root, with a list for a span and results for references.
    "class TPad : TObject /NoDefaultCtors/",
    "    TPad();",
    "void Mark(const QList<TSpot> & spots);",
    "bool Fit(int & width /In,Out/, int & height /In,Out/);",
    "void Grow(TSpot & spot);",
    # Free functions the library exports or defines inline, in their namespace.
    "namespace kv\n{",
    "    TSpot Spot(int x, int y);",
    "    int Twice(int v);",
    "void OnHit(TObject * Sender, TPad * Pad, const TSpot & Where);",
])
def test_public_members_and_published_enumerations_are_bound(generated, line):
    assert line in generated[0]


def test_what_python_cannot_carry_is_listed_not_bound(generated):
    sip, unbound = generated
    assert "Face" not in sip and "TRect TDial::Face() const  -- TRect is not bound" in unbound
    assert "uint8_t* TPad::Bits()  -- raw memory" in unbound
    assert "OnBeat" not in sip and "TDrum::OnBeat" in unbound and "a Python slot cannot" in unbound
    assert "Hidden" not in unbound, "a function the library does not export is not its to bind"
    assert "kLimit" not in sip + unbound, "a constant is not a function"
    assert "class TLock" not in sip, "a class that does not copy is no value"
    assert "Hidden" not in sip, "protected members stay out"
    assert "THidden" not in sip, "enumerations the header does not publish stay out"
    assert sip.count("Label()") == 1, "a const and a non-const twin are one method"


def test_stubs_name_the_published_enumerations_by_their_own_names(generated, tmp_path):
    stubs = (tmp_path / "stubs.pyi").read_text()
    assert "from ._kelvara import *" in stubs
    assert "TDialStyle = _kelvara.KvDial.TDialStyle" in stubs
    assert "THidden" not in stubs


def test_property_that_cannot_be_bound_stops_the_build(tmp_path):
    header = HEADER.replace("Q_PROPERTY(TColor Colour", "Q_PROPERTY(TRect Colour").replace(
        "TColor Colour() const;", "TRect Colour() const;")
    run, _ = generate(tmp_path, header)
    assert run.returncode != 0 and "TDial: property accessor Colour" in run.stderr
