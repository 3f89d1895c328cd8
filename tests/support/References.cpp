#include "References.h"

#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"

#include <QDir>
#include <QFileInfo>

namespace kvtest {

namespace {

QString ReferencePath(const QString& name) {
  return QStringLiteral(KV_TEST_REFERENCE_DIR) + '/' + name + QStringLiteral(".png");
}

QString OutputPath(const QString& name, const char* suffix) {
  const QString path = QStringLiteral(KV_TEST_OUTPUT_DIR) + '/' + name + QLatin1String(suffix) +
                       QStringLiteral(".png");
  QDir().mkpath(QFileInfo(path).path());
  return path;
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
  // A control that settles its size when it paints (a bar snapping to whole ticks) has done
  // so before the picture is taken, however late the window's first paint came.
  control->Repaint();
  Pump();
  const QImage shot = Grab(form);
  control->SetParent(oldParent);
  control->SetBoundsRect(oldBounds);
  delete form;
  return shot;
}

QImage RenderAt(TControl* control, int32_t background, int ratio) {
  QImage picture(control->Width() * ratio, control->Height() * ratio, QImage::Format_RGB32);
  picture.setDevicePixelRatio(ratio);
  picture.fill(kv::ColorToPixel(TColor(background)));
  control->render(&picture);
  picture.setDevicePixelRatio(1);
  return picture;
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
  const ::testing::AssertionResult same = SamePixels(actual, expected, tolerance);
  if (same) return same;
  const QString actualPath = OutputPath(name, ".actual");
  actual.save(actualPath, "PNG");
  auto failure = ::testing::AssertionFailure() << qPrintable(name) << ": " << same.message()
                                               << "\nsee " << qPrintable(actualPath);
  if (actual.size() == expected.size()) {
    const QString diffPath = OutputPath(name, ".diff");
    DifferencePicture(actual, expected, tolerance).save(diffPath, "PNG");
    failure << " and " << qPrintable(diffPath);
  }
  return failure;
}

}  // namespace kvtest
