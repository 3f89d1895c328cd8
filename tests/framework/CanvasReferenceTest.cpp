// The canvas against the reference renderings in tests/references/canvas: each case of
// cases.txt is drawn from its script and compared with its picture, pixel for pixel. The
// shapes that have a region factory are drawn a second time with the region filled in the
// brush, so that the regions are held to the same pictures.
#include "Graphics.h"
#include "Pixels.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextStream>

#include <gtest/gtest.h>

#include <map>

using kv::ALTERNATE, kv::CreateEllipticRgn, kv::CreatePolygonRgn, kv::CreateRoundRectRgn, kv::Point,
    kv::Rect, kv::WINDING;

namespace {

const QString kCaseDir = QStringLiteral(KV_TEST_REFERENCE_DIR "/canvas");

struct Case {
  std::string name;
  int width = 0, height = 0;
  TColor background = clWhite;
  std::vector<QStringList> commands;
};

TColor ColorOf(const QString& hex) { return TColor(hex.toInt(nullptr, 16)); }

std::vector<Case> ReadCases() {
  QFile file(kCaseDir + QStringLiteral("/cases.txt"));
  std::vector<Case> cases;
  if (!file.open(QIODevice::ReadOnly)) return cases;
  QTextStream in(&file);
  while (!in.atEnd()) {
    const QStringList words = in.readLine().split(' ', Qt::SkipEmptyParts);
    if (words.isEmpty()) continue;
    if (words[0] == QStringLiteral("case") && words.size() == 5) {
      cases.push_back(
          {words[1].toStdString(), words[2].toInt(), words[3].toInt(), ColorOf(words[4]), {}});
    } else if (!cases.empty()) {
      cases.back().commands.push_back(words);
    }
  }
  return cases;
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = ReadCases();
  return cases;
}

// How a case's shapes are drawn: by the canvas alone, or through their regions.
enum class Mode { Canvas, Region };

class Script {
public:
  Script(TCanvas* canvas, Mode mode) : c(canvas), FMode(mode) {}

  // Runs one command; false for an unknown one.
  bool Run(const QStringList& w) {
    const QString& op = w[0];
    auto n = [&](int i) { return w[i].toInt(); };
    if (op == QStringLiteral("pen")) {
      c->Pen()->SetColor(ColorOf(w[1]));
      c->Pen()->SetWidth(n(2));
      c->Pen()->SetStyle(PenStyle(w[3]));
      c->Pen()->SetMode(PenMode(w[4]));
    } else if (op == QStringLiteral("brush")) {
      c->Brush()->SetColor(ColorOf(w[1]));
      c->Brush()->SetStyle(BrushStyle(w[2]));
    } else if (op == QStringLiteral("rect")) {
      c->Rectangle(n(1), n(2), n(3), n(4));
    } else if (op == QStringLiteral("fillrect")) {
      c->FillRect(Rect(n(1), n(2), n(3), n(4)));
    } else if (op == QStringLiteral("framerect")) {
      c->FrameRect(Rect(n(1), n(2), n(3), n(4)));
    } else if (op == QStringLiteral("ellipse")) {
      Shape(CreateEllipticRgn(n(1), n(2), n(3), n(4)), [&] { c->Ellipse(n(1), n(2), n(3), n(4)); });
    } else if (op == QStringLiteral("roundrect")) {
      Shape(CreateRoundRectRgn(n(1), n(2), n(3), n(4), n(5), n(6)),
            [&] { c->RoundRect(n(1), n(2), n(3), n(4), n(5), n(6)); });
    } else if (op == QStringLiteral("pie")) {
      c->Pie(n(1), n(2), n(3), n(4), n(5), n(6), n(7), n(8));
    } else if (op == QStringLiteral("moveto")) {
      c->MoveTo(n(1), n(2));
    } else if (op == QStringLiteral("lineto")) {
      c->LineTo(n(1), n(2));
    } else if (op == QStringLiteral("polyline")) {
      c->Polyline(Points(w, 1));
    } else if (op == QStringLiteral("polygon")) {
      const std::vector<TPoint> points = Points(w, 2);
      const bool winding = w[1] == QStringLiteral("winding");
      Shape(CreatePolygonRgn(points, winding ? WINDING : ALTERNATE), [&] { c->Polygon(points); });
    } else if (op == QStringLiteral("floodfill")) {
      c->FloodFill(n(1), n(2), ColorOf(w[3]), TFillStyle::fsBorder);
    } else if (op == QStringLiteral("pixel")) {
      c->SetPixels(n(1), n(2), ColorOf(w[3]));
    } else {
      return false;
    }
    return true;
  }

private:
  // A shape with a region factory: in region mode its region is filled in the brush and
  // the shape drawn over it with a clear brush, which must give the same pixels.
  template <class Draw>
  void Shape(const TRegion& region, Draw&& draw) {
    if (FMode == Mode::Canvas) {
      draw();
      return;
    }
    c->SelectClipRgn(&region);
    c->Pen()->SetStyle(TPenStyle::psClear);
    c->FillRect(Rect(-1000, -1000, 1000, 1000));
    c->SelectClipRgn(nullptr);
    const TBrushStyle brush = c->Brush()->Style();
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->Pen()->SetStyle(FPenStyle);
    draw();
    c->Brush()->SetStyle(brush);
  }

