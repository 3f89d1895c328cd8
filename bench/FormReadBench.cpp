// Reading a form description of a demo-sized form (a scroll box, six panels, 54 instrument
// controls with fonts, collections and binary data: 61 components), next to the baseline of
// building the same form in code; the ratio is the cost of describing a form in text. And
// reading forms of many siblings, up to 4,000.
#include "ClassRegistry.h"
#include "FormDescriptions.h"
#include "FormReaderSyntax.h"
#include "Forms.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <memory>

class TBenchSegment : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(int Value READ Value WRITE SetValue)
public:
  using TCollectionItem::TCollectionItem;
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { FColor = v; }
  int Value() const { return FValue; }
  void SetValue(int v) { FValue = v; }

private:
  TColor FColor = clBlack;
  int FValue = 0;
};

// Stands for an instrument control: the kinds of properties the library's controls publish.
class TBenchGauge : public TGraphicControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)
  Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(Controls::TBevelCut Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(TCollection* Segments READ Segments)
public:
  explicit TBenchGauge(TComponent* owner)
      : TGraphicControl(owner), FSegments(std::make_unique<TCollection>(this, [](TCollection* c) {
          return new TBenchSegment(c);
        })) {}
  int MaxValue() const { return FMax; }
  void SetMaxValue(int v) { FMax = v; }
  int MinValue() const { return FMin; }
  void SetMinValue(int v) { FMin = v; }
  int Position() const { return FPosition; }
  void SetPosition(int v) { FPosition = v; }
  double Ratio() const { return FRatio; }
  void SetRatio(double v) { FRatio = v; }
  TBevelCut Bevel() const { return FBevel; }
  void SetBevel(TBevelCut v) { FBevel = v; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v) { FTransparent = v; }
  TCollection* Segments() const { return FSegments.get(); }
  void SetCells(const QByteArray& v) { FCells = v; }

  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty(
        QStringLiteral("Cells"),
        [this](TStream& s) {
          FCells.resize(qsizetype(s.Size()));
          s.ReadBuffer(FCells.data(), FCells.size());
        },
        [this](TStream& s) { s.WriteBuffer(FCells.constData(), FCells.size()); },
        !FCells.isEmpty());
  }

private:
  int FMax = 100;
  int FMin = 0;
  int FPosition = 0;
  double FRatio = 0;
  TBevelCut FBevel = TBevelCut::bvNone;
  bool FTransparent = false;
  std::unique_ptr<TCollection> FSegments;
  QByteArray FCells;
};

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TBenchGauge>();

constexpr int kPanels = 6;
constexpr int kGaugesPerPanel = 9;
const QByteArray kCells(96, '\x5A');

void SetGauge(TBenchGauge* g, int panel, int index) {
  g->SetBounds(10 + index * 40, 20 + panel * 5, 35, 120);
  g->SetMaxValue(-10);
  g->SetMinValue(-100);
  g->SetPosition(-50 + index);
  g->SetRatio(0.25 * index);
  g->SetCaption(QStringLiteral("Gauge %1.%2").arg(panel).arg(index));
  g->SetColor(TColor(7292981));
  g->SetBevel(TBevelCut::bvLowered);
  g->SetTransparent(true);
  g->SetHint(QStringLiteral("TBenchGauge"));
  g->SetShowHint(true);
  g->Font()->SetName(QStringLiteral("Arial"));
  g->Font()->SetHeight(-19);
  g->Font()->SetColor(TColor(14267539));
  for (int s = 0; s < 2; ++s) {
    auto* segment = static_cast<TBenchSegment*>(g->Segments()->Add());
    segment->SetColor(s ? clSkyBlue : clMoneyGreen);
    segment->SetValue(20 + 10 * s);
  }
  g->SetCells(kCells);
}

