// Reading and writing form descriptions with a test control that has every kind of
// property: the syntax elements, children, events, references, the loading protocol and
// round trips.
#include "ClassRegistry.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "Graphics.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "StdCtrls.h"

#include <QDir>
#include <QMetaProperty>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace Probe {
Q_NAMESPACE
enum class TProbeMode { pmOff, pmSlow, pmFast };
Q_ENUM_NS(TProbeMode)
enum class TProbeOption { poRed = 1, poGreen = 2, poBlue = 4 };
Q_DECLARE_FLAGS(TProbeOptions, TProbeOption)
Q_FLAG_NS(TProbeOptions)
}  // namespace Probe
Q_DECLARE_OPERATORS_FOR_FLAGS(Probe::TProbeOptions)

using Probe::TProbeMode;
using Probe::TProbeOption;
using Probe::TProbeOptions;

class TProbeChannel : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(int Value READ Value WRITE SetValue)
  Q_CLASSINFO("default.Color", "clLime")
  Q_CLASSINFO("default.Value", "0")
public:
  using TCollectionItem::TCollectionItem;
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { FColor = v; }
  int Value() const { return FValue; }
  void SetValue(int v) { FValue = v; }

signals:
  void OnPing(TObject* Sender);

private:
  TColor FColor = clLime;
  int FValue = 0;
};

// Every kind of property a description can hold. Its binary "Payload" is a 4-byte
// little-endian length followed by that many bytes.
class TProbe : public TWinControl {
  Q_OBJECT
  Q_PROPERTY(int Count READ Count WRITE SetCount)
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(Probe::TProbeMode Mode READ Mode WRITE SetMode)
  Q_PROPERTY(Probe::TProbeOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
  Q_PROPERTY(long double Precise READ Precise WRITE SetPrecise)
  Q_PROPERTY(short Small READ Small WRITE SetSmall)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(TCollection* Channels READ Channels)
  Q_PROPERTY(TPicture* Picture READ Picture WRITE SetPicture)
  Q_PROPERTY(TProbe* Buddy READ Buddy WRITE SetBuddy)
  Q_PROPERTY(int Version READ Version WRITE SetVersion STORED false)
  Q_CLASSINFO("default.Count", "0")
  Q_CLASSINFO("default.Active", "false")
  Q_CLASSINFO("default.Mode", "pmSlow")
  Q_CLASSINFO("default.Options", "[poRed]")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.Ratio", "0.5")
  Q_CLASSINFO("default.Small", "0")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("stored.Color", "IsColorStored")
  Q_CLASSINFO("default.ParentColor", "true")
  Q_CLASSINFO("default.Picture", "")
  Q_CLASSINFO("default.Buddy", "nil")
public:
  explicit TProbe(TComponent* owner)
      : TWinControl(owner),
        FChannels(std::make_unique<TCollection>(
            this, [](TCollection* c) { return new TProbeChannel(c); })),
        FPicture(std::make_unique<TPicture>()) {}

  int Count() const { return FCount; }
  void SetCount(int v) {
    FLoadingAtSet = IsLoading();
    FCount = v;
  }
  bool Active() const { return FActive; }
  void SetActive(bool v) { FActive = v; }
  TProbeMode Mode() const { return FMode; }
  void SetMode(TProbeMode v) { FMode = v; }
  TProbeOptions Options() const { return FOptions; }
  void SetOptions(TProbeOptions v) { FOptions = v; }
  double Ratio() const { return FRatio; }
  void SetRatio(double v) { FRatio = v; }
  long double Precise() const { return FPrecise; }
  void SetPrecise(long double v) { FPrecise = v; }
  short Small() const { return FSmall; }
  void SetSmall(short v) { FSmall = v; }
  TCollection* Channels() const { return FChannels.get(); }
  TProbeChannel* Channel(int i) const { return static_cast<TProbeChannel*>(FChannels->Items(i)); }
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(const TPicture* v) { FPicture->Assign(v); }
  TProbe* Buddy() const { return FBuddy; }
  void SetBuddy(TProbe* v) { FBuddy = v; }
  int Version() const { return 3; }
  void SetVersion(int) {}
  const QByteArray& Payload() const { return FPayload; }
  void SetPayload(const QByteArray& v) { FPayload = v; }

  Q_INVOKABLE bool IsColorStored() const { return !ParentColor(); }

  bool LoadingAtSet() const { return FLoadingAtSet; }
  int CountAtLoaded() const { return FCountAtLoaded; }

  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty(
        QStringLiteral("Payload"), [this](TStream& s) { ReadPayload(s); },
        [this](TStream& s) { WritePayload(s); }, !FPayload.isEmpty());
  }

  void Loaded() override {
    TWinControl::Loaded();
    FCountAtLoaded = FCount;
    LoadedOrder() << Name();
  }

