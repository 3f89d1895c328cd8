// Malformed and hostile form descriptions: one EFormError naming file, line and property,
// and nothing left behind of the components the failed read created.
#include "ClassRegistry.h"
#include "FormDescriptions.h"
#include "Forms.h"

#include <gtest/gtest.h>

#include <memory>

// Counts its living instances. Level accepts 0..100 (its setter raises otherwise); a
// Fragile panel fails in Loaded.
class TCountedPanel : public TWinControl {
  Q_OBJECT
  Q_PROPERTY(int Level READ Level WRITE SetLevel)
  Q_PROPERTY(double Gain READ Gain WRITE SetGain)
  Q_PROPERTY(bool Fragile READ Fragile WRITE SetFragile)
  Q_PROPERTY(int Fixed READ Fixed)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(TCountedPanel* Partner READ Partner WRITE SetPartner)
public:
  explicit TCountedPanel(TComponent* owner) : TWinControl(owner) { ++Alive(); }
  ~TCountedPanel() override { --Alive(); }
  static int& Alive() {
    static int alive = 0;
    return alive;
  }
  int Level() const { return FLevel; }
  void SetLevel(int v) {
    if (v < 0 || v > 100) throw EConvertError(QStringLiteral("Level out of range"));
    FLevel = v;
  }
  double Gain() const { return FGain; }
  void SetGain(double v) { FGain = v; }
  bool Fragile() const { return FFragile; }
  void SetFragile(bool v) { FFragile = v; }
  int Fixed() const { return 1; }
  TCountedPanel* Partner() const { return FPartner; }
  void SetPartner(TCountedPanel* v) { FPartner = v; }
  void Loaded() override {
    TWinControl::Loaded();
    if (FFragile) throw EInvalidOperation(QStringLiteral("fragile panel"));
  }

private:
  int FLevel = 0;
  double FGain = 1;
  bool FFragile = false;
  TCountedPanel* FPartner = nullptr;
};

// Non-windowed: it cannot hold controls.
class TCountedMark : public TGraphicControl {
  Q_OBJECT
public:
  using TGraphicControl::TGraphicControl;
};

class TErrorForm : public TForm {
  Q_OBJECT
public:
  using TForm::TForm;
public slots:
  void Clicked(TObject*) {}
};

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TCountedPanel, TCountedMark>();

struct ErrorCase {
  const char* text;
  int line;
  const char* property;
  const char* reason;  // a part of the reason
};

std::ostream& operator<<(std::ostream& os, const ErrorCase& c) { return os << c.text; }

