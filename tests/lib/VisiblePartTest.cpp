// A control larger than its form draws only the part that shows. Moved so that another part
// shows, it must show what a control made there shows: nothing it keeps from one paint to the
// next (a face's base, layers, strips) may stand in for a part that did not show when it was
// kept. The walk covers every registered control, as the demo has it where the demo has one.
#include "DemoSettings.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kFormWidth = 200, kFormHeight = 150;

// A control larger than the form one way, placed so that first one end shows, then the other.
struct Move {
  const char* name;
  int left, top, width, height;
  TPoint then;  // where it moves
};
const Move kMoves[] = {
    {"taller than the form, top then bottom", 10, 10, 160, 400, {10, kFormHeight - 400}},
    {"wider than the form, left then right", 10, 10, 500, 120, {kFormWidth - 500, 10}},
};

// A control of that class on a shown form, as the demo has it where the demo has one.
TControl* Place(const kv::TRegisteredClass& c, TForm& form,
                const std::vector<kvdemo::DemoComponent>& demo) {
  kvtest::ShowForm(&form, kFormWidth, kFormHeight);
  TControl* control = kvtest::NewControl(c, &form);
  const QString className = kvtest::ClassNameOf(c);
  const auto sameClass = [&](const kvdemo::DemoComponent& d) {
    return d.className.compare(className, Qt::CaseInsensitive) == 0;
  };
  if (const auto d = std::find_if(demo.begin(), demo.end(), sameClass); d != demo.end())
    kvdemo::ApplyDemoSettings(*control, d->form, d->name);
  control->SetParent(&form);
  return control;
}

TEST(VisiblePart, ALargeControlMovedShowsWhatAControlMadeThereShows) {
  const kvtest::PointerAway away;
  const std::vector<kvdemo::DemoComponent> demo = kvdemo::DemoComponents();
  for (const Move& move : kMoves)
    for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
      SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString() + ", " + move.name);
      TForm movedForm(nullptr), madeForm(nullptr);
      TControl* moved = Place(*c, movedForm, demo);
      // A paint may settle the size (whole ticks) and leave the frame to the repaint that
      // brings.
      moved->SetBounds(move.left, move.top, move.width, move.height);
      kvtest::Pump();
      moved->SetBounds(move.then.X, move.then.Y, moved->Width(), moved->Height());
      kvtest::Pump();
      TControl* made = Place(*c, madeForm, demo);
      made->SetBounds(move.then.X, move.then.Y, moved->Width(), moved->Height());
      kvtest::Pump();
      EXPECT_SAME_PIXELS(kvtest::Grab(&movedForm), kvtest::Grab(&madeForm));
    }
}

}  // namespace