  static QStringList& LoadedOrder() {
    static QStringList order;
    return order;
  }

signals:
  void OnChange(TObject* Sender);
  void OnValue(TObject* Sender, int Value);

private:
  void ReadPayload(TStream& s) {
    int32_t size = 0;
    s.ReadBuffer(&size, 4);
    if (size < 0 || size > s.Remaining()) throw EReadError(QStringLiteral("Invalid payload"));
    QByteArray data(size, '\0');
    s.ReadBuffer(data.data(), size);
    FPayload = data;
  }
  void WritePayload(TStream& s) const {
    const auto size = int32_t(FPayload.size());
    s.WriteBuffer(&size, 4);
    s.WriteBuffer(FPayload.constData(), size);
  }

  int FCount = 0;
  bool FActive = false;
  TProbeMode FMode = TProbeMode::pmSlow;
  TProbeOptions FOptions = TProbeOption::poRed;
  double FRatio = 0.5;
  long double FPrecise = 0;
  short FSmall = 0;
  std::unique_ptr<TCollection> FChannels;
  std::unique_ptr<TPicture> FPicture;
  TProbe* FBuddy = nullptr;
  QByteArray FPayload;
  bool FLoadingAtSet = false;
  int FCountAtLoaded = -1;
};

// Keeps a stored pair the way range controls must: setters cross-check only outside
// loading, and Loaded keeps a valid pair or replays the plain setter sequence.
class TRangeProbe : public TGraphicControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
public:
  using TGraphicControl::TGraphicControl;
  int MaxValue() const { return FMax; }
  void SetMaxValue(int v) {
    if (IsLoading() || v > FMin) FMax = v;
  }
  int MinValue() const { return FMin; }
  void SetMinValue(int v) {
    if (IsLoading() || v < FMax) FMin = v;
  }
  void Loaded() override {
    TGraphicControl::Loaded();
    if (FMin < FMax) return;
    const int max = FMax;
    const int min = FMin;
    FMax = 100;
    FMin = 0;
    SetMaxValue(max);
    SetMinValue(min);
  }

private:
  int FMax = 100;
  int FMin = 0;
};

// A control whose font starts as Arial and says so as the default of the font it holds.
class TArialProbe : public TGraphicControl {
  Q_OBJECT
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_CLASSINFO("default.Font.Name", "Arial")
public:
  explicit TArialProbe(TComponent* owner) : TGraphicControl(owner) {
    Font()->SetName(QStringLiteral("Arial"));
  }
};

class TProbeForm : public TForm {
  Q_OBJECT
public:
  using TForm::TForm;
  QStringList calls;

public slots:
  void ProbeChange(TObject* Sender) {
    calls << QStringLiteral("change:") + dynamic_cast<TComponent*>(Sender)->Name();
  }
  void ProbeValue(TObject*, int Value) { calls << QStringLiteral("value:%1").arg(Value); }
  void FormShow(TObject*) { calls << QStringLiteral("show"); }
  void FontChange(TObject* Sender) { fonts.push_back(Sender); }

public:
  std::vector<TObject*> fonts;  // the senders FontChange heard

private slots:
  void Hidden(TObject*) {}
};

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TProbe, TRangeProbe, TArialProbe>();

QByteArray BmpBytes(const TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return stream.Data();
}

// A red pixel and a blue one.
void MakeTwoByOne(TBitmap& bitmap) {
  QImage image(2, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, 0xFFFF0000u);
  image.setPixel(1, 0, 0xFF0000FFu);
  bitmap.SetImage(image);
}

struct Fixture : ::testing::Test {
  std::unique_ptr<TProbeForm> form = std::make_unique<TProbeForm>(nullptr);
  void Read(const QByteArray& text) {
    kv::ReadComponent(form.get(), text, QStringLiteral("probe.kvf"));
  }
  TProbe* Probe(const char* name) const {
    return dynamic_cast<TProbe*>(form->FindComponent(QLatin1String(name)));
  }
};

using FormDescriptionRead = Fixture;

TEST_F(FormDescriptionRead, EverySimpleValueSyntax) {
  Read(R"(// a comment line
object frmProbe: TProbeForm
  object Probe1: TProbe   // comments end lines
    Count = -42
    Active = true
    Mode = pmFast
    Options = [poGreen, poBlue]
    Caption = 'It''s'#13#10'two' +
      ' lines'#$41
    Ratio = 2.5e-3
    Precise = 33.333333333333
    Small = -32768
    Color = clRed
  end
  object Probe2: TProbe
    Count = $7FFFFFFF
    Options = []
    Ratio = 7
    Color = -2147483633
  end
  object Probe3: TProbe
    Color = 7292981
    Caption = 'Grüße'
  end
end)");
  TProbe* p1 = Probe("Probe1");
  ASSERT_NE(p1, nullptr);
  EXPECT_EQ(p1->Count(), -42);
  EXPECT_TRUE(p1->Active());
  EXPECT_EQ(p1->Mode(), TProbeMode::pmFast);
  EXPECT_EQ(p1->Options(), TProbeOptions(TProbeOption::poGreen | TProbeOption::poBlue));
  EXPECT_EQ(p1->Caption(), QStringLiteral("It's\r\ntwo linesA"));
  EXPECT_DOUBLE_EQ(p1->Ratio(), 0.0025);
  EXPECT_EQ(p1->Precise(), 33.333333333333L);
  EXPECT_EQ(p1->Small(), -32768);
  EXPECT_EQ(p1->Color().Value, clRed.Value);
  TProbe* p2 = Probe("Probe2");
  EXPECT_EQ(p2->Count(), 0x7FFFFFFF);
  EXPECT_EQ(p2->Options(), TProbeOptions());
  EXPECT_EQ(p2->Ratio(), 7.0);
  EXPECT_EQ(p2->Color().Value, clBtnFace.Value);
  TProbe* p3 = Probe("Probe3");
  EXPECT_EQ(p3->Color().Value, 7292981);
  EXPECT_EQ(p3->Caption(), QStringLiteral("Grüße"));
}