class FormDescriptionError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(FormDescriptionError, NamesFileLineAndProperty) {
  const ErrorCase& c = GetParam();
  TErrorForm form(nullptr);
  try {
    kv::ReadComponent(&form, c.text, QStringLiteral("bad.kvf"));
    FAIL() << "no error";
  } catch (const EFormError& e) {
    EXPECT_EQ(e.FileName(), QStringLiteral("bad.kvf"));
    EXPECT_EQ(e.Line(), c.line) << e.what();
    EXPECT_EQ(e.PropertyName(), QLatin1String(c.property)) << e.what();
    EXPECT_TRUE(e.Reason().contains(QLatin1String(c.reason), Qt::CaseInsensitive)) << e.what();
    EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QStringLiteral("bad.kvf:%1: ").arg(c.line)))
        << e.what();
  }
  EXPECT_EQ(TCountedPanel::Alive(), 0);
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_FALSE(form.IsLoading());
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, FormDescriptionError,
    ::testing::Values(
        ErrorCase{"", 1, "", "'object' expected"},
        ErrorCase{"object f: TErrorForm\n  Caption 'x'\nend\n", 2, "f.Caption", "'=' expected"},
        ErrorCase{"object f: TErrorForm\n  Caption = 'abc\nend\n", 2, "f.Caption",
                  "unterminated string"},
        ErrorCase{"object f: TErrorForm\n  Caption = @\nend\n", 2, "f.Caption",
                  "unexpected character"},
        ErrorCase{"object f: TErrorForm\n  Caption = 'x' + 3\nend\n", 2, "f.Caption",
                  "a string expected after '+'"},
        ErrorCase{"object f: TErrorForm\n  Caption = #70000\nend\n", 2, "f.Caption",
                  "character code 70000"},
        ErrorCase{"object f: TErrorForm\n  Caption = '\xC3('\nend\n", 2, "f.Caption",
                  "invalid UTF-8"},
        ErrorCase{"object f: TErrorForm\n  Caption = 'x'\n", 3, "f", "'end' expected"},
        ErrorCase{"object f: TErrorForm\nend\nend\n", 3, "f", "text after the end"},
        ErrorCase{"object f: TErrorForm\n  Tag = {\n    ABC }\nend\n", 3, "f.Tag", "odd number"},
        ErrorCase{"object f: TErrorForm\n  Tag = { 0G }\nend\n", 2, "f.Tag",
                  "invalid character in binary"},
        ErrorCase{"object f: TErrorForm\n  Tag = { 00\n", 3, "f.Tag", "unterminated binary"},
        ErrorCase{"object f: TErrorForm\n  Tag = 99999999999999999999\nend\n", 2, "f.Tag",
                  "integer out of range"},
        ErrorCase{"object f: TErrorForm\n  Tag = $10000000000000000\nend\n", 2, "f.Tag",
                  "out of range"},
        ErrorCase{"object f: TErrorForm\n  Tag = 1e999\nend\n", 2, "f.Tag",
                  "real number out of range"},
        ErrorCase{"object f: TErrorForm\n  Tag = 1.\nend\n", 2, "f.Tag", "digits expected"},
        ErrorCase{"object f: TErrorForm\n  Tag = 12ab\nend\n", 2, "f.Tag", "malformed number"},
        ErrorCase{"object f: TErrorForm\n  Tag = [a, b\nend\n", 3, "f.Tag", "',' expected"},
        ErrorCase{"object f: TErrorForm\n  Tag = < item Level = 1 >\nend\n", 2, "f.Tag",
                  "a property or 'end' expected"},
        ErrorCase{
            "object f: TErrorForm\n  object p: TCountedPanel\n  end\n  Caption = 'late'\nend\n", 4,
            "f", "properties must come before"}));

