// Reads the input as a form description into a fresh form. A description that loads must
// write out text that reads back; after one round, which may normalise what setters
// adjusted, writing and reading again must give the same text.
// A panel class with every kind of property (nested font, collection, picture, reference,
// binary data, event) gives the reader something to set besides the framework's classes.
#include "ClassRegistry.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "SysUtils.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

class TFuzzItem : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(int Value READ Value WRITE SetValue)
public:
  using TCollectionItem::TCollectionItem;
  int Value() const { return FValue; }
  void SetValue(int v) { FValue = v; }

private:
  int FValue = 0;
};

class TFuzzPanel : public TWinControl {
  Q_OBJECT
  Q_PROPERTY(int Number READ Number WRITE SetNumber)
  Q_PROPERTY(double Real READ Real WRITE SetReal)
  Q_PROPERTY(QString Text READ Caption WRITE SetCaption)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(Controls::TBevelCut Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(Graphics::TFontStyles Styles READ Styles WRITE SetStyles)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(TCollection* Items READ Items)
  Q_PROPERTY(TPicture* Picture READ Picture WRITE SetPicture)
  Q_PROPERTY(TFuzzPanel* Link READ Link WRITE SetLink)
  Q_CLASSINFO("default.Number", "0")
  Q_CLASSINFO("default.Bevel", "bvNone")
  Q_CLASSINFO("default.Styles", "[]")
  Q_CLASSINFO("default.Picture", "")
  Q_CLASSINFO("default.Link", "nil")
public:
  explicit TFuzzPanel(TComponent* owner)
      : TWinControl(owner),
        FItems(
            std::make_unique<TCollection>(this, [](TCollection* c) { return new TFuzzItem(c); })),
        FPicture(std::make_unique<TPicture>()) {}
  int Number() const { return FNumber; }
  void SetNumber(int v) { FNumber = v; }
  double Real() const { return FReal; }
  void SetReal(double v) { FReal = v; }
  TBevelCut Bevel() const { return FBevel; }
  void SetBevel(TBevelCut v) { FBevel = v; }
  TFontStyles Styles() const { return FStyles; }
  void SetStyles(TFontStyles v) { FStyles = v; }
  TCollection* Items() const { return FItems.get(); }
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(const TPicture* v) { FPicture->Assign(v); }
  TFuzzPanel* Link() const { return FLink; }
  void SetLink(TFuzzPanel* v) {
    if (FLink) RemoveFreeNotification(FLink);
    FLink = v;
    if (FLink) FreeNotification(FLink);
  }

  // "Data": a 2-byte little-endian length, then that many bytes.
  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty(
        QStringLiteral("Data"), [this](TStream& s) { ReadData(s); },
        [this](TStream& s) { WriteData(s); }, !FData.isEmpty());
  }

signals:
  void OnPoke(TObject* Sender);

protected:
  void Notification(TComponent* component, TOperation operation) override {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FLink) FLink = nullptr;
  }

private:
  void ReadData(TStream& s) {
    uint16_t size = 0;
    s.ReadBuffer(&size, 2);
    QByteArray data(size, '\0');
    s.ReadBuffer(data.data(), size);
    FData = data;
  }
  void WriteData(TStream& s) const {
    const auto size = uint16_t(FData.size());
    s.WriteBuffer(&size, 2);
    s.WriteBuffer(FData.constData(), size);
  }

  int FNumber = 0;
  double FReal = 0;
  TBevelCut FBevel = TBevelCut::bvNone;
  TFontStyles FStyles;
  std::unique_ptr<TCollection> FItems;
  std::unique_ptr<TPicture> FPicture;
  TFuzzPanel* FLink = nullptr;
  QByteArray FData;
};

class TFuzzForm : public TForm {
  Q_OBJECT
public:
  using TForm::TForm;
public slots:
  void Poke(TObject*) {}
};

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TFuzzPanel>();

// Reads Text into a fresh form and writes it out again.
QByteArray ReadAndWrite(const QByteArray& text) {
  TFuzzForm form(nullptr);
  kv::ReadComponent(&form, text, QStringLiteral("fuzz.kvf"));
  return kv::WriteComponent(&form);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication application(*argc, *argv);
  // Components that show the local time (a running clock) take it when they load; a fixed
  // time keeps every round of reading and writing comparable.
  kv::SetClockForTesting([] { return TDateTime(46000.5); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QByteArray written;
  try {
    written = ReadAndWrite(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  } catch (const EFormError&) {
    return 0;
  }
  const QByteArray normalised = ReadAndWrite(written);
  if (ReadAndWrite(normalised) != normalised) std::abort();
  return 0;
}

#include "FormReaderFuzz.moc"