TEST_F(FormDescriptionRead, NestedObjectsDottedAndAsBlocks) {
  Read(R"(object frmProbe: TProbeForm
  object Probe1: TProbe
    Font.Height = -19
    Font.Name = 'Arial'
  end
  object Probe2: TProbe
    Font = (
      Name = 'Arial'
      Style = [fsBold, fsUnderline]
      Color = clLime
    )
  end
end)");
  EXPECT_EQ(Probe("Probe1")->Font()->Height(), -19);
  EXPECT_EQ(Probe("Probe1")->Font()->Name(), QStringLiteral("Arial"));
  const TFont* f2 = Probe("Probe2")->Font();
  EXPECT_EQ(f2->Name(), QStringLiteral("Arial"));
  EXPECT_EQ(f2->Style(), TFontStyles(TFontStyle::fsBold | TFontStyle::fsUnderline));
  EXPECT_EQ(f2->Color().Value, clLime.Value);
  EXPECT_EQ(f2->Height(), -11);
}

TEST_F(FormDescriptionRead, CollectionsReplaceTheirItems) {
  Read(R"(object frmProbe: TProbeForm
  object Probe1: TProbe
    Channels = <
      item
        Color = clRed
        Value = 5
      end
      item
      end
      item
        Value = -1
      end>
  end
end)");
  TProbe* p = Probe("Probe1");
  ASSERT_EQ(p->Channels()->Count(), 3);
  EXPECT_EQ(p->Channel(0)->Color().Value, clRed.Value);
  EXPECT_EQ(p->Channel(0)->Value(), 5);
  EXPECT_EQ(p->Channel(1)->Color().Value, clLime.Value);
  EXPECT_EQ(p->Channel(2)->Value(), -1);
  EXPECT_EQ(p->Channels()->UpdateCount(), 0);
}

TEST_F(FormDescriptionRead, BinaryDataAndInlinePictures) {
  TBitmap bitmap;
  MakeTwoByOne(bitmap);
  const QByteArray bmp = BmpBytes(bitmap);
  Read(
      "object frmProbe: TProbeForm\n"
      "  object Probe1: TProbe\n"
      "    Payload = {\n"
      "      03000000 41\n"
      "      4243 }\n"
      "    Picture = {" +
      bmp.toHex() +
      "}\n"
      "  end\n"
      "end\n");
  TProbe* p = Probe("Probe1");
  EXPECT_EQ(p->Payload(), QByteArray("ABC"));
  ASSERT_EQ(p->Picture()->Width(), 2);
  ASSERT_EQ(p->Picture()->Height(), 1);
  EXPECT_EQ(p->Picture()->Bitmap()->Canvas()->Pixels(0, 0).Value, clRed.Value);
  EXPECT_EQ(p->Picture()->Bitmap()->Canvas()->Pixels(1, 0).Value, clBlue.Value);
}

// Each binary value is exactly one payload: its reader sees no more and must use it all.
TEST_F(FormDescriptionRead, BinaryPayloadsThatAreTruncatedOrTooLongAreRefused) {
  TBitmap bitmap;
  MakeTwoByOne(bitmap);
  const QByteArray bmp = BmpBytes(bitmap).toHex();
  const auto reason = [this](const QByteArray& value) {
    try {
      Read("object frmProbe: TProbeForm\n  object Probe1: TProbe\n    " + value + "\n  end\nend\n");
    } catch (const EFormError& e) {
      EXPECT_EQ(e.Line(), 3);
      return e.Reason().toStdString();
    }
    return std::string("no error");
  };
  EXPECT_EQ(reason("Payload = { 05000000 4142 }"), "Invalid payload");
  EXPECT_EQ(reason("Payload = { 010000 }"), "Stream read error");
  EXPECT_EQ(reason("Payload = { 01000000 4142 }"), "1 bytes of the binary data were left unread");
  EXPECT_EQ(reason("Picture = {" + bmp + "00}"), "1 bytes follow the bitmap in the picture data");
  EXPECT_NE(reason("Picture = {" + bmp.left(bmp.size() - 2) + "}"), "no error");
  EXPECT_EQ(reason("Picture = resource 'NO_SUCH_BITMAP'"),
            "Bitmap resource \"NO_SUCH_BITMAP\" not found");
  EXPECT_EQ(form->ComponentCount(), 0);
}

