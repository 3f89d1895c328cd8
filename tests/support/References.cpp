#include "References.h"

#include "Forms.h"
#include "Offscreen.h"

#include <QDir>
#include <QFileInfo>

namespace kvtest {

namespace {

QString ReferencePath(const QString& name) {
  return QStringLiteral(KV_TEST_REFERENCE_DIR) + '/' + name + QStringLiteral(".png");
}

QString OutputPath(const QString& name, const char* suffix) {
  QDir().mkpath(QStringLiteral(KV_TEST_OUTPUT_DIR));
  return QStringLiteral(KV_TEST_OUTPUT_DIR) + '/' + name + QLatin1String(suffix) +
         QStringLiteral(".png");
}

bool Near(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Red where the pictures differ, a faint copy of the reference elsewhere.
QImage Difference(const QImage& actual, const QImage& expected, int tolerance) {
  QImage diff(actual.size(), QImage::Format_RGB32);
  for (int y = 0; y < diff.height(); ++y)
    for (int x = 0; x < diff.width(); ++x) {
      const QRgb e = expected.pixel(x, y);
      diff.setPixel(x, y,
                    Near(actual.pixel(x, y), e, tolerance)
                        ? qRgb(128 + qGray(e) / 2, 128 + qGray(e) / 2, 128 + qGray(e) / 2)
                        : qRgb(255, 0, 0));
    }
  return diff;
}

}  // namespace

QImage RenderControl(TControl* control, int32_t background, int margin) {
  auto* form = new TForm(nullptr);
  form->SetColor(TColor(background));
  TWinControl* oldParent = control->Parent();
  const TRect oldBounds = control->BoundsRect();
  control->SetParent(form);
  control->SetBounds(margin, margin, oldBounds.Width(), oldBounds.Height());
  ShowForm(form, control->Width() + 2 * margin, control->Height() + 2 * margin);
  const QImage shot = Grab(form);
  control->SetParent(oldParent);
  control->SetBoundsRect(oldBounds);
  delete form;
  return shot;
}

QImage RenderForm(TForm* form) {
  ShowForm(form, form->Width(), form->Height());
  return Grab(form);
}

::testing::AssertionResult MatchesReference(const QImage& actual0, const QString& name,
                                            int tolerance) {
  const QImage actual = actual0.convertToFormat(QImage::Format_RGB32);
  const QString path = ReferencePath(name);
  if (qEnvironmentVariableIntValue("KV_UPDATE_REFERENCES") == 1) {
    QDir().mkpath(QFileInfo(path).path());
    if (!actual.save(path, "PNG"))
      return ::testing::AssertionFailure() << "cannot write " << qPrintable(path);
    return ::testing::AssertionSuccess() << "rewrote " << qPrintable(path);
  }
  const QImage expected = QImage(path).convertToFormat(QImage::Format_RGB32);
  if (expected.isNull())
    return ::testing::AssertionFailure() << "no reference " << qPrintable(path)
                                         << " (run with KV_UPDATE_REFERENCES=1 to make it)";
  if (expected.size() != actual.size()) {
    actual.save(OutputPath(name, ".actual"), "PNG");
    return ::testing::AssertionFailure()
           << qPrintable(name) << ": size " << actual.width() << "x" << actual.height()
           << ", reference " << expected.width() << "x" << expected.height();
  }
  for (int y = 0; y < actual.height(); ++y)
    for (int x = 0; x < actual.width(); ++x) {
      const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
      if (Near(a, e, tolerance)) continue;
      const QString actualPath = OutputPath(name, ".actual");
      const QString diffPath = OutputPath(name, ".diff");
      actual.save(actualPath, "PNG");
      Difference(actual, expected, tolerance).save(diffPath, "PNG");
      return ::testing::AssertionFailure()
             << qPrintable(name) << ": first difference at (" << x << ", " << y
             << "): " << qPrintable(QString::number(a & 0xFFFFFF, 16)) << " instead of "
             << qPrintable(QString::number(e & 0xFFFFFF, 16)) << "; see " << qPrintable(actualPath)
             << " and " << qPrintable(diffPath);
    }
  return ::testing::AssertionSuccess();
}

}  // namespace kvtest
