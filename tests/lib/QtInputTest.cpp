// The controls as a Qt developer drives them: the mouse wheel moves every input control as its
// arrow keys do, and every control tells layouts the least size its face stays legible at.
// Every test walks all controls registered for form descriptions.
#include "Forms.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMetaMethod>
#include <QTest>
#include <QWheelEvent>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// What a user change tells: the control's own signals in order, with their plain arguments.
// Key, focus and mouse signals are left out: a wheel is none of those.
class SignalLog : public QObject {
 public:
  explicit SignalLog(QObject* sender) {
    const QMetaObject* meta = sender->metaObject();
    for (int i = QWidget::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
      const QMetaMethod m = meta->method(i);
      const QByteArray name = m.name();
      if (m.methodType() != QMetaMethod::Signal || name.startsWith("OnKey") ||
          name.startsWith("OnMouse") || name == "OnEnter" || name == "OnExit")
        continue;
      QMetaObject::connect(sender, i, this, kFirstSlot + int(FSignals.size()));
      FSignals.push_back(m);
    }
  }
  std::vector<std::string> entries;

  int qt_metacall(QMetaObject::Call call, int id, void** args) override {
    id = QObject::qt_metacall(call, id, args);
    if (id < 0 || call != QMetaObject::InvokeMetaMethod) return id;
    const QMetaMethod& m = FSignals.at(size_t(id - (kFirstSlot - QObject::staticMetaObject.methodCount())));
    std::string entry = m.name().toStdString();
    for (int k = 0; k < m.parameterCount(); ++k) {
      const QMetaType type = m.parameterMetaType(k);
      if (type == QMetaType::fromType<int>() || type == QMetaType::fromType<bool>() ||
          type == QMetaType::fromType<double>())
        entry += " " + QVariant(type, args[k + 1]).toString().toStdString();
    }
    entries.push_back(entry);
    return -1;
  }

 private:
  static constexpr int kFirstSlot = 4096;
  std::vector<QMetaMethod> FSignals;
};

// The plain published values of a control (numbers, flags, texts, enumerations).
std::map<std::string, QString> Values(const QObject* control) {
  std::map<std::string, QString> values;
  const QMetaObject* meta = control->metaObject();
  for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
    const QMetaProperty p = meta->property(i);
    if (!p.isWritable() || (!p.isEnumType() && p.metaType() != QMetaType::fromType<int>() &&
                            p.metaType() != QMetaType::fromType<bool>() &&
                            p.metaType() != QMetaType::fromType<double>() &&
                            p.metaType() != QMetaType::fromType<QString>()))
      continue;
    values[p.name()] = p.read(control).toString();
  }
  return values;
}

// A control as it is made, shown on a form, with what it tells logged.
struct Shown {
  TForm form{nullptr};
  std::unique_ptr<TControl> control;
  std::unique_ptr<SignalLog> log;
  explicit Shown(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, nullptr)) {
    form.SetBounds(0, 0, 400, 300);
    control->SetParent(&form);
    // Both controls of a comparison alike; only the keyed one gets the focus.
    if (auto* windowed = dynamic_cast<TWinControl*>(control.get())) windowed->SetTabStop(true);
    form.Show();
    kvtest::Pump();
    log = std::make_unique<SignalLog>(control.get());
  }

  // A turn of Delta units over the control's middle, offered to the widget there and on up to
  // the control as Qt offers a wheel from the window system (the spinner's buttons hand it
  // on); whether the control or a widget on it took it, rather than leaving it to the form.
  bool Wheel(int delta) {
    const QPoint middle = control->rect().center();
    QWidget* under = control->childAt(middle);
    for (QWidget* w = under ? under : control.get(); w; w = w->parentWidget()) {
      const QPointF at = w->mapFrom(control.get(), middle);
      QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
      if (QApplication::sendEvent(w, &e) && e.isAccepted()) return true;
      if (w == control.get()) break;
    }
    return false;
  }

  // The arrow key that raises the value: a fresh control lies along its longer side (the
  // knob, square, takes Right and Left as Up and Down).
  void Arrow(bool up) {
    if (auto* windowed = dynamic_cast<TWinControl*>(control.get())) windowed->SetFocus();
    else control->setFocus();
    const bool vertical = control->height() > control->width();
    const Qt::Key key = vertical ? (up ? Qt::Key_Up : Qt::Key_Down)
                                 : (up ? Qt::Key_Right : Qt::Key_Left);
    QTest::keyClick(control.get(), key);
  }
};

// The controls the user moves; each steps as its arrow keys do.
const std::set<std::string> kInputControls = {"TKvSlider", "TKvSwitch", "TKvTrackBar",
                                              "TKvSpinner", "TKvWheel"};

bool IsInput(const kv::TRegisteredClass& c) {
  return kInputControls.count(kvtest::ClassNameOf(c).toStdString()) > 0;
}

