// Accelerator marks of captions: "&x" marks x as the accelerator, "&&" is a plain "&".
// The canvas draws a caption by this rule and assistive technology reads it by the same one,
// so what is heard is what is shown.
#pragma once

#include "KvExport.h"

#include <QString>

namespace kv {

// A caption as it is drawn: the marks taken out, and the character underlined.
struct CaptionText {
  QString Text;
  int Underline = -1;  // index into Text of the first marked character, -1 for none
};

// "&&" becomes "&" and "&x" becomes x (the first one underlined); a "&" that ends the caption
// marks nothing and stays.
KV_EXPORT CaptionText StripAccelerators(const QString& caption);

}  // namespace kv