TEST_F(FormDescriptionRead, PicturesByResourceName) {
  const QStringList bitmaps = QDir(QStringLiteral(":/kv/res")).entryList({QStringLiteral("*.bmp")});
  if (bitmaps.isEmpty()) GTEST_SKIP() << "no bitmap resources compiled in";
  const QString name = bitmaps.first().chopped(4);
  TBitmap expected;
  expected.LoadFromResourceName(name);
  Read("object frmProbe: TProbeForm\n object Probe1: TProbe\n  Picture = resource '" +
       name.toLower().toUtf8() + "'\n end\nend\n");
  EXPECT_SAME_PIXELS(Probe("Probe1")->Picture()->Bitmap()->Image(), expected.Image());
}

TEST_F(FormDescriptionRead, ChildrenAreOwnedByTheRootAndParentedWhereNested) {
  Read(R"(object frmProbe: TProbeForm
  Caption = 'Probe form'
  object ScrollBox: TScrollBox
    object Inner: TProbe
      object Innermost: TProbe
      end
    end
  end
  object Outer: TProbe
  end
end)");
  EXPECT_EQ(form->Name(), QStringLiteral("frmProbe"));
  EXPECT_EQ(form->Caption(), QStringLiteral("Probe form"));
  ASSERT_EQ(form->ComponentCount(), 4);
  auto* box = dynamic_cast<TScrollBox*>(form->FindComponent(QStringLiteral("scrollbox")));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Parent(), form.get());
  EXPECT_EQ(Probe("Inner")->Parent(), box);
  EXPECT_EQ(Probe("Innermost")->Parent(), Probe("Inner"));
  EXPECT_EQ(Probe("Outer")->Parent(), form.get());
  for (int i = 0; i < form->ComponentCount(); ++i)
    EXPECT_EQ(form->Components(i)->Owner(), form.get());
  // Creation order is file order.
  EXPECT_EQ(form->Components(1)->Name(), QStringLiteral("Inner"));
  EXPECT_EQ(form->Components(3)->Name(), QStringLiteral("Outer"));
}

TEST_F(FormDescriptionRead, EventsConnectToTheRootsPublicSlots) {
  Read(R"(object frmProbe: TProbeForm
  OnShow = FormShow
  object Probe1: TProbe
    OnChange = ProbeChange
    OnValue = probevalue
  end
end)");
  TProbe* p = Probe("Probe1");
  emit p->OnChange(p);
  emit p->OnValue(p, 7);
  emit form->OnShow(form.get());
  EXPECT_EQ(form->calls, QStringList({"change:Probe1", "value:7", "show"}));
}

TEST_F(FormDescriptionRead, EventsOfNestedObjectsBindDottedAndInBlocksAndAreWrittenBack) {
  form->SetName(QStringLiteral("frmProbe"));
  Read(R"(object frmProbe: TProbeForm
  Font.OnChange = FontChange
  object Probe1: TProbe
    OnChange = ProbeChange
    Font = (
      OnChange = FontChange
    )
  end
end)");
  TProbe* p = Probe("Probe1");
  // The control's own reaction to its font stays: a new size still reaches it.
  ASSERT_TRUE(p->ParentFont());
  p->Font()->SetSize(p->Font()->Size() + 3);
  EXPECT_FALSE(p->ParentFont());
  ASSERT_FALSE(form->fonts.empty());
  EXPECT_EQ(form->fonts.back(), p->Font());
  form->fonts.clear();
  emit form->Font()->OnChange(form->Font());
  EXPECT_EQ(form->fonts, std::vector<TObject*>{form->Font()});

  // Dotted, after the component's own events, before its children; kept for a font taken
  // from the parent, whose values are not written.
  p->SetParentFont(true);
  const QByteArray text = kv::WriteComponent(form.get());
  EXPECT_TRUE(text.contains("\n  Font.OnChange = FontChange\n  object Probe1")) << text.data();
  EXPECT_TRUE(text.contains("    OnChange = ProbeChange\n    Font.OnChange = FontChange\n"))
      << text.data();
  TProbeForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("copy.kvf"));
  EXPECT_EQ(kv::WriteComponent(&copy).toStdString(), text.toStdString());
  auto* q = dynamic_cast<TProbe*>(copy.FindComponent(QStringLiteral("Probe1")));
  ASSERT_NE(q, nullptr);
  emit q->Font()->OnChange(q->Font());
  EXPECT_EQ(copy.fonts, std::vector<TObject*>{q->Font()});
}

TEST_F(FormDescriptionRead, EventsOfCollectionItemsAreRefused) {
  try {
    Read(R"(object frmProbe: TProbeForm
  object Probe1: TProbe
    Channels = <
      item
        OnPing = FormShow
      end>
  end
end)");
    FAIL() << "no error";
  } catch (const EFormError& e) {
    EXPECT_EQ(e.Line(), 5);
    EXPECT_TRUE(e.Reason().contains(QStringLiteral("collection items"))) << e.what();
  }
  EXPECT_EQ(form->ComponentCount(), 0);
}

