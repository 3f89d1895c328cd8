// The QML items in a Qt Quick scene (software scene graph, off-screen): one of each, against
// the controls they stand for.
#include "Controls.h"
#include "Designing.h"
#include "Forms.h"
#include "KvClasses.h"
#include "KvBorder.h"
#include "KvMeter.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "RegisteredControls.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QQmlEngine>
#include <QTemporaryFile>
#include <QQuickItem>
#include <QQuickView>
#include <QSGRendererInterface>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

namespace {

// What the item takes from the control itself rather than as a property of its own.
const QByteArrayList kTakenByItem = {"Left",     "Top",      "Width",          "Height",
                                     "Align",    "Visible",  "Enabled",        "Hint",
                                     "ShowHint", "ParentShowHint", "ParentColor", "ParentFont",
                                     "TabOrder", "TabStop",  "Cursor",         "Name", "Tag"};

// Lower camel case: a leading run of capitals is one word but for a last capital that starts
// the next word (NeedleColor -> needleColor, URL -> url, LEDColor -> ledColor).
QByteArray LowerFirst(QByteArray name) {
  int upper = 0;
  while (upper < name.size() && QChar(name[upper]).isUpper()) ++upper;
  const int lower = upper > 1 && upper < name.size() ? upper - 1 : upper;
  for (int i = 0; i < lower; ++i) name[i] = char(QChar(name[i]).toLower().toLatin1());
  return name;
}

std::vector<const QMetaObject*> LibraryControls() {
  std::vector<const QMetaObject*> controls;
  for (const kv::TRegisteredClass* c : kv::RegisteredControls())
    if (QByteArray(c->metaObject->className()).toLower().startsWith("tkv"))
      controls.push_back(c->metaObject);
  return controls;
}

class QuickItems : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  }

  // A view of the QML text, shown, its scene settled.
  std::unique_ptr<QQuickView> Show(const QByteArray& qml) {
    auto view = std::make_unique<QQuickView>();
    view->engine()->addImportPath(QStringLiteral(KV_QML_IMPORT_DIR));
    view->setColor(Qt::white);
    view->setResizeMode(QQuickView::SizeViewToRootObject);
    view->resize(1600, 1200);
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/kv-qml-XXXXXX.qml"));
    file.setAutoRemove(false);
    file.open();
    file.write(qml);
    file.close();
    view->setSource(QUrl::fromLocalFile(file.fileName()));
    QFile::remove(file.fileName());
    for (const QQmlError& e : view->errors()) ADD_FAILURE() << e.toString().toStdString();
    view->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    kvtest::Pump(50);
    return view;
  }

  // The generated scene with one of each item, each with the control it stands for.
  std::vector<std::pair<QQuickItem*, const QMetaObject*>> ShowEveryItem() {
    QFile file(QStringLiteral(KV_QML_SCENE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    FView = Show(file.readAll());
    const QList<QQuickItem*> items = FView->rootObject()->childItems();
    const auto controls = LibraryControls();
    EXPECT_EQ(size_t(items.size()), controls.size()) << "one item per control";
    std::vector<std::pair<QQuickItem*, const QMetaObject*>> pairs;
    for (size_t i = 0; i < controls.size() && i < size_t(items.size()); ++i)
      pairs.emplace_back(items[qsizetype(i)], controls[i]);
    return pairs;
  }

  std::unique_ptr<QQuickView> FView;

  // The item's pixels in the window, in device pixels.
  static QImage PictureOf(QQuickView& view, QQuickItem* item) {
    const QImage window = view.grabWindow();
    // The software scene graph's grab is in device pixels but says ratio 1.
    const qreal ratio = view.devicePixelRatio();
    const QRectF area = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    const QRect pixels = QRectF(area.topLeft() * ratio, area.size() * ratio).toAlignedRect();
    return window.copy(pixels).convertToFormat(QImage::Format_RGB32);
  }
};

// Each item shows exactly the picture of its control at the same settings: those it is made
// with, and the bounds the item gives it (some controls size themselves from them). The
// picture is in device pixels and at the rendering quality the application chose: ctest
// runs this at device pixel ratio 2 and at the smooth quality too.
TEST_F(QuickItems, EveryItemShowsItsControlsPicture) {
  // A clock's face shows the time: both read one fixed moment, running or not.
  const kvtest::FixedClock clock;
  const auto items = ShowEveryItem();
  for (const auto& [item, meta] : items)
    if (QByteArray(meta->className()) == "TKvLedClock") item->setProperty("active", true);
  kvtest::Pump(50);
  for (const auto& [item, meta] : items) {
    SCOPED_TRACE(meta->className());
    std::unique_ptr<TComponent> made(kv::FindRegisteredClass(meta->className())->create(nullptr));
    auto* control = dynamic_cast<TControl*>(made.get());
    control->SetBounds(0, 0, control->Width(), control->Height());
    if (control->Width() == 0 || control->Height() == 0) {
      EXPECT_EQ(item->size(), QSizeF(0, 0));
      continue;
    }
    // A control that settles its size as it paints (a bar snapping to whole ticks) did so in
    // the item: its picture is taken again at the size it settled to.
    const QSize unsettled = control->size();
    QImage drawn = kv::ControlPicture(control);
    if (control->size() != unsettled) drawn = kv::ControlPicture(control);
    EXPECT_SAME_PIXELS(PictureOf(*FView, item), drawn);
  }
}

// The generated items follow the controls: every property a control publishes is one of its
// item's (by its lower camel name, or with the item's name in front where Item has the name)
// and notifies, unless the item stands for it itself or QML cannot hold it.
TEST_F(QuickItems, EveryPublishedPropertyIsAnItemPropertyThatNotifies) {
  for (const auto& [shown, meta] : ShowEveryItem()) {
    const QMetaObject& item = *shown->metaObject();
    std::unique_ptr<TComponent> made(kv::FindRegisteredClass(meta->className())->create(nullptr));
    auto* control = dynamic_cast<QObject*>(made.get());
    for (int p = QWidget::staticMetaObject.propertyCount(); p < meta->propertyCount(); ++p) {
      const QMetaProperty published = meta->property(p);
      const QByteArray name = published.name();
      const QVariant value = published.read(control);
      const bool object = value.metaType().flags() & QMetaType::PointerToQObject;
      if (kTakenByItem.contains(name) || (object && !published.isStored()) ||
          published.typeName() == QByteArray("TPicture*") || published.typeName() == QByteArray("TBitmap*"))
        continue;
      // References to other components stay with C++; a collection is its number of items.
      QObject* held = object ? qvariant_cast<QObject*>(value) : nullptr;
      if (object && (!held || dynamic_cast<TComponent*>(held))) continue;
      const QByteArray suffix = held && held->inherits("TCollection") ? "Count" : "";
      int index = item.indexOfProperty(LowerFirst(name) + suffix);
      if (index < 0)  // a name Item has: the item's name in front
        index = item.indexOfProperty(LowerFirst(QByteArray(meta->className()).mid(3)) + name + suffix);
      SCOPED_TRACE((QByteArray(meta->className()) + "." + name).constData());
      ASSERT_GE(index, 0) << "no item property";
      EXPECT_TRUE(item.property(index).hasNotifySignal() || item.property(index).isConstant());
    }
  }
}

// A binding from the slider's position moves the meter; the wheel and the arrow keys move
// the slider as they move its widget.
TEST_F(QuickItems, BindingsWheelAndKeysReachTheControls) {
  const auto view = Show(R"(
import QtQuick
import Kelvara
Column {
    TrackBar { id: bar; objectName: "bar"; focus: true }
    Meter { objectName: "meter"; position: bar.position }
}
)");
  auto* bar = view->rootObject()->findChild<QQuickItem*>(QStringLiteral("bar"));
  auto* meter = view->rootObject()->findChild<QQuickItem*>(QStringLiteral("meter"));
  ASSERT_TRUE(bar && meter);
  bar->setProperty("position", 7);
  EXPECT_EQ(meter->property("position").toInt(), 7);

  const QPointF centre = bar->mapToScene(QPointF(bar->width() / 2, bar->height() / 2));
  QWheelEvent wheel(centre, view->mapToGlobal(centre.toPoint()), QPoint(), QPoint(0, 120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(view.get(), &wheel);
  const int wheeled = bar->property("position").toInt();
  EXPECT_NE(wheeled, 7) << "the wheel moves the bar";
  EXPECT_EQ(meter->property("position").toInt(), wheeled);

  bar->forceActiveFocus();
  QTest::keyClick(view.get(), Qt::Key_Right);
  EXPECT_NE(bar->property("position").toInt(), wheeled) << "an arrow key moves the bar";
  EXPECT_EQ(meter->property("position").toInt(), bar->property("position").toInt());
}

// Settings written in QML reach the control in its own terms: a colour, a grouped style
// property with an enumeration value, a text and the value; the picture is the control's with
// the same settings made in C++. A click on the item is the control's OnClick, a QML signal.
TEST_F(QuickItems, SettingsAndEventsCrossBetweenQmlAndTheControl) {
  const auto view = Show(R"(
import QtQuick
import Kelvara
Meter {
    property int clicks: 0
    needleColor: "#ff0000"
    bevel.outerStyle: Kv.BevelStyleBsRaised
    caption: "Load"
    position: 30
    onClicked: clicks++
}
)");
  QQuickItem* item = view->rootObject();
  TKvMeter meter(nullptr);
  meter.SetNeedleColor(clRed);
  meter.Bevel()->SetOuterStyle(TKvBevelStyle::bsRaised);
  meter.SetCaption(QStringLiteral("Load"));
  meter.SetPosition(30);
  EXPECT_SAME_PIXELS(PictureOf(*view, item), kv::ControlPicture(&meter));
  EXPECT_EQ(item->property("needleColor").value<QColor>(), QColor(Qt::red));

  QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(item->property("clicks").toInt(), 1);
}

}  // namespace

namespace {

// The controls that take the keyboard: windowed ones that sit on any parent and hold no
// controls of their own.
bool IsInput(const kv::TRegisteredClass& c) {
  std::unique_ptr<TComponent> made(c.create(nullptr));
  auto* windowed = dynamic_cast<TWinControl*>(made.get());
  QAccessibleInterface* face = windowed ? QAccessible::queryAccessibleInterface(windowed) : nullptr;
  return windowed && kvtest::TakesAnyParent(c) && face && face->role() != QAccessible::Pane;
}

// The control of class C as its widget shows it with the focus, in an active window.
QImage FocusedPicture(const kv::TRegisteredClass& c) {
  TForm form(nullptr);
  auto* control = dynamic_cast<TWinControl*>(kvtest::NewControl(c, &form));
  control->SetParent(&form);
  control->SetBounds(0, 0, control->Width(), control->Height());
  kvtest::ShowForm(&form, control->Width(), control->Height());
  control->SetTabStop(true);
  control->SetFocus();
  kvtest::Pump();
  EXPECT_TRUE(control->Focused());
  return kv::ControlPicture(control);
}

// What a key may do to an input control: click it or change its value.
struct Answer {
  explicit Answer(TControl* control) : FControl(control), FValue(Value()) {
    const QMetaObject* meta = control->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i)
      if (meta->method(i).methodType() == QMetaMethod::Signal &&
          meta->method(i).name().endsWith("Click"))
        FClicks.push_back(std::make_unique<QSignalSpy>(control, meta->method(i)));
  }
  QVariant Value() const {
    const QMetaProperty value = FControl->metaObject()->userProperty();
    return value.isValid() ? value.read(FControl) : QVariant();
  }
  bool Given() const {
    for (const auto& spy : FClicks)
      if (spy->count() > 0) return true;
    return Value() != FValue;
  }
  TControl* FControl;
  QVariant FValue;
  std::vector<std::unique_ptr<QSignalSpy>> FClicks;
};

}  // namespace

// The tab key walks through every input item; each takes the active focus, its control the
// focus as a widget (OnEnter told once) and shows it with the widget's focus mark, and a key
// moves it.
TEST_F(QuickItems, TabWalksEveryInputItemWhichShowsItsFocusAndHearsKeys) {
  const kvtest::PointerAway away;
  std::vector<const kv::TRegisteredClass*> inputs;
  std::map<QByteArray, QImage> focused;
  QByteArray scene = "import QtQuick\nimport Kelvara\nFlow {\n    width: 1200\n";
  for (const kv::TRegisteredClass* c : kv::RegisteredControls()) {
    const QByteArray name = c->metaObject->className();
    if (!name.toLower().startsWith("tkv") || !IsInput(*c)) continue;
    inputs.push_back(c);
    focused[name] = FocusedPicture(*c);
    scene += "    " + name.mid(3) + " { objectName: \"" + name + "\"; activeFocusOnTab: true }\n";
  }
  // Three buttons, the spinner, the check LED, the switch, the track bar and the slider.
  EXPECT_EQ(inputs.size(), 8u);
  const auto view = Show(scene + "}\n");
  view->requestActivate();
  kvtest::Pump(50);
  std::map<QByteArray, std::unique_ptr<QSignalSpy>> enters;
  for (const kv::TRegisteredClass* c : inputs) {
    const QString name = QString::fromLatin1(c->metaObject->className());
    auto* item = view->rootObject()->findChild<QQuickItem*>(name);
    ASSERT_NE(item, nullptr);
    enters[name.toLatin1()] = std::make_unique<QSignalSpy>(item, SIGNAL(enter()));
  }
  std::set<QByteArray> visited;
  for (size_t i = 0; i < inputs.size(); ++i) {
    QTest::keyClick(view.get(), Qt::Key_Tab);
    kvtest::Pump(20);
    QQuickItem* item = view->activeFocusItem();
    ASSERT_NE(item, nullptr) << "tab " << i << " reaches an item";
    const QByteArray name = item->objectName().toLatin1();
    SCOPED_TRACE(name.constData());
    EXPECT_TRUE(visited.insert(name).second) << "each once";
    // The item's control has Qt's focus.
    auto* control = dynamic_cast<TControl*>(QApplication::focusWidget());
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(QByteArray(control->metaObject()->className()), name);
    EXPECT_EQ(enters[name]->count(), 1) << "the control tells it was entered, as a widget";
    EXPECT_SAME_PIXELS(PictureOf(*view, item), focused[name]);
    const Answer answer(control);
    bool answered = false;
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down,
                              Qt::Key_Left, Qt::Key_Home, Qt::Key_End}) {
      QTest::keyClick(view.get(), key);
      kvtest::Pump();
      answered = answered || answer.Given();
    }
    EXPECT_TRUE(answered) << "a key moves it";
  }
  EXPECT_EQ(visited.size(), inputs.size());
}

