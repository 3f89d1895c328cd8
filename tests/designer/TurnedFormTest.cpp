// The strip-shaped controls turn their shape with their orientation only when the shape lies
// along the old one. A form sets the geometry before the orientation (Designer saves them in
// that order), so a form saved with a changed orientation keeps the geometry it was saved with,
// while a wide control turned vertical at run time still gets tall.
#include "ClassRegistry.h"
#include "Controls.h"
#include "Designing.h"
#include "ui_Turned.h"

#include "LoadedForms.h"

#include <QMetaProperty>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Turning {
  const char* className;
  const char* name;      // on Turned.ui
  const char* property;  // the orientation
  bool designing = false;  // turns its shape only while designing
};

// The orientation's values: voVertical and voHorizontal of either enumeration.
constexpr int kVertical = 0, kHorizontal = 1;

constexpr Turning kTurning[] = {
    {"TKvSlider", "slider", "Orientation"},           {"TKvTrackBar", "trackBar", "Orientation"},
    {"TKvLevelBar", "levelBar", "Orientation"},       {"TKvProgressBar", "progressBar", "Orientation"},
    {"TKvJogMeter", "jogMeter", "Direction"},         {"TkvThermoMeter", "thermoMeter", "Direction"},
    {"TKvGauge", "gauge", "Orientation"},             {"TKvSpinner", "spinner", "Orientation", true},
};

std::unique_ptr<TControl> NewTurning(const Turning& t) {
  std::unique_ptr<TControl> control(
      dynamic_cast<TControl*>(kv::FindRegisteredClass(QLatin1String(t.className))->create(nullptr)));
  if (t.designing) kv::SetDesigning(control.get(), true);
  return control;
}

void Turn(TControl* control, const Turning& t, int orientation) {
  const QMetaObject* meta = control->metaObject();
  meta->property(meta->indexOfProperty(t.property)).write(control, orientation);
}

int OrientationOf(QWidget* control, const Turning& t) {
  return control->property(t.property).toInt();
}

// The bounds the form asks for, as code gives them: the orientation first, then the bounds.
QRect AsMeant(const Turning& t, int orientation, const QRect& bounds) {
  const std::unique_ptr<TControl> control = NewTurning(t);
  Turn(control.get(), t, orientation);
  control->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
  return control->geometry();
}

}  // namespace

TEST(TurnedForm, CompiledAndLoadedFormsKeepTheirGeometry) {
  QWidget compiled;
  Ui::Turned ui;
  ui.setupUi(&compiled);
  const std::unique_ptr<QWidget> loaded = kvtest::Loaded(QStringLiteral("Turned.ui"));
  ASSERT_TRUE(loaded);
  for (QWidget* form : {&compiled, loaded.get()}) {
    for (const Turning& t : kTurning) {
      SCOPED_TRACE(t.className);
      auto* control = form->findChild<TControl*>(QLatin1String(t.name));
      ASSERT_TRUE(control);
      // The form's geometry, read from the form itself: the other orientation than a new
      // control's.
      const int orientation = OrientationOf(control, t);
      EXPECT_NE(orientation, OrientationOf(NewTurning(t).get(), t));
      EXPECT_EQ(control->geometry(), AsMeant(t, orientation, control->geometry()));
      EXPECT_EQ(control->Width() > control->Height(), orientation == kHorizontal);
    }
  }
}

// At run time (the spinner: while designing) a shape along the old orientation turns; one
// along the new orientation, or a square, keeps its sides. Either way the control fits its
// size to the new orientation, as one given those bounds in that orientation.
TEST(TurnedForm, RunTimeTurnSwapsOnlyAShapeAlongTheOldOrientation) {
  struct Shape {
    const char* what;
    QSize before;
    bool turns;
  };
  for (const Turning& t : kTurning) {
    for (const Shape& shape : {Shape{"wide", {150, 40}, true}, Shape{"tall", {40, 150}, false},
                               Shape{"square", {60, 60}, false}}) {
      SCOPED_TRACE(std::string(t.className) + ", " + shape.what);
      const std::unique_ptr<TControl> control = NewTurning(t);
      Turn(control.get(), t, kHorizontal);
      control->SetBounds(0, 0, shape.before.width(), shape.before.height());
      const QSize before = control->size();
      Turn(control.get(), t, kVertical);
      const QSize sides = shape.turns ? before.transposed() : before;
      EXPECT_EQ(control->geometry(), AsMeant(t, kVertical, QRect(QPoint(0, 0), sides)));
    }
  }
}
