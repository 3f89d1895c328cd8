// The API reference: doxygen's run over the public headers, into a folder of the test's own,
// gives a documented page for every registered control and leaves the internal headers out.
#include "Designing.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ApiReference : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    output = new QTemporaryDir;
    ASSERT_TRUE(output->isValid());
    QProcess doxygen;
    doxygen.start(QStringLiteral(KV_DOXYGEN), {QStringLiteral("-")});
    ASSERT_TRUE(doxygen.waitForStarted());
    doxygen.write(QStringLiteral("@INCLUDE = \"%1\"\nOUTPUT_DIRECTORY = \"%2\"\nWARN_LOGFILE = \"%3\"\n")
                      .arg(QStringLiteral(KV_DOXYFILE), output->path(), WarningsFile())
                      .toUtf8());
    doxygen.closeWriteChannel();
    ASSERT_TRUE(doxygen.waitForFinished(300000));
    ASSERT_EQ(doxygen.exitCode(), 0) << doxygen.readAllStandardError().constData();
  }
  static void TearDownTestSuite() {
    delete output;
    output = nullptr;
  }

  static QString WarningsFile() { return output->filePath(QStringLiteral("warnings.txt")); }
  static QString Page(const QString& name) {
    return output->filePath(QStringLiteral("html/") + name + QStringLiteral(".html"));
  }
  static QString PageText(const QString& name) {
    QFile file(Page(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  static inline QTemporaryDir* output = nullptr;
};

TEST_F(ApiReference, RunsWithoutErrors) {
  QFile warnings(WarningsFile());
  ASSERT_TRUE(warnings.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(warnings.readAll());
  EXPECT_FALSE(text.contains(QStringLiteral("error:"))) << qPrintable(text);
}

TEST_F(ApiReference, EveryRegisteredControlHasADocumentedPage) {
  const std::vector<const kv::TRegisteredClass*> controls = kv::RegisteredControls();
  ASSERT_FALSE(controls.empty());
  for (const kv::TRegisteredClass* control : controls) {
    const QString name = QString::fromLatin1(control->metaObject->className());
    const QString page = PageText(QStringLiteral("class") + name);
    ASSERT_FALSE(page.isEmpty()) << "no page for " << qPrintable(name);
    // Doxygen gives a class a detailed description only when its header comments it.
    EXPECT_TRUE(page.contains(QStringLiteral("Detailed Description"))) << qPrintable(name);
  }
}

TEST_F(ApiReference, GroupsTheClassesByFamily) {
  for (const char* family : {"base", "meters", "leds", "inputs", "labels", "framework"})
    EXPECT_TRUE(QFile::exists(Page(QStringLiteral("group__") + QLatin1String(family)))) << family;
  EXPECT_TRUE(PageText(QStringLiteral("group__meters")).contains(QStringLiteral("classTKvMeter.html")));
  EXPECT_TRUE(PageText(QStringLiteral("group__framework")).contains(QStringLiteral("classTControl.html")));
}

TEST_F(ApiReference, LeavesTheInternalHeadersOut) {
  for (const QString& header : QStringLiteral(KV_INTERNAL_HEADER_NAMES).split(QLatin1Char('|'))) {
    const QString page = QString(header).replace(QLatin1Char('.'), QStringLiteral("_8"));
    EXPECT_FALSE(QFile::exists(Page(page))) << qPrintable(header);
  }
}

}  // namespace