TEST_F(FormDescriptionRead, ReferencesMayPointForward) {
  Read(R"(object frmProbe: TProbeForm
  object Probe1: TProbe
    Buddy = Probe2
  end
  object Probe2: TProbe
    Buddy = nil
  end
end)");
  EXPECT_EQ(Probe("Probe1")->Buddy(), Probe("Probe2"));
  EXPECT_EQ(Probe("Probe2")->Buddy(), nullptr);
}

TEST_F(FormDescriptionRead, LoadedRunsInCreationOrderAfterEveryValueIsSet) {
  TProbe::LoadedOrder().clear();
  Read(R"(object frmProbe: TProbeForm
  object B: TProbe
    Count = 1
    object A: TProbe
      Count = 2
    end
  end
  object C: TProbe
    Count = 3
  end
end)");
  EXPECT_EQ(TProbe::LoadedOrder(), QStringList({"B", "A", "C"}));
  for (const char* name : {"A", "B", "C"}) {
    EXPECT_TRUE(Probe(name)->LoadingAtSet()) << name;
    EXPECT_EQ(Probe(name)->CountAtLoaded(), Probe(name)->Count()) << name;
    EXPECT_FALSE(Probe(name)->IsLoading()) << name;
  }
  EXPECT_FALSE(form->IsLoading());
}

TEST_F(FormDescriptionRead, AStoredPairThatSettersWouldRefuseInThisOrderSurvivesLoading) {
  Read(R"(object frmProbe: TProbeForm
  object Bar: TRangeProbe
    MaxValue = -10
    MinValue = -100
  end
  object Corrupt: TRangeProbe
    MaxValue = 5
    MinValue = 10
  end
end)");
  auto* bar = dynamic_cast<TRangeProbe*>(form->FindComponent(QStringLiteral("Bar")));
  EXPECT_EQ(bar->MinValue(), -100);
  EXPECT_EQ(bar->MaxValue(), -10);
  auto* corrupt = dynamic_cast<TRangeProbe*>(form->FindComponent(QStringLiteral("Corrupt")));
  EXPECT_EQ(corrupt->MinValue(), 0);
  EXPECT_EQ(corrupt->MaxValue(), 5);

  TProbeForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(form.get()), QStringLiteral("copy.kvf"));
  auto* copied = dynamic_cast<TRangeProbe*>(copy.FindComponent(QStringLiteral("Bar")));
  EXPECT_EQ(copied->MinValue(), -100);
  EXPECT_EQ(copied->MaxValue(), -10);
}

TEST_F(FormDescriptionRead, KeywordsAndNamesIgnoreCase) {
  Read("OBJECT frmProbe: tprobeform\n Object p: TPROBE\n  COUNT = 4\n  mode = PMFAST\n End\nEND\n");
  EXPECT_EQ(Probe("P")->Count(), 4);
  EXPECT_EQ(Probe("P")->Mode(), TProbeMode::pmFast);
}

TEST_F(FormDescriptionRead, TheTopObjectMayNameABaseClassOfTheRoot) {
  Read("object frmProbe: TForm\n  Caption = 'base'\nend\n");
  EXPECT_EQ(form->Caption(), QStringLiteral("base"));
}

TEST(FormDescriptionClasses, RegistryFindsClassesByNameInAnyCase) {
  kv::RegisterClass<TProbe>();  // again: nothing changes
  const kv::TRegisteredClass* probe = kv::FindRegisteredClass(QStringLiteral("tprobe"));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->metaObject, &TProbe::staticMetaObject);
  EXPECT_NE(kv::FindRegisteredClass(QStringLiteral("TForm")), nullptr);
  EXPECT_NE(kv::FindRegisteredClass(QStringLiteral("TScrollBox")), nullptr);
  EXPECT_EQ(kv::FindRegisteredClass(QStringLiteral("TNoSuchClass")), nullptr);
  TForm owner(nullptr);
  TComponent* made = probe->create(&owner);
  EXPECT_NE(dynamic_cast<TProbe*>(made), nullptr);
  EXPECT_EQ(made->Owner(), &owner);
  // Another class under a name that is taken.
  static const QMetaObject impostor = TProbe::staticMetaObject;
  EXPECT_THROW(
      kv::RegisterComponentClass(impostor, [](TComponent*) -> TComponent* { return nullptr; }),
      EInvalidOperation);
  EXPECT_EQ(kv::FindRegisteredClass(QStringLiteral("TProbe"))->metaObject,
            &TProbe::staticMetaObject);
}