INSTANTIATE_TEST_SUITE_P(
    Meaning, FormDescriptionError,
    ::testing::Values(
        ErrorCase{"object f: TScrollBox\nend\n", 1, "f", "class TScrollBox"},
        ErrorCase{"object f: TErrorForm\n  object p: TNoSuchClass\n  end\nend\n", 2, "p",
                  "unknown class TNoSuchClass"},
        ErrorCase{"object f: TErrorForm\n  Level = 1\nend\n", 2, "f.Level",
                  "has no property Level"},
        ErrorCase{"object f: TErrorForm\n  objectName = 'qt'\nend\n", 2, "f.objectName",
                  "has no property"},
        ErrorCase{
            "object f: TErrorForm\n  object p: TCountedPanel\n    Level = 'high'\n  end\nend\n", 3,
            "p.Level", "an integer expected"},
        ErrorCase{"object f: TErrorForm\n  object p: TCountedPanel\n    Level = 101\n  end\nend\n",
                  3, "p.Level", "Level out of range"},
        ErrorCase{
            "object f: TErrorForm\n  object p: TCountedPanel\n    Level = 3000000000\n  end\nend\n",
            3, "p.Level", "out of the range"},
        ErrorCase{"object f: TErrorForm\n  object p: TCountedPanel\n    Gain = NaN\n  end\nend\n",
                  3, "p.Gain", "a number expected"},
        ErrorCase{
            "object f: TErrorForm\n  object p: TCountedPanel\n    Visible = yes\n  end\nend\n", 3,
            "p.Visible", "True or False"},
        ErrorCase{"object f: TErrorForm\n  BorderStyle = bsWeird\nend\n", 2, "f.BorderStyle",
                  "not a value of TFormBorderStyle"},
        ErrorCase{"object f: TErrorForm\n  Font.Style = [fsBold, fsHeavy]\nend\n", 2,
                  "f.Font.Style", "'fsHeavy'"},
        ErrorCase{"object f: TErrorForm\n  Font = 3\nend\n", 2, "f.Font", "nested block"},
        ErrorCase{"object f: TErrorForm\n  Color.Red = 3\nend\n", 2, "f.Color.Red",
                  "not a nested object"},
        ErrorCase{"object f: TErrorForm\n  Font = (\n    Size = 8\n    Weight = 3\n  )\nend\n", 4,
                  "f.Font.Weight", "has no property Weight"},
        ErrorCase{"object f: TErrorForm\n  object p: TCountedPanel\n    Fixed = 2\n  end\nend\n", 3,
                  "p.Fixed", "read-only"},
        ErrorCase{
            "object f: TErrorForm\n  object p: TCountedPanel\n    Partner = Ghost\n  end\nend\n", 3,
            "p.Partner", "no component named Ghost"},
        ErrorCase{"object f: TErrorForm\n  object p: TCountedPanel\n    Partner = f\n  end\nend\n",
                  3, "p.Partner", "not a TCountedPanel"},
        ErrorCase{"object f: TErrorForm\n  object p: TCountedPanel\n  end\n  object P: "
                  "TCountedPanel\n  end\nend\n",
                  4, "P", "already exists"},
        ErrorCase{"object f: TErrorForm\n  object m: TCountedMark\n    object p: TCountedPanel\n   "
                  " end\n  end\nend\n",
                  3, "p", "windowed control"},
        ErrorCase{"object f: TErrorForm\n  OnShow = Missing\nend\n", 2, "f.OnShow",
                  "no handler Missing"},
        ErrorCase{"object f: TErrorForm\n  OnShow = 'Clicked'\nend\n", 2, "f.OnShow",
                  "handler name expected"},
        // Events of nested objects.
        ErrorCase{"object f: TErrorForm\n  object p: TCountedPanel\n    Font.OnChange = "
                  "Missing\n  end\nend\n",
                  3, "p.Font.OnChange", "no handler Missing"},
        ErrorCase{"object f: TErrorForm\n  Font = (\n    OnChange = 7\n  )\nend\n", 3,
                  "f.Font.OnChange", "handler name expected"},
        ErrorCase{"object f: TErrorForm\n  Font.OnChange.Size = 3\nend\n", 2,
                  "f.Font.OnChange.Size", "OnChange is an event"},
        ErrorCase{"object f: TErrorForm\n  Font.OnChanged = Clicked\nend\n", 2, "f.Font.OnChanged",
                  "has no property OnChanged"},
        ErrorCase{"object f: TErrorForm\n  Caption.OnChange = Clicked\nend\n", 2,
                  "f.Caption.OnChange", "not a nested object"},
        ErrorCase{"object f: TErrorForm\n  Ghost.OnChange = Clicked\nend\n", 2, "f.Ghost.OnChange",
                  "has no property Ghost"},
        ErrorCase{
            "object f: TErrorForm\n  object p: TCountedPanel\n    Fragile = True\n  end\nend\n", 5,
            "f", "fragile panel"}));

TEST(FormDescriptionFailure, FreesWhatTheReadCreatedAndKeepsTheRest) {
  TErrorForm form(nullptr);
  auto* before = new TCountedPanel(&form);
  before->SetName(QStringLiteral("Before"));
  ASSERT_EQ(TCountedPanel::Alive(), 1);
  const char* text =
      "object f: TErrorForm\n"
      "  Caption = 'kept'\n"
      "  object a: TCountedPanel\n"
      "    object b: TCountedPanel\n"
      "    end\n"
      "  end\n"
      "  object c: TCountedPanel\n"
      "    Level = 500\n"
      "  end\n"
      "end\n";
  EXPECT_THROW(kv::ReadComponent(&form, text, QStringLiteral("bad.kvf")), EFormError);
  EXPECT_EQ(TCountedPanel::Alive(), 1);
  ASSERT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), before);
  EXPECT_EQ(form.Caption(), QStringLiteral("kept"));
  EXPECT_FALSE(form.IsLoading());
  EXPECT_FALSE(before->IsLoading());
}

TEST(FormDescriptionFailure, NamesClashWithComponentsTheRootAlreadyOwns) {
  TErrorForm form(nullptr);
  (new TCountedPanel(&form))->SetName(QStringLiteral("Existing"));
  EXPECT_THROW(
      kv::ReadComponent(&form, "object f: TErrorForm\n object existing: TCountedPanel\n end\nend\n",
                        QStringLiteral("bad.kvf")),
      EFormError);
  EXPECT_EQ(TCountedPanel::Alive(), 1);
}

