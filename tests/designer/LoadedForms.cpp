#include "LoadedForms.h"

#include "Offscreen.h"

#include <QBuffer>
#include <QFile>
#include <QUiLoader>

#if defined(__SANITIZE_ADDRESS__)
#define KV_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_LEAK_CHECKS 1
#endif
#endif
#ifdef KV_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace kvtest {

namespace {

// Qt's form loader is not exception-safe: when a setter raises inside it, what the loader had
// made for itself stays behind. That is the loader's, not the controls'.
struct LoaderLeftoversIgnored {
#ifdef KV_LEAK_CHECKS
  LoaderLeftoversIgnored() { __lsan_disable(); }
  ~LoaderLeftoversIgnored() { __lsan_enable(); }
#endif
};

}  // namespace

std::unique_ptr<QWidget> Load(QIODevice* ui) {
  [[maybe_unused]] const LoaderLeftoversIgnored ignored;
  QUiLoader loader;
  loader.clearPluginPaths();
  loader.addPluginPath(QStringLiteral(KV_DESIGNER_PLUGIN_DIR));
  // Made inside a holder, so that a form whose loading raises leaves nothing behind.
  QWidget holder;
  QWidget* form = loader.load(ui, &holder);
  if (!form) return nullptr;
  form->setParent(nullptr);
  return std::unique_ptr<QWidget>(form);
}

std::unique_ptr<QWidget> Loaded(const QString& name) {
  QFile file(QStringLiteral(KV_TEST_UI_DIR "/") + name);
  if (!file.open(QIODevice::ReadOnly)) return nullptr;
  return Load(&file);
}

std::unique_ptr<QWidget> LoadedText(const QString& ui) {
  QByteArray bytes = ui.toUtf8();
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  return Load(&buffer);
}

QImage FormPicture(QWidget* form) {
  kvtest::Pump();
  return form->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace kvtest
