// The controls in a program that has a QApplication and nothing of the framework's own: the
// library's cursor is there when a control first asks for it, and an exception from an
// event handler is reported as it is with the application object.
#include "ExtCtrls.h"
#include "Forms.h"
#include "KvHyperCtrls.h"
#include "KvLabel.h"
#include "Offscreen.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using kv::Application, kv::Exception;

namespace {

struct Report {
  QObject* sender;
  QString message;
};

// Records the reports for one test.
class RecordedReports {
public:
  RecordedReports() {
    kv::SetExceptionReporter([this](QObject* sender, const QString&, const QString& message) {
      All.push_back({sender, message});
    });
  }
  ~RecordedReports() { kv::SetExceptionReporter({}); }
  RecordedReports(const RecordedReports&) = delete;
  RecordedReports& operator=(const RecordedReports&) = delete;
  std::vector<Report> All;
};

void Raise() { throw Exception(QStringLiteral("handler failed")); }

}  // namespace

TEST(WithoutApplication, TheHandCursorIsRegisteredOnFirstUse) {
  ASSERT_EQ(Application, nullptr);
  TKvWebLabel label(nullptr);
  EXPECT_EQ(label.Cursor(), kKvHandCursor);
  // The library's own picture, not a stand-in: its hot spot is the finger tip.
  EXPECT_EQ(label.cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(label.cursor().hotSpot(), QPoint(6, 0));
}

TEST(WithoutApplication, AHandlersExceptionGoesToTheReport) {
  ASSERT_EQ(Application, nullptr);
  RecordedReports reports;
  QWidget window;
  window.resize(100, 40);
  auto* label = new TKvLabel(nullptr);
  label->setParent(&window);
  label->SetBounds(0, 0, 100, 40);
  label->show();
  window.show();
  kvtest::Pump();
  QObject::connect(label, &TControl::OnClick, [](TObject*) { Raise(); });
  QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_EQ(reports.All.size(), 1u);
  EXPECT_EQ(reports.All[0].sender, label);
  EXPECT_EQ(reports.All[0].message, QStringLiteral("handler failed"));

  TTimer timer(nullptr);
  timer.SetInterval(1);
  QObject::connect(&timer, &TTimer::OnTimer, [&](TObject*) {
    timer.SetEnabled(false);
    Raise();
  });
  for (int i = 0; i < 100 && reports.All.size() < 2; ++i) kvtest::Pump(5);
  ASSERT_EQ(reports.All.size(), 2u);
  EXPECT_EQ(reports.All[1].sender, &timer);
}

TEST(WithoutApplication, TheDefaultReportWritesTheMessage) {
  ASSERT_EQ(Application, nullptr);
  ::testing::internal::CaptureStderr();
  kv::Guarded(nullptr, [] { Raise(); });
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "handler failed\n");
}

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication qtApp(argc, argv);
  return RUN_ALL_TESTS();
}