TEST(FormDescriptionFailure, MissingFile) {
  TErrorForm form(nullptr);
  EXPECT_THROW(kv::ReadComponentResource(&form, QStringLiteral(":/no/such/form.kvf")), EFormError);
}

// ---------------------------------------------------------------------------
// Limits

QByteArray Nested(int depth) {
  QByteArray text = "object f: TErrorForm\n";
  for (int i = 1; i < depth; ++i) text += "object p" + QByteArray::number(i) + ": TCountedPanel\n";
  for (int i = 0; i < depth; ++i) text += "end\n";
  return text;
}

int ErrorLine(const QByteArray& text) {
  TErrorForm form(nullptr);
  try {
    kv::ReadComponent(&form, text, QStringLiteral("big.kvf"));
  } catch (const EFormError& e) {
    return e.Line();
  }
  return -1;
}

TEST(FormDescriptionLimits, Nesting) {
  EXPECT_EQ(ErrorLine(Nested(kv::kMaxDescriptionNesting)), -1);
  EXPECT_EQ(ErrorLine(Nested(kv::kMaxDescriptionNesting + 1)), kv::kMaxDescriptionNesting + 1);
  EXPECT_EQ(TCountedPanel::Alive(), 0);
  QByteArray blocks = "object f: TErrorForm\n  Font = ";
  for (int i = 0; i < kv::kMaxDescriptionNesting; ++i) blocks += "( X = ";
  EXPECT_EQ(ErrorLine(blocks + "1"), 2);
}

TEST(FormDescriptionLimits, CountsOfObjectsAndItems) {
  QByteArray objects = "object f: TErrorForm\n";
  for (int i = 0; i < kv::kMaxDescriptionComponents; ++i) objects += "object TCountedMark end\n";
  EXPECT_EQ(ErrorLine(objects + "end\n"), kv::kMaxDescriptionComponents + 1);
  // Items count over all collections.
  QByteArray items = "object f: TErrorForm\nTag = < item end >\nTag = <\n";
  for (int i = 1; i <= kv::kMaxCollectionItems; ++i) items += "item end\n";
  EXPECT_EQ(ErrorLine(items + ">\nend\n"), kv::kMaxCollectionItems + 3);
  EXPECT_EQ(TCountedPanel::Alive(), 0);
}

TEST(FormDescriptionLimits, NamesAndValuesTogether) {
  QByteArray members = "object f: TErrorForm\nTag = [a";
  for (int i = 0; i < kv::kMaxDescriptionElements; ++i) members += ",a";
  EXPECT_EQ(ErrorLine(members + "]\nend\n"), 2);
  QByteArray path = "object f: TErrorForm\nTag";
  for (int i = 0; i < kv::kMaxDescriptionElements; ++i) path += ".a";
  EXPECT_EQ(ErrorLine(path + " = 1\nend\n"), 2);
}

TEST(FormDescriptionLimits, StringLength) {
  const QByteArray longString =
      "object f: TErrorForm\nCaption = '" + QByteArray(kv::kMaxStringLength + 1, 'a') + "'\nend\n";
  EXPECT_EQ(ErrorLine(longString), 2);
  QByteArray pieces = "object f: TErrorForm\nCaption = ";
  const QByteArray piece = "'" + QByteArray(1 << 16, 'a') + "'";
  for (qsizetype n = 0; n <= kv::kMaxStringLength; n += piece.size() - 2) pieces += piece + " +\n";
  EXPECT_EQ(ErrorLine(pieces + piece + "\nend\n"),
            2 + int(kv::kMaxStringLength / (piece.size() - 2)));
}

TEST(FormDescriptionLimits, BinarySize) {
  const QByteArray blob =
      "object f: TErrorForm\nTag = {" + QByteArray((kv::kMaxBinaryBytes + 1) * 2, '0') + "}\nend\n";
  EXPECT_EQ(ErrorLine(blob), 2);
}

TEST(FormDescriptionLimits, DescriptionSize) {
  EXPECT_EQ(ErrorLine(QByteArray(kv::kMaxDescriptionBytes + 1, ' ')), 0);
}

}  // namespace

#include "FormDescriptionErrorTest.moc"
