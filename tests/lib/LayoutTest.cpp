// Controls in Qt layouts and plain Qt windows, as a QLabel is there. Every test walks all
// controls registered for form descriptions that take a parent other than a form.
#include "Forms.h"
#include "KvButtons.h"
#include "KvLabel.h"
#include "KvMeter.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QVBoxLayout>

#include <memory>

namespace {

// The controls a plain Qt window can hold.
std::vector<const kv::TRegisteredClass*> LayoutControls() {
  std::vector<const kv::TRegisteredClass*> controls;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls())
    if (kvtest::TakesAnyParent(*c)) controls.push_back(c);
  return controls;
}

// A plain window with a label above a vertical box layout's free place.
struct Window {
  QWidget widget;
  QVBoxLayout* layout = new QVBoxLayout(&widget);
  QLabel* label = new QLabel(QStringLiteral("Above"));

  explicit Window(QSize size = QSize(600, 500)) {
    widget.resize(size);
    layout->addWidget(label);
  }
  void Show() {
    widget.show();
    kvtest::Pump();
  }
};

// Shown, inside the window and below its label.
::testing::AssertionResult PlacedAndShown(const TControl* control, const Window& window) {
  if (!control->isVisible() || !control->Visible())
    return ::testing::AssertionFailure() << "not shown (isHidden " << control->isHidden() << ")";
  if (control->parentWidget() != &window.widget)
    return ::testing::AssertionFailure() << "not in the window";
  if (control->y() < window.label->geometry().bottom())
    return ::testing::AssertionFailure() << "at y " << control->y() << ", not below the label";
  return ::testing::AssertionSuccess();
}

TEST(Layout, EveryControlAddedBeforeOrAfterItsWindowShowsIsPlacedAndShownAsVisibleSays) {
  for (const kv::TRegisteredClass* c : LayoutControls()) {
    for (const bool afterShow : {false, true}) {
      SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString() + (afterShow ? " after" : " before"));
      Window window;
      if (afterShow) window.Show();
      TControl* control = kvtest::NewControl(*c, nullptr);
      TControl* hidden = kvtest::NewControl(*c, nullptr);
      hidden->SetVisible(false);
      window.layout->addWidget(control);
      window.layout->addWidget(hidden);
      if (!afterShow) window.Show();
      kvtest::Pump();
      EXPECT_TRUE(PlacedAndShown(control, window));
      EXPECT_TRUE(hidden->isHidden());
      hidden->SetVisible(true);
      kvtest::Pump();
      EXPECT_TRUE(PlacedAndShown(hidden, window));
    }
  }
}

TEST(Layout, TheSizeHintIsTheDesignedSizeAndTheLayoutsSizeIsNot) {
  for (const kv::TRegisteredClass* c : LayoutControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Window window;
    TControl* control = kvtest::NewControl(*c, nullptr);
    EXPECT_EQ(control->sizeHint(), control->size());
    // The least legible size, which the designed size meets.
    const QSize least = control->minimumSizeHint();
    EXPECT_TRUE(least.isValid() && least.boundedTo(control->size()) == least);
    const QSizePolicy::Policy autoSized =
        control->AutoSize() ? QSizePolicy::Fixed : QSizePolicy::Preferred;
    EXPECT_EQ(control->sizePolicy().horizontalPolicy(), autoSized);
    EXPECT_EQ(control->sizePolicy().verticalPolicy(), autoSized);

    // Parented, an auto-sized control may measure in its parent's font.
    window.layout->addWidget(control);
    const QSize designed = control->size();
    EXPECT_EQ(control->sizeHint(), designed);
    window.Show();
    EXPECT_EQ(control->sizeHint(), designed)
        << "after the layout gave " << control->width() << " x " << control->height();
    control->SetBounds(0, 0, designed.width() + 13, designed.height() + 7);
    EXPECT_EQ(control->sizeHint(), control->size());
  }
}

TEST(Layout, ASqueezedLayoutKeepsTheSizeOfAnAutoSizedControl) {
  for (const kv::TRegisteredClass* c : LayoutControls()) {
    if (c->metaObject->indexOfProperty("AutoSize") < 0) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Window window(QSize(30, 12));
    window.layout->setSizeConstraint(QLayout::SetNoConstraint);
    TControl* control = kvtest::NewControl(*c, nullptr);
    control->SetCaption(QStringLiteral("A caption wider than the window"));
    control->SetAutoSize(true);
    EXPECT_EQ(control->sizePolicy(), QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed));
    window.layout->addWidget(control);
    window.layout->addWidget(new QLabel(QStringLiteral("Below")));
    const QSize own = control->size();
    window.Show();
    EXPECT_EQ(control->size(), own);
    // A layout's setGeometry goes through the size rules too.
    control->setGeometry(0, 0, 3, 2);
    EXPECT_EQ(control->size(), own);
  }
}

TEST(Layout, AnAutoSizedControlTellsItsLayoutOfItsNewSize) {
  Window window;
  auto* label = new TKvLabel(nullptr);
  label->SetAutoSize(true);
  label->SetCaption(QStringLiteral("Short"));
  window.layout->addWidget(label);
  window.Show();
  label->SetCaption(QStringLiteral("A rather longer caption"));
  EXPECT_EQ(label->sizeHint(), label->size());
  kvtest::Pump();
  EXPECT_EQ(window.layout->itemAt(1)->geometry().size(), label->size());
}

