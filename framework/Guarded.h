// User code (event handlers, timer ticks, paints) runs guarded: an exception it raises is
// reported and never crosses into Qt's event loop. The report needs no application object,
// so a control in a plain Qt program reports the same way.
#pragma once

#include "KvExport.h"

#include <QString>

#include <functional>

class QObject;

namespace kv {

// Reports the exception being handled (call inside a catch); EAbort is silent. In order:
// the handler that takes reports over, else the reporter, else the default report (the
// message on standard error and, one at a time, a non-modal notice). Never raises.
KV_EXPORT void HandleCurrentException(QObject* sender);

// Marks Object as dispatching while the scope lives: an event of it, or a call into user code
// on its behalf, is running. A control freed meanwhile (by its own handler, or with the form it
// lies on) is not destroyed under the running code: see TControl's operator delete.
class KV_EXPORT DispatchScope {
public:
  explicit DispatchScope(const QObject* object);
  ~DispatchScope();
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
};

// Whether Object, or an object inside it (a child, a child's child ...), is dispatching on the
// calling thread.
KV_EXPORT bool IsDispatching(const QObject* object);

// Runs F as a dispatch of Sender; an exception goes to HandleCurrentException. Returns false if
// it raised.
template <class F>
bool Guarded(QObject* sender, F&& f) {
  const DispatchScope dispatching(sender);
  try {
    f();
    return true;
  } catch (...) {
    HandleCurrentException(sender);
    return false;
  }
}

using TExceptionReporter =
    std::function<void(QObject* sender, const QString& className, const QString& message)>;
// Replaces the default report (tests record it); an empty function restores it.
KV_EXPORT void SetExceptionReporter(TExceptionReporter reporter);

// Takes a report over when it returns true (the application object's OnException); an empty
// function removes it.
using TExceptionHandler = std::function<bool(const QString& message)>;
KV_EXPORT void SetExceptionHandler(TExceptionHandler handler);

}  // namespace kv