TEST(FormDescriptionBind, TypedFieldsAndTheirErrors) {
  TProbeForm form(nullptr);
  kv::ReadComponent(&form, "object f: TProbeForm\n object ScrollBox: TScrollBox\n end\nend\n",
                    QStringLiteral("bind.kvf"));
  TScrollBox* box = nullptr;
  kv::Bind(&form, QStringLiteral("ScrollBox"), box);
  EXPECT_EQ(box, form.FindComponent(QStringLiteral("ScrollBox")));
  TProbe* probe = nullptr;
  EXPECT_THROW(kv::Bind(&form, QStringLiteral("ScrollBox"), probe), EReadError);
  EXPECT_THROW(kv::Bind(&form, QStringLiteral("Missing"), box), EReadError);
  EXPECT_EQ(probe, nullptr);
}

// ---------------------------------------------------------------------------
// Writing

using FormDescriptionWrite = Fixture;

TEST_F(FormDescriptionWrite, LeavesOutDefaultsAndUnstoredProperties) {
  form->SetName(QStringLiteral("frmProbe"));
  auto* probe = new TProbe(form.get());
  probe->SetName(QStringLiteral("Probe1"));
  probe->SetParent(form.get());
  probe->SetColor(clBtnFace);
  probe->SetCaption(QString());  // naming set it
  const QByteArray fresh = kv::WriteComponent(form.get());
  EXPECT_TRUE(fresh.contains("object Probe1: TProbe\n"));
  for (const char* omitted : {"Count", "Active", "Mode", "Options", "Caption", "Ratio", "Small",
                              "Version", "Picture", "Buddy", "Payload", "Font.", "Visible", "Hint"})
    EXPECT_FALSE(fresh.contains(QByteArray("    ") + omitted)) << omitted;
  // Collections have no default here: an empty one is written.
  EXPECT_TRUE(fresh.contains("    Channels = < >\n"));

  probe->SetMode(TProbeMode::pmOff);
  probe->SetOptions({});
  probe->Font()->SetHeight(-19);
  probe->SetPayload("xy");
  const QByteArray changed = kv::WriteComponent(form.get());
  EXPECT_TRUE(changed.contains("    Mode = pmOff\n"));
  EXPECT_TRUE(changed.contains("    Options = []\n"));
  EXPECT_TRUE(changed.contains("    Font.Height = -19\n"));
  EXPECT_FALSE(changed.contains("Font.Name"));
  EXPECT_TRUE(changed.contains("    Payload = {\n      020000007879\n    }\n"));
}

TEST_F(FormDescriptionWrite, AHolderStatesTheDefaultsOfTheStyleObjectsItHolds) {
  auto* probe = new TArialProbe(form.get());
  probe->SetName(QStringLiteral("Arial1"));
  probe->SetParent(form.get());
  EXPECT_FALSE(kv::WriteComponent(form.get()).contains("Font.Name"));
  // The font class's own default is no default here: it is written, and survives.
  probe->Font()->SetName(QStringLiteral("MS Sans Serif"));
  const QByteArray text = kv::WriteComponent(form.get());
  EXPECT_TRUE(text.contains("    Font.Name = 'MS Sans Serif'\n")) << text.constData();
  TProbeForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("arial.kvf"));
  auto* read = dynamic_cast<TArialProbe*>(copy.FindComponent(QStringLiteral("Arial1")));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Font()->Name(), QStringLiteral("MS Sans Serif"));
}

TEST(FormDescriptionForm, ABorderlessFormReadBackShowsWhereItWasWritten) {
  // Shown with a frame first, a window is pushed on screen by its frame; a form read from a
  // description shows only once its border style is read too.
  TForm form(nullptr);
  kvtest::ShowForm(&form, 120, 90);
  const QByteArray text = kv::WriteComponent(&form);
  ASSERT_TRUE(text.contains("  Left = 0\n  Top = 0\n")) << text.constData();
  for (int round = 0; round < 2; ++round) {
    TForm copy(nullptr);
    kv::ReadComponent(&copy, text, QStringLiteral("borderless.kvf"));
    kvtest::Pump();
    EXPECT_TRUE(copy.isVisible());
    EXPECT_EQ(copy.geometry(), QRect(0, 0, 120, 90));
    EXPECT_EQ(kv::WriteComponent(&copy).toStdString(), text.toStdString());
  }
}

