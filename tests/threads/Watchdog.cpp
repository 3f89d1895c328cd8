// Every test of this folder runs under a watchdog: a hang ends the process with a message
// instead of blocking the suite.
#include "ThreadTestSupport.h"

#include "Threads.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMetaClassInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

constexpr unsigned kTestSeconds = 30;  // far beyond any test; also under the thread sanitizer

void OnAlarm(int) {
  static const char message[] = "\nwatchdog: the test hung and was stopped\n";
  [[maybe_unused]] auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
  ::_exit(3);
}

class TWatchdogListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    std::signal(SIGALRM, OnAlarm);
    ::alarm(kTestSeconds);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    // Lets objects released during the test (deferred deletions) go before the next one.
    kvtest::PumpFor(10);
    ::alarm(0);
  }
};

const bool gWatchdogInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new TWatchdogListener);
  return true;
}();

}  // namespace

namespace kvtest {

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
  if (done()) return true;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  QEventLoop loop;
  QTimer poll;
  poll.setTimerType(Qt::PreciseTimer);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done() || Clock::now() >= deadline) loop.quit();
  });
  poll.start(1);
  loop.exec();
  return done();
}

void PumpFor(int milliseconds) {
  RunUntil([] { return false; }, milliseconds);
}

int CountThreadsNamed(const char* name) {
  int count = 0;
  for (const QFileInfo& task :
       QDir(QStringLiteral("/proc/self/task")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile comm(task.filePath() + QStringLiteral("/comm"));
    if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name) ++count;
  }
  return count;
}

void TTickLog::Record(const TObject* sender) {
  LastSender.store(sender);
  if (!kv::IsMainThread()) ++OffMainThread;
  ++Ticks;
}

double ProcessCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace kvtest