TEST(QtInput, EachNotchOfTheWheelStepsAnInputControlAsItsArrowKeyDoes) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Shown wheeled(*c), keyed(*c);
    const auto before = Values(wheeled.control.get());
    if (!IsInput(*c)) {
      EXPECT_FALSE(wheeled.Wheel(120));
      EXPECT_TRUE(wheeled.log->entries.empty());
      EXPECT_EQ(Values(wheeled.control.get()), before);
      continue;
    }
    for (const bool up : {true, false}) {
      SCOPED_TRACE(up ? "up" : "down");
      wheeled.log->entries.clear();
      keyed.log->entries.clear();
      EXPECT_TRUE(wheeled.Wheel(up ? 120 : -120));
      keyed.Arrow(up);
      EXPECT_FALSE(wheeled.log->entries.empty());
      EXPECT_EQ(wheeled.log->entries, keyed.log->entries);
      EXPECT_EQ(Values(wheeled.control.get()), Values(keyed.control.get()));
    }
    // Without the focus: the wheel goes to the control under the pointer.
    EXPECT_FALSE(wheeled.control->hasFocus());
  }
}

TEST(QtInput, FineWheelDeltasAddUpToAStep) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    if (!IsInput(*c)) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Shown fine(*c), notched(*c);
    const auto before = Values(fine.control.get());
    EXPECT_TRUE(fine.Wheel(60));
    EXPECT_TRUE(fine.log->entries.empty());
    EXPECT_EQ(Values(fine.control.get()), before);
    EXPECT_TRUE(fine.Wheel(60));
    notched.Wheel(120);
    EXPECT_EQ(fine.log->entries, notched.log->entries);
    EXPECT_EQ(Values(fine.control.get()), Values(notched.control.get()));
    // Half a turn back starts afresh: it neither undoes nor completes the step.
    fine.log->entries.clear();
    EXPECT_TRUE(fine.Wheel(-60));
    EXPECT_TRUE(fine.log->entries.empty());
  }
}

TEST(QtInput, TheWheelIsLeftToTheParentWhereTheValueCannotMove) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    if (!IsInput(*c)) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Shown s(*c);
    // Up to the end; the spinner steps a value held elsewhere and has none.
    int notches = 0;
    while (notches < 1000 && s.Wheel(120)) ++notches;
    if (kvtest::ClassNameOf(*c) == QLatin1String("TKvSpinner")) {
      EXPECT_EQ(notches, 1000);
    } else {
      EXPECT_GT(notches, 0);
      EXPECT_LT(notches, 1000);
      s.log->entries.clear();
      EXPECT_FALSE(s.Wheel(120));
      EXPECT_FALSE(s.Wheel(60));
      EXPECT_TRUE(s.log->entries.empty());
      EXPECT_TRUE(s.Wheel(-120));
    }
    s.control->SetEnabled(false);
    s.log->entries.clear();
    EXPECT_FALSE(s.Wheel(-120));
    EXPECT_TRUE(s.log->entries.empty());
  }
}

}  // namespace

// ---- Minimum sizes ------------------------------------------------------------------------

namespace {

TEST(QtSize, EveryControlsLeastSizeIsPositiveAndWithinItsDesignedSize) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    std::unique_ptr<TControl> control(kvtest::NewControl(*c, nullptr));
    const QSize least = control->minimumSizeHint();
    EXPECT_TRUE(least.isValid());
    EXPECT_GT(least.width(), 0);
    EXPECT_GT(least.height(), 0);
    // The form shape takes its form's size, none of its own.
    if (!kvtest::TakesAnyParent(*c)) continue;
    EXPECT_LE(least.width(), control->sizeHint().width());
    EXPECT_LE(least.height(), control->sizeHint().height());
  }
}

// The pixels of a control's text (its caption, its scale's labels) in a plain window, at its
// least size grown by Grow: what changes with the colour of the fonts it draws with (some
// change font under the pointer). The meter's scale labels, which crowd towards the ends of a
// small face, are left out.
int TextPixels(const kv::TRegisteredClass& c, const QString& caption, QSize grow) {
  QWidget window;
  window.resize(800, 600);
  std::unique_ptr<TControl> control(kvtest::NewControl(c, nullptr));
  control->setParent(&window);
  control->setProperty("Labels", 0);
  control->SetCaption(caption);
  const QSize size = control->minimumSizeHint() + grow;
  control->SetBounds(0, 0, size.width(), size.height());
  window.show();
  const auto shot = [&] {
    kvtest::Pump();
    return control->grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  const QImage text = shot();
  const QMetaObject* meta = control->metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    if (meta->property(i).metaType() != QMetaType::fromType<TFont*>()) continue;
    auto* font = meta->property(i).read(control.get()).value<TFont*>();
    font->SetColor(font->Color().Value == 0xFF00FF ? TColor(0x00FF00) : TColor(0xFF00FF));
  }
  const QImage recoloured = shot();
  int pixels = 0;
  for (int y = 0; y < text.height(); ++y)
    for (int x = 0; x < text.width(); ++x) pixels += text.pixel(x, y) != recoloured.pixel(x, y);
  return pixels;
}

TEST(QtSize, AControlAtItsLeastSizeShowsItsWholeText) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    if (c->metaObject->indexOfProperty("Caption") < 0 || !kvtest::TakesAnyParent(*c)) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    const QString caption = QStringLiteral("Kelvara 42");
    const int roomy = TextPixels(*c, caption, QSize(200, 200));
    EXPECT_GT(roomy, 0);
    EXPECT_EQ(TextPixels(*c, caption, QSize(0, 0)), roomy);
  }
}

}  // namespace