TEST(Layout, EveryControlMovesBetweenTwoShownWindows) {
  for (const kv::TRegisteredClass* c : LayoutControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Window first, second;
    first.Show();
    second.Show();
    TControl* control = kvtest::NewControl(*c, nullptr);
    first.layout->addWidget(control);
    kvtest::Pump();
    second.layout->addWidget(control);
    kvtest::Pump();
    EXPECT_TRUE(PlacedAndShown(control, second));
    EXPECT_EQ(first.layout->count(), 1);
    // And by Qt's own re-parenting, out of any layout.
    control->QWidget::setParent(&first.widget);
    kvtest::Pump();
    EXPECT_TRUE(control->isVisible());
    EXPECT_EQ(second.layout->count(), 1);
  }
}

TEST(Layout, AControlDestroyedInALayoutLeavesTheLayoutWhole) {
  for (const kv::TRegisteredClass* c : LayoutControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Window window;
    TForm owner(nullptr);
    QPointer<TControl> byHand = kvtest::NewControl(*c, nullptr);
    QPointer<TControl> byOwner = kvtest::NewControl(*c, &owner);
    auto* below = new QLabel(QStringLiteral("Below"));
    window.layout->addWidget(byHand);
    window.layout->addWidget(byOwner);
    window.layout->addWidget(below);
    window.Show();
    delete byHand.data();
    owner.DestroyComponents();
    ASSERT_TRUE(byOwner.isNull());
    kvtest::Pump();
    EXPECT_EQ(window.layout->count(), 2);
    EXPECT_EQ(window.layout->itemAt(1)->widget(), below);
    EXPECT_EQ(below->y(), window.label->geometry().bottom() + 1 + window.layout->spacing());
  }
}

// ---------------------------------------------------------------------------
// Made as any Qt widget is: `new TKvMeter(this)`.

class PlainPanel : public QWidget {
public:
  PlainPanel() : meter(new TKvMeter(this)) {}
  TKvMeter* meter;
};

class MainWindow : public QMainWindow {
public:
  MainWindow() : meter(new TKvMeter(this)) { setCentralWidget(meter); }
  TKvMeter* meter;
};

class PanelForm : public TForm {
public:
  PanelForm() : TForm(nullptr), meter(new TKvMeter(this)) {}
  TKvMeter* meter;
};

TEST(NewInAnyWidget, APlainWidgetIsTheParentAndNoOwner) {
  PlainPanel panel;
  EXPECT_EQ(panel.meter->parentWidget(), &panel);
  EXPECT_EQ(panel.meter->Owner(), nullptr);
  panel.show();
  kvtest::Pump();
  EXPECT_TRUE(panel.meter->isVisible());
  EXPECT_EQ(panel.meter->geometry(), QRect(0, 0, 240, 105));
}

TEST(NewInAnyWidget, AMainWindowHoldsIt) {
  MainWindow window;
  window.show();
  kvtest::Pump();
  EXPECT_TRUE(window.meter->isVisible());
  EXPECT_EQ(window.meter->parentWidget(), &window);
  EXPECT_EQ(window.meter->Owner(), nullptr);
}

TEST(NewInAnyWidget, AFormIsOwnerAndParentAndOwnsWhatItsWidgetsHold) {
  PanelForm form;
  EXPECT_EQ(form.meter->Parent(), &form);
  EXPECT_EQ(form.meter->Owner(), &form);
  // In a plain widget inside the form, the form is the nearest component.
  auto* box = new QWidget(&form);
  auto* inner = new TKvMeter(box);
  EXPECT_EQ(inner->parentWidget(), box);
  EXPECT_EQ(inner->Owner(), &form);
  EXPECT_EQ(form.ComponentCount(), 2);
}

TEST(NewInAnyWidget, AComponentIsOnlyTheOwnerAndNoneIsNeither) {
  TForm form(nullptr);
  TComponent* owner = &form;
  TKvMeter owned(owner);
  EXPECT_EQ(owned.Owner(), &form);
  EXPECT_EQ(owned.parentWidget(), nullptr);
  TKvMeter alone(nullptr);
  EXPECT_EQ(alone.Owner(), nullptr);
  EXPECT_EQ(alone.parentWidget(), nullptr);
}

TEST(NewInAnyWidget, ParentColorAndParentFontTakeAPlainWidgetsPaletteAndFont) {
  QWidget window;
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, QColor(0x12, 0x34, 0x56));
  palette.setColor(QPalette::WindowText, QColor(0x65, 0x43, 0x21));
  window.setPalette(palette);
  QFont font(QStringLiteral("Liberation Serif"));
  font.setPixelSize(17);
  font.setBold(true);
  window.setFont(font);
  for (const kv::TRegisteredClass* c : LayoutControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    TControl* control = kvtest::NewControl(*c, nullptr);
    control->SetParentColor(true);
    control->SetParentFont(true);
    control->QWidget::setParent(&window);
    EXPECT_EQ(control->Color(), TColor(0x563412));
    EXPECT_EQ(control->Font()->Name(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(control->Font()->Height(), -17);
    EXPECT_EQ(control->Font()->Style(), TFontStyles(TFontStyle::fsBold));
    EXPECT_EQ(control->Font()->Color(), TColor(0x214365));
    EXPECT_TRUE(control->ParentColor());
    EXPECT_TRUE(control->ParentFont());
  }
  // Later changes of the window follow, where the control takes them.
  auto* button = new TKvShadowButton(&window);  // ParentColor, not ParentFont
  const int ownHeight = button->Font()->Height();
  palette.setColor(QPalette::Window, QColor(0x01, 0x02, 0x03));
  window.setPalette(palette);
  font.setPixelSize(23);
  window.setFont(font);
  EXPECT_EQ(button->Color(), TColor(0x030201));
  EXPECT_EQ(button->Font()->Height(), ownHeight);
}

}  // namespace
