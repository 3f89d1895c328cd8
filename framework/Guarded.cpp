#include "Guarded.h"

#include "SysUtils.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>

#include <cstdio>
#include <exception>
#include <typeinfo>
#include <vector>

using kv::Exception;

namespace kv {

namespace {

// GUI thread only, as the code that raises.
TExceptionReporter gReporter;
TExceptionHandler gHandler;
QPointer<QMessageBox> gNotice;

// One notice at a time: timers may raise again while it is up.
void ShowNotice(const QString& text) {
  if (gNotice || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ||
      QGuiApplication::platformName() == QLatin1String("offscreen"))
    return;
  const QString title = QGuiApplication::applicationDisplayName();
  auto* box = new QMessageBox(QMessageBox::Critical,
                              title.isEmpty() ? QStringLiteral("Error") : title, text);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  // Parentless: it goes with the event loop rather than outliving the application.
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, box,
                   [box] { delete box; });
  gNotice = box;
  box->show();
}

// The objects dispatching on this thread, innermost last. Weak: a sender that is no control
// (a timer) may be freed by its own handler while its scope lives.
thread_local std::vector<QPointer<const QObject>> gDispatching;

}  // namespace

DispatchScope::DispatchScope(const QObject* object) { gDispatching.emplace_back(object); }

DispatchScope::~DispatchScope() { gDispatching.pop_back(); }

bool IsDispatching(const QObject* object) {
  for (const QPointer<const QObject>& entry : gDispatching)
    for (const QObject* o = entry.data(); o; o = o->parent())
      if (o == object) return true;
  return false;
}

void HandleCurrentException(QObject* sender) {
  if (!std::current_exception()) return;
  QString className;
  QString message;
  try {
    throw;
  } catch (const EAbort&) {
    return;
  } catch (const std::exception& e) {
    className = QString::fromLatin1(typeid(e).name());
    const auto* framework = dynamic_cast<const Exception*>(&e);
    message = framework ? framework->Message() : QString::fromUtf8(e.what());
  } catch (...) {
    className = QStringLiteral("unknown");
    message = QStringLiteral("Unknown exception");
  }
  try {
    if (gHandler && gHandler(message)) return;
    if (gReporter) {
      gReporter(sender, className, message);
      return;
    }
  } catch (...) {
    std::fprintf(stderr, "exception in the exception handler\n");
    return;
  }
  std::fprintf(stderr, "%s\n", qPrintable(message));
  ShowNotice(message);
}

void SetExceptionReporter(TExceptionReporter reporter) { gReporter = std::move(reporter); }

void SetExceptionHandler(TExceptionHandler handler) { gHandler = std::move(handler); }

}  // namespace kv
