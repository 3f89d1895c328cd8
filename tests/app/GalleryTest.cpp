// The gallery: a picture of every registered control and a page that shows each one, every
// picture showing something (not one flat colour), in what the tool writes and in docs/.
#include "Designing.h"
#include "Pixels.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

class Gallery : public ::testing::Test {
protected:
  // One run of the tool for every test: it draws the whole demo.
  static void SetUpTestSuite() {
    output = new QTemporaryDir;
    ASSERT_TRUE(output->isValid());
    QProcess gallery;
    gallery.start(QStringLiteral(KV_GALLERY_BINARY), {PagePath()});
    ASSERT_TRUE(gallery.waitForFinished(120000));
    ASSERT_EQ(gallery.exitCode(), 0) << gallery.readAllStandardError().constData();
  }
  static void TearDownTestSuite() {
    delete output;
    output = nullptr;
  }

  static QString PagePath() { return output->filePath(QStringLiteral("gallery.md")); }

  static inline QTemporaryDir* output = nullptr;
};

TEST_F(Gallery, EveryRegisteredControlHasItsPicture) {
  QFile file(PagePath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  const std::vector<const kv::TRegisteredClass*> controls = kv::RegisteredControls();
  ASSERT_FALSE(controls.empty());
  for (const kv::TRegisteredClass* control : controls) {
    const QString name = QString::fromLatin1(control->metaObject->className());
    const QImage picture(output->filePath(QStringLiteral("gallery/%1.png").arg(name)));
    EXPECT_FALSE(picture.isNull() || picture.size().isEmpty()) << qPrintable(name);
    EXPECT_TRUE(text.contains(QStringLiteral("![%1](gallery/%1.png)").arg(name)))
        << qPrintable(name);
  }
}

TEST_F(Gallery, EveryPictureShowsSomething) {
  for (const QString& folder : {output->filePath(QStringLiteral("gallery")),
                                QStringLiteral(KV_GALLERY_DOCS_DIR)}) {
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.png")});
    EXPECT_EQ(files.size(), int(kv::RegisteredControls().size())) << qPrintable(folder);
    for (const QString& file : files) {
      const QImage picture(QDir(folder).filePath(file));
      EXPECT_GT(kvtest::Colours(picture).size(), 1u) << qPrintable(folder + "/" + file);
    }
  }
}

}  // namespace