// The form built in code, the way a description would build it.
void BuildInCode(TForm& form) {
  kv::LoadingScope scope(&form);
  form.SetName(QStringLiteral("frmBench"));
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetClientWidth(800);
  form.SetClientHeight(600);
  form.SetColor(TColor(7292981));
  auto* box = new TScrollBox(&form);
  box->SetName(QStringLiteral("ScrollBox"));
  box->SetParent(&form);
  box->SetBounds(256, 136, 441, 317);
  box->SetAutoScroll(false);
  for (int p = 0; p < kPanels; ++p) {
    auto* panel = new TScrollBox(&form);
    panel->SetName(QStringLiteral("Panel%1").arg(p));
    panel->SetParent(box);
    panel->SetBounds(0, 0, 441, 317);
    panel->SetBorderStyle(TBorderStyle::bsNone);
    for (int i = 0; i < kGaugesPerPanel; ++i) {
      auto* gauge = new TBenchGauge(&form);
      gauge->SetName(QStringLiteral("Gauge%1_%2").arg(p).arg(i));
      gauge->SetParent(panel);
      SetGauge(gauge, p, i);
    }
  }
}

const QByteArray& Description() {
  static const QByteArray text = [] {
    TForm form(nullptr);
    BuildInCode(form);
    return kv::WriteComponent(&form);
  }();
  return text;
}

void BM_BuildFormInCode(benchmark::State& state) {
  for (auto _ : state) {
    TForm form(nullptr);
    BuildInCode(form);
    benchmark::DoNotOptimize(form.ComponentCount());
  }
  state.SetItemsProcessed(state.iterations() * (1 + kPanels + kPanels * kGaugesPerPanel));
}
BENCHMARK(BM_BuildFormInCode)->Unit(benchmark::kMicrosecond);

void BM_ReadFormDescription(benchmark::State& state) {
  const QByteArray& text = Description();
  for (auto _ : state) {
    TForm form(nullptr);
    kv::ReadComponent(&form, text, QStringLiteral("bench.kvf"));
    benchmark::DoNotOptimize(form.ComponentCount());
  }
  state.SetItemsProcessed(state.iterations() * (1 + kPanels + kPanels * kGaugesPerPanel));
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ReadFormDescription)->Unit(benchmark::kMicrosecond);

void BM_ParseFormDescription(benchmark::State& state) {
  const QByteArray& text = Description();
  for (auto _ : state)
    benchmark::DoNotOptimize(kv::form::ParseDescription(text, QStringLiteral("bench.kvf")));
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ParseFormDescription)->Unit(benchmark::kMicrosecond);

// A form of N sibling controls, as many as a description may hold: reading stays linear.
QByteArray SiblingsDescription(int count) {
  QByteArray text = "object Form: TForm\n  Width = 800\n  Height = 600\n";
  for (int i = 0; i < count; ++i)
    text += "  object G" + QByteArray::number(i) + ": TBenchGauge\n    Left = " +
            QByteArray::number(i % 80 * 10) + "\n    Top = " + QByteArray::number(i / 80 * 10) +
            "\n    Width = 9\n    Height = 9\n    Position = " + QByteArray::number(i % 100) +
            "\n  end\n";
  return text + "end\n";
}

// The events Qt posts to each new widget are delivered, as the event loop does right after the
// read: a form freed with thousands still queued costs Qt a walk of the queue per widget.
void BM_ReadSiblings(benchmark::State& state) {
  const QByteArray text = SiblingsDescription(int(state.range(0)));
  for (auto _ : state) {
    TForm form(nullptr);
    kv::ReadComponent(&form, text, QStringLiteral("siblings.kvf"));
    QCoreApplication::sendPostedEvents();
    benchmark::DoNotOptimize(form.ComponentCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadSiblings)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_WriteFormDescription(benchmark::State& state) {
  TForm form(nullptr);
  BuildInCode(form);
  for (auto _ : state) benchmark::DoNotOptimize(kv::WriteComponent(&form));
}
BENCHMARK(BM_WriteFormDescription)->Unit(benchmark::kMicrosecond);

}  // namespace

#include "FormReadBench.moc"
