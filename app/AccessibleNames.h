// Names for assistive technology of the demo's controls that show no caption and have no hint
// (a meter, a wheel, the panels): their component name in words, set as the accessible name
// when the form is read. The form descriptions stay as they are.
#pragma once

#include "Controls.h"

#include <QString>

// "KvLedClock1" reads "Led clock", "frmMeters" "Meters": the maker's or the kind's prefix and a
// trailing number dropped, the words of the camel case split.
QString ComponentNameInWords(const QString& name);

// Gives the form and every control on it that would read nameless the name of its component in
// words; a name, caption or hint of its own is left as it is.
void NameUnnamedControls(TWinControl* form);
