#include "Accelerators.h"

namespace kv {

CaptionText StripAccelerators(const QString& caption) {
  CaptionText shown;
  shown.Text.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != QLatin1Char('&') && shown.Underline < 0)
        shown.Underline = int(shown.Text.size());
    }
    shown.Text += caption[i];
  }
  return shown;
}

}  // namespace kv
