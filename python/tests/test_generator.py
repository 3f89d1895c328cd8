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
"""


def generate(tmp_path, header):
    source = tmp_path / "KvDial.h"
    source.write_text(header)
    run = subprocess.run([sys.executable, str(GENERATOR), str(tmp_path / "out.sip"),
                          str(tmp_path / "unbound.txt"), str(source)],
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
])
def test_public_members_and_published_enumerations_are_bound(generated, line):
    assert line in generated[0]


def test_what_python_cannot_carry_is_listed_not_bound(generated):
    sip, unbound = generated
    assert "Face" not in sip and "TDial::TRect Face() const" in unbound
    assert "Hidden" not in sip, "protected members stay out"
    assert "THidden" not in sip, "enumerations the header does not publish stay out"
    assert sip.count("Label()") == 1, "a const and a non-const twin are one method"


def test_property_that_cannot_be_bound_stops_the_build(tmp_path):
    header = HEADER.replace("Q_PROPERTY(TColor Colour", "Q_PROPERTY(TRect Colour").replace(
        "TColor Colour() const;", "TRect Colour() const;")
    run, _ = generate(tmp_path, header)
    assert run.returncode != 0 and "TDial: property accessor Colour" in run.stderr
