#include "AccessibleNames.h"

#include <QRegularExpression>

QString ComponentNameInWords(const QString& name) {
  static const QRegularExpression kPrefix(QStringLiteral("^(Kv|[a-z]+)(?=[A-Z])"));
  static const QRegularExpression kNumber(QStringLiteral("\\d+$"));
  static const QRegularExpression kWordStart(QStringLiteral("(?<=[a-z])(?=[A-Z])"));
  QString bare = name;
  bare.remove(kPrefix).remove(kNumber);
  QStringList words = bare.split(kWordStart);
  for (qsizetype i = 1; i < words.size(); ++i) words[i] = words[i].toLower();
  return words.join(QLatin1Char(' '));
}

namespace {

void NameIfUnnamed(TControl* control) {
  if (control->accessibleName().isEmpty() && control->Caption().isEmpty() &&
      control->Hint().isEmpty())
    control->setAccessibleName(ComponentNameInWords(control->Name()));
}

}  // namespace

void NameUnnamedControls(TWinControl* form) {
  NameIfUnnamed(form);
  kv::ForEachControl(form, NameIfUnnamed);
}