  TPenStyle PenStyle(const QString& s) {
    FPenStyle = s == QStringLiteral("dot")     ? TPenStyle::psDot
                : s == QStringLiteral("clear") ? TPenStyle::psClear
                                               : TPenStyle::psSolid;
    return FPenStyle;
  }
  static TPenMode PenMode(const QString& s) {
    if (s == QStringLiteral("xor")) return TPenMode::pmXor;
    if (s == QStringLiteral("not")) return TPenMode::pmNot;
    if (s == QStringLiteral("notxor")) return TPenMode::pmNotXor;
    return TPenMode::pmCopy;
  }
  static TBrushStyle BrushStyle(const QString& s) {
    static const std::map<QString, TBrushStyle> kStyles = {
        {QStringLiteral("solid"), TBrushStyle::bsSolid},
        {QStringLiteral("clear"), TBrushStyle::bsClear},
        {QStringLiteral("horizontal"), TBrushStyle::bsHorizontal},
        {QStringLiteral("vertical"), TBrushStyle::bsVertical},
        {QStringLiteral("fdiagonal"), TBrushStyle::bsFDiagonal},
        {QStringLiteral("bdiagonal"), TBrushStyle::bsBDiagonal},
        {QStringLiteral("cross"), TBrushStyle::bsCross},
        {QStringLiteral("diagcross"), TBrushStyle::bsDiagCross},
    };
    const auto it = kStyles.find(s);
    return it == kStyles.end() ? TBrushStyle::bsSolid : it->second;
  }
  // Point pairs after the count at index `countAt`.
  static std::vector<TPoint> Points(const QStringList& w, int countAt) {
    std::vector<TPoint> points;
    for (int i = 0, count = w[countAt].toInt(); i < count; ++i)
      points.push_back(Point(w[countAt + 1 + 2 * i].toInt(), w[countAt + 2 + 2 * i].toInt()));
    return points;
  }

  TCanvas* c;
  Mode FMode;
  TPenStyle FPenStyle = TPenStyle::psSolid;
};

// Draws the case; empty when its script has a command the canvas does not know.
QImage Draw(const Case& k, Mode mode) {
  TBitmap bitmap;
  bitmap.SetSize(k.width, k.height);
  TCanvas* c = bitmap.Canvas();
  c->Brush()->SetColor(k.background);
  c->FillRect(Rect(0, 0, k.width, k.height));
  c->Brush()->SetColor(clWhite);
  Script script(c, mode);
  for (const QStringList& command : k.commands)
    if (!script.Run(command)) {
      ADD_FAILURE() << "unknown command " << command.join(' ').toStdString();
      return {};
    }
  return bitmap.Image().convertToFormat(QImage::Format_RGB32);
}

// Compares the picture of the case with its reference (never rewritten: the references come
// from the other renderer); on a difference, writes the picture to the test output folder.
void ExpectReferencePixels(const Case& k, const QImage& actual, const char* suffix) {
  const QImage expected =
      QImage(kCaseDir + '/' + QString::fromStdString(k.name) + QStringLiteral(".png"))
          .convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(expected.isNull()) << "no picture for case " << k.name;
  const ::testing::AssertionResult same = kvtest::SamePixels(actual, expected);
  if (same) return;
  const QString dir = QStringLiteral(KV_TEST_OUTPUT_DIR "/canvas");
  QDir().mkpath(dir);
  const QString path = dir + '/' + QString::fromStdString(k.name) + suffix;
  actual.save(path, "PNG");
  ADD_FAILURE() << "case " << k.name << ": " << same.message() << "\nsee " << path.toStdString();
}

bool UsesRegionShapes(const Case& k) {
  for (const QStringList& command : k.commands)
    if (command[0] == QStringLiteral("ellipse") || command[0] == QStringLiteral("roundrect") ||
        command[0] == QStringLiteral("polygon"))
      return true;
  return false;
}

bool FillsWinding(const Case& k) {
  for (const QStringList& command : k.commands)
    if (command[0] == QStringLiteral("polygon") && command[1] == QStringLiteral("winding"))
      return true;
  return false;
}

// The indices of the cases that pass the filter.
template <class Filter>
std::vector<size_t> CasesWhere(Filter&& filter) {
  std::vector<size_t> indices;
  for (size_t i = 0; i < Cases().size(); ++i)
    if (filter(Cases()[i])) indices.push_back(i);
  return indices;
}

std::string CaseName(const ::testing::TestParamInfo<size_t>& info) {
  return Cases()[info.param].name;
}

class CanvasReference : public ::testing::TestWithParam<size_t> {};
class RegionReference : public ::testing::TestWithParam<size_t> {};

TEST_P(CanvasReference, CanvasDrawsTheReferencePixels) {
  const Case& k = Cases()[GetParam()];
  ExpectReferencePixels(k, Draw(k, Mode::Canvas), ".actual.png");
}

TEST_P(RegionReference, RegionsHoldTheReferencePixels) {
  const Case& k = Cases()[GetParam()];
  ExpectReferencePixels(k, Draw(k, Mode::Region), ".region.png");
}

// The canvas fills polygons alternate only; the winding case is a region case.
INSTANTIATE_TEST_SUITE_P(Cases, CanvasReference, ::testing::ValuesIn(CasesWhere([](const Case& k) {
                           return !FillsWinding(k);
                         })),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Cases, RegionReference, ::testing::ValuesIn(CasesWhere(UsesRegionShapes)),
                         CaseName);

TEST(CanvasReferenceCases, AllFortyFourCasesAreRead) { EXPECT_EQ(Cases().size(), 44u); }

}  // namespace
