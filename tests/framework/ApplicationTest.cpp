// The application object's part in the exception report.
#include "Forms.h"

#include <gtest/gtest.h>

#include <vector>

using kv::Application, kv::Exception;

TEST(Application, OnExceptionTakesTheReportOver) {
  std::vector<QString> reported, handled;
  kv::SetExceptionReporter(
      [&](QObject*, const QString&, const QString& message) { reported.push_back(message); });
  const QMetaObject::Connection connection = QObject::connect(
      Application, &TApplication::OnException, [&](TObject* sender, const QString& message) {
        EXPECT_EQ(sender, Application);
        handled.push_back(message);
      });
  kv::Guarded(nullptr, [] { throw Exception(QStringLiteral("first")); });
  QObject::disconnect(connection);
  kv::Guarded(nullptr, [] { throw Exception(QStringLiteral("second")); });
  kv::Guarded(nullptr, [] { throw EAbort(QStringLiteral("silent")); });
  kv::SetExceptionReporter({});
  EXPECT_EQ(handled, std::vector<QString>{QStringLiteral("first")});
  EXPECT_EQ(reported, std::vector<QString>{QStringLiteral("second")});
}