// A loading window aligns its children and orders their tab chain once, in its Loaded: what
// it gives is what building the same form in code gives, child by child.
TEST(FormDescriptionForm, AlignmentAndTabOrderAfterReadingAreThoseOfTheFormBuiltInCode) {
  const QByteArray text =
      "object Form: TForm\n  Width = 200\n  Height = 150\n"
      "  object Top1: TLabel\n    Align = alTop\n    AutoSize = False\n    Height = 20\n  end\n"
      "  object Client: TLabel\n    Align = alClient\n    AutoSize = False\n  end\n"
      "  object Bottom1: TLabel\n    Align = alBottom\n    AutoSize = False\n    Height = 30\n"
      "  end\n  object Left1: TLabel\n    Align = alLeft\n    AutoSize = False\n    Width = 40\n"
      "  end\n  object C1: TCheckBox\n    TabOrder = 2\n    TabStop = True\n  end\n"
      "  object C2: TCheckBox\n    TabOrder = 0\n    TabStop = True\n  end\n"
      "  object C3: TCheckBox\n    TabOrder = 1\n    TabStop = True\n"
      "  end\nend\n";
  TForm read(nullptr);
  kv::ReadComponent(&read, text, QStringLiteral("aligned.kvf"));
  TForm built(nullptr);
  built.SetBounds(0, 0, 200, 150);
  const auto label = [&](const char* name, TAlign align, int width, int height) {
    auto* l = new TLabel(&built);
    l->SetName(QString::fromLatin1(name));
    l->SetAutoSize(false);
    l->SetBounds(0, 0, width, height);
    l->SetAlign(align);
  };
  label("Top1", TAlign::alTop, 65, 20);
  label("Client", TAlign::alClient, 65, 17);
  label("Bottom1", TAlign::alBottom, 65, 30);
  label("Left1", TAlign::alLeft, 40, 17);
  for (const auto& [name, order] : {std::pair{"C1", 2}, {"C2", 0}, {"C3", 1}}) {
    auto* box = new TCheckBox(&built);
    box->SetName(QString::fromLatin1(name));
    box->SetTabStop(true);
    box->SetTabOrder(order);
  }
  const auto control = [](TForm& form, const char* name) {
    return dynamic_cast<TControl*>(form.FindComponent(QString::fromLatin1(name)));
  };
  for (const char* name : {"Top1", "Client", "Bottom1", "Left1"}) {
    SCOPED_TRACE(name);
    ASSERT_NE(control(read, name), nullptr);
    EXPECT_EQ(control(read, name)->BoundsRect(), control(built, name)->BoundsRect());
  }
  EXPECT_EQ(control(read, "Top1")->BoundsRect(), kv::Bounds(0, 0, read.ClientWidth(), 20));
  // The check boxes as the focus chain meets them, from the form round to the form.
  const auto tabOrder = [](TForm& form) {
    std::vector<QString> names;
    for (QWidget* w = form.nextInFocusChain(); w != &form; w = w->nextInFocusChain())
      if (auto* box = dynamic_cast<TCheckBox*>(w)) names.push_back(box->Name());
    return names;
  };
  EXPECT_EQ(tabOrder(read).size(), 3u);
  EXPECT_EQ(tabOrder(built), tabOrder(read));
}

TEST_F(FormDescriptionWrite, DeclarationOrderThenBinaryThenEventsThenChildren) {
  form->SetName(QStringLiteral("frmProbe"));
  kv::ReadComponent(form.get(), R"(object frmProbe: TProbeForm
  object Probe1: TProbe
    OnChange = ProbeChange
    Payload = { 0100000041 }
    Count = 2
    Top = 5
    Left = 4
    object Probe2: TProbe
    end
  end
end)",
                    QStringLiteral("order.kvf"));
  const QByteArray text = kv::WriteComponent(form.get());
  const auto at = [&](const char* s) { return text.indexOf(s); };
  ASSERT_GE(at("Left = 4"), 0);
  EXPECT_LT(at("Left = 4"), at("Top = 5"));
  EXPECT_LT(at("Top = 5"), at("Count = 2"));
  EXPECT_LT(at("Count = 2"), at("Payload = {"));
  EXPECT_LT(at("Payload = {"), at("OnChange = ProbeChange"));
  EXPECT_LT(at("OnChange = ProbeChange"), at("object Probe2: TProbe"));
}

// The published properties of an object as text, nested objects included and components
// by name, for comparing two trees.
void AddProperties(QStringList& out, const QString& prefix, const QObject* o) {
  for (int i = QWidget::staticMetaObject.propertyCount(); i < o->metaObject()->propertyCount();
       ++i) {
    const QMetaProperty p = o->metaObject()->property(i);
    const QVariant v = p.read(o);
    const QString name = prefix + p.name();
    if (p.metaType() == QMetaType::fromType<TColor>()) {
      out << name + '=' + QString::number(v.value<TColor>().Value);
    } else if (!p.metaType().flags().testFlag(QMetaType::PointerToQObject)) {
      out << name + '=' + v.toString();
    } else if (auto* c = dynamic_cast<const TComponent*>(v.value<QObject*>())) {
      out << name + '=' + c->Name();
    } else if (const QObject* nested = v.value<QObject*>()) {
      AddProperties(out, name + '.', nested);
    }
  }
}

QStringList PropertySnapshot(const TComponent* root) {
  QStringList out;
  AddProperties(out, root->Name() + '.', root->AsQObject());
  for (int i = 0; i < root->ComponentCount(); ++i)
    AddProperties(out, root->Components(i)->Name() + '.', root->Components(i)->AsQObject());
  return out;
}