// A handler answers an event with out-parameters by setting them on the event object it is
// handed: the tank takes the range its out-of-range handler gives and refuses an answer it
// cannot take, as from C++; a key the key-down handler swallowed does not press a button.
TEST_F(QuickItems, HandlersAnswerEventsThroughTheirEventObject) {
  const auto view = Show(R"(
import QtQuick
import Kelvara
Column {
    Tank {
        objectName: "tank"
        property bool refuse: false
        onOutofRange: (event) => { if (refuse) event.min = -Infinity; else event.max = event.pos + 10 }
    }
    DemoButton {
        objectName: "button"
        property bool swallow: true
        property int clicks: 0
        onKeyDown: (event) => { if (swallow) event.key = 0 }
        onClicked: clicks++
    }
}
)");
  auto* tank = view->rootObject()->findChild<QQuickItem*>(QStringLiteral("tank"));
  auto* button = view->rootObject()->findChild<QQuickItem*>(QStringLiteral("button"));
  ASSERT_TRUE(tank && button);
  const double min = tank->property("min").toDouble();
  tank->setProperty("position", 150.0);
  EXPECT_EQ(tank->property("max").toDouble(), 160.0);
  EXPECT_EQ(tank->property("position").toDouble(), 150.0);
  tank->setProperty("refuse", true);
  tank->setProperty("position", 200.0);
  EXPECT_EQ(tank->property("min").toDouble(), min);
  EXPECT_EQ(tank->property("max").toDouble(), 160.0);

  button->forceActiveFocus();
  QTest::keyClick(view.get(), Qt::Key_Space);
  kvtest::Pump();
  EXPECT_EQ(button->property("clicks").toInt(), 0) << "the handler swallowed the key";
  button->setProperty("swallow", false);
  QTest::keyClick(view.get(), Qt::Key_Space);
  kvtest::Pump();
  EXPECT_EQ(button->property("clicks").toInt(), 1);
}

// A value name two enumerations share is written with its enumeration's name, so each
// means its own value; a name only one has stays as it is.
TEST_F(QuickItems, SharedEnumerationValueNamesMeanTheirOwnEnumerationsValue) {
  const auto view = Show(R"(
import QtQuick
import Kelvara
Item {
    property var values: [Kv.BevelStyleBsRaised, Kv.BorderStyleBsRaised, Kv.BevelStyleBsLowered,
                          Kv.BorderStyleBsLowered, Kv.BsNone, Kv.OrientationVoHorizontal,
                          Kv.DirectionVoVertical]
}
)");
  const QVariantList values = view->rootObject()->property("values").toList();
  const QList<int> expected = {int(TKvBevelStyle::bsRaised), int(TKvBorderStyle::bsRaised),
                               int(TKvBevelStyle::bsLowered), int(TKvBorderStyle::bsLowered),
                               int(TKvBevelStyle::bsNone), 1, 0};
  ASSERT_EQ(values.size(), expected.size());
  for (qsizetype i = 0; i < values.size(); ++i) EXPECT_EQ(values[i].toInt(), expected[i]) << i;
}
