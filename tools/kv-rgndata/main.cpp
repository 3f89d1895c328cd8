// kv-rgndata: the stored window region of a form-shape mask, for a form description.
//
// Scans the mask picture exactly as a form shape does when its Mask changes at run time
// (every pixel that is not MASKCOLOR belongs to the window; the last column never does) and
// prints the result as the form shape's "RgnData" entry, as the form writer writes it,
// DEPTH levels deep (default 2: a form shape placed directly on the form). A form shape
// applies this stored data at start-up and never scans its mask there, so the entry must be
// regenerated whenever the mask picture changes. The demo's main window:
//
//   build/tools/kv-rgndata app/pictures/DEMO_WINDOW.bmp clWhite > /tmp/rgndata.txt
//
// then replace the "RgnData = { ... }" block of KvFormShape in app/forms/frmQelDemo.kvf
// with the output. The test FormShapeRgnData.DemoDescriptionMatchesItsWindowImage fails
// while the two differ.
#include "Forms.h"
#include "KvFormShape.h"
#include "KvSysUtilsInternal.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

using kv::Exception, kv::GetRegionData, kv::IdentToColor;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kv-rgndata IMAGE.bmp MASKCOLOR [DEPTH]\n"
               "  Prints the \"RgnData\" entry of a form shape whose Mask is IMAGE.bmp and whose\n"
               "  MaskColor is MASKCOLOR (a colour name such as clWhite, or a number), DEPTH\n"
               "  levels deep in the form description (default 2). For the demo:\n"
               "    kv-rgndata app/pictures/DEMO_WINDOW.bmp clWhite\n"
               "  and put the output in place of the RgnData block of app/forms/frmQelDemo.kvf.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The form shape is a control: it needs the widget application, never a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 3 || args.size() > 4) return Usage();
  TColor maskColor;
  if (!IdentToColor(args[2], maskColor)) {
    bool numberOk = false;
    const int value = args[2].toInt(&numberOk, 0);
    if (!numberOk) {
      std::fprintf(stderr, "kv-rgndata: %s is not a colour\n", qPrintable(args[2]));
      return 2;
    }
    maskColor = TColor(value);
  }
  bool depthOk = true;
  const int depth = args.size() == 4 ? args[3].toInt(&depthOk) : 2;
  if (!depthOk || depth < 0 || depth > 32) return Usage();
  try {
    TApplication application;
    TBitmap mask;
    mask.LoadFromFile(args[1]);
    const QByteArray entry = kv::RgnDataEntry(mask, maskColor, depth);
    if (entry.isEmpty()) {
      std::fprintf(stderr, "kv-rgndata: no pixel of %s lies inside the window\n",
                   qPrintable(args[1]));
      return 1;
    }
    std::fwrite(entry.constData(), 1, size_t(entry.size()), stdout);
    const QByteArray data = GetRegionData(kv::MaskRegion(mask, maskColor));
    std::fprintf(stderr,
                 "kv-rgndata: %lld bytes of region data (%lld rectangles) from %d x %d pixels\n",
                 static_cast<long long>(data.size()),
                 static_cast<long long>((data.size() - 32) / 16), mask.Width(), mask.Height());
  } catch (const Exception& e) {
    std::fprintf(stderr, "kv-rgndata: %s\n", qPrintable(e.Message()));
    return 1;
  }
  return 0;
}