TEST_F(FormDescriptionWrite, RoundTripKeepsEveryProperty) {
  form->SetName(QStringLiteral("frmProbe"));
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetClientWidth(441);
  form->SetClientHeight(317);
  form->SetColor(TColor(7292981));
  form->SetPosition(TPosition::poDefault);
  auto* box = new TScrollBox(form.get());
  box->SetName(QStringLiteral("ScrollBox"));
  box->SetParent(form.get());
  box->SetBounds(256, 136, 441, 317);
  box->SetAutoScroll(false);
  box->SetBevelOuter(TBevelCut::bvNone);
  box->SetBorderStyle(TBorderStyle::bsNone);
  box->SetColor(TColor(7292981));
  auto* p1 = new TProbe(form.get());
  p1->SetName(QStringLiteral("Probe1"));
  p1->SetParent(box);
  p1->SetBounds(1, 2, 30, 40);
  p1->SetCount(-5);
  p1->SetActive(true);
  p1->SetMode(TProbeMode::pmFast);
  p1->SetOptions(TProbeOption::poGreen | TProbeOption::poBlue);
  p1->SetCaption(
      QStringLiteral("It's a caption that is longer than sixty-four characters, with a tab\t, "
                     "a quote ' and Grüße \U0001F600 at the end."));
  p1->SetRatio(0.1);
  p1->SetPrecise(33.333333333333L);
  p1->SetSmall(-300);
  p1->SetColor(clLime);
  p1->Font()->SetName(QStringLiteral("Arial"));
  p1->Font()->SetStyle(TFontStyle::fsBold);
  static_cast<TProbeChannel*>(p1->Channels()->Add())->SetValue(9);
  static_cast<TProbeChannel*>(p1->Channels()->Add())->SetColor(clNavy);
  MakeTwoByOne(*p1->Picture()->Bitmap());
  p1->SetPayload(QByteArray(100, 'z'));
  auto* p2 = new TProbe(form.get());
  p2->SetName(QStringLiteral("Probe2"));
  p2->SetParent(form.get());
  ASSERT_TRUE(p2->ParentColor());
  p1->SetBuddy(p2);
  p2->SetBuddy(p2);
  kv::BindEvent(p1, QStringLiteral("OnValue"), form.get(), QStringLiteral("ProbeValue"));

  const QByteArray text = kv::WriteComponent(form.get());
  TProbeForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("roundtrip.kvf"));
  EXPECT_EQ(kv::WriteComponent(&copy).toStdString(), text.toStdString());
  EXPECT_EQ(PropertySnapshot(&copy).join('\n').toStdString(),
            PropertySnapshot(form.get()).join('\n').toStdString());

  auto* q1 = dynamic_cast<TProbe*>(copy.FindComponent(QStringLiteral("Probe1")));
  ASSERT_NE(q1, nullptr);
  EXPECT_EQ(q1->Caption(), p1->Caption());
  // A colour taken from the parent is not stored and comes from the parent again.
  EXPECT_FALSE(text.contains("    Color = 7292981\n    Channels"));
  auto* q2 = dynamic_cast<TProbe*>(copy.FindComponent(QStringLiteral("Probe2")));
  EXPECT_TRUE(q2->ParentColor());
  EXPECT_EQ(q2->Color().Value, 7292981);
  EXPECT_EQ(q1->Precise(), p1->Precise());
  EXPECT_EQ(q1->Parent(), copy.FindComponent(QStringLiteral("ScrollBox")));
  EXPECT_EQ(q1->Buddy(), copy.FindComponent(QStringLiteral("Probe2")));
  EXPECT_SAME_PIXELS(q1->Picture()->Bitmap()->Image(), p1->Picture()->Bitmap()->Image());
  EXPECT_EQ(q1->Payload(), p1->Payload());
  ASSERT_EQ(q1->Channels()->Count(), 2);
  EXPECT_EQ(static_cast<TProbeChannel*>(q1->Channels()->Items(0))->Value(), 9);
  EXPECT_EQ(static_cast<TProbeChannel*>(q1->Channels()->Items(1))->Color().Value, clNavy.Value);
  emit q1->OnValue(q1, 3);
  EXPECT_EQ(copy.calls, QStringList({"value:3"}));
}

TEST(FormDescriptionBindEvent, RefusesUnknownEventsHandlersAndMismatchedParameters) {
  TProbeForm form(nullptr);
  TProbe probe(&form);
  EXPECT_THROW(
      kv::BindEvent(&probe, QStringLiteral("OnNothing"), &form, QStringLiteral("ProbeChange")),
      EReadError);
  EXPECT_THROW(kv::BindEvent(&probe, QStringLiteral("OnChange"), &form, QStringLiteral("Nothing")),
               EReadError);
  EXPECT_THROW(
      kv::BindEvent(&probe, QStringLiteral("OnChange"), &form, QStringLiteral("ProbeValue")),
      EReadError);
  EXPECT_THROW(kv::BindEvent(&probe, QStringLiteral("OnChange"), &form, QStringLiteral("Hidden")),
               EReadError);
  // Qt's own signals are not events of descriptions.
  EXPECT_THROW(
      kv::BindEvent(&probe, QStringLiteral("destroyed"), &form, QStringLiteral("ProbeChange")),
      EReadError);
}

}  // namespace

#include "FormDescriptionTest.moc"
