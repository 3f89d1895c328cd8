// The gallery: a picture of every registered control and a page that shows each one.
#include "Designing.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

TEST(Gallery, EveryRegisteredControlHasItsPicture) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString page = dir.filePath(QStringLiteral("gallery.md"));
  QProcess gallery;
  gallery.start(QStringLiteral(KV_GALLERY_BINARY), {page});
  ASSERT_TRUE(gallery.waitForFinished(120000));
  ASSERT_EQ(gallery.exitCode(), 0) << gallery.readAllStandardError().constData();

  QFile file(page);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  const std::vector<const kv::TRegisteredClass*> controls = kv::RegisteredControls();
  ASSERT_FALSE(controls.empty());
  for (const kv::TRegisteredClass* control : controls) {
    const QString name = QString::fromLatin1(control->metaObject->className());
    const QImage picture(dir.filePath(QStringLiteral("gallery/%1.png").arg(name)));
    EXPECT_FALSE(picture.isNull() || picture.size().isEmpty()) << qPrintable(name);
    EXPECT_TRUE(text.contains(QStringLiteral("![%1](gallery/%1.png)").arg(name)))
        << qPrintable(name);
  }
}
