// The range model on a recording stand-in for a control: each policy's crossing rule, how
// the position follows, and what loading stores. RangeRulesTest walks the real controls.
#include "KvRangeModel.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

// What the model asks of a control, recorded.
template <kv::RangePolicy Policy, class T = int>
struct RangeControl : QObject {
  bool loading = false;
  kv::ValueRange<T> range{0, 100, 50};
  std::vector<T> moves;     // SetPosition calls
  std::vector<T> outsides;  // out-of-range steps
  int repaints = 0;
  bool IsLoading() const { return loading; }
  void UpdateControl() { ++repaints; }
  void SetMax(T v) { kv::SetRangeEnd<Policy>(*this, range, kv::RangeEnd::Max, v); }
  void SetMin(T v) { kv::SetRangeEnd<Policy>(*this, range, kv::RangeEnd::Min, v); }

private:
  friend struct kv::RangeAccess;
  void SetPosition(T v) { moves.push_back(range.Position = v); }
  bool OutOfRange(T v) {
    outsides.push_back(v);
    range.Position = kv::ClampPosition<Policy>(range, v);
    return true;
  }
};

constexpr kv::RangePolicy kRefuse{kv::CrossedEnd::Refuse, kv::PositionFollow::Setter, true};
constexpr kv::RangePolicy kRaise{kv::CrossedEnd::Raise, kv::PositionFollow::OntoEnd, false};
constexpr kv::RangePolicy kIntoRange{kv::CrossedEnd::Raise, kv::PositionFollow::IntoRange, true};
constexpr kv::RangePolicy kMeet{kv::CrossedEnd::Meet, kv::PositionFollow::OutOfRange, true};
constexpr kv::RangePolicy kAccept{kv::CrossedEnd::Accept, kv::PositionFollow::Setter, false, true};

}  // namespace

TEST(RangeModel, RefusesCrossedEndsAndMovesAPositionLeftOutside) {
  RangeControl<kRefuse> c;
  c.SetMax(0);  // not above Min: refused
  c.SetMin(100);
  c.SetMax(100);  // unchanged: nothing at all
  EXPECT_EQ(c.range.Min, 0);
  EXPECT_EQ(c.range.Max, 100);
  EXPECT_EQ(c.repaints, 0);
  c.SetMax(80);  // the position stays inside: a repaint
  EXPECT_EQ(c.repaints, 1);
  c.SetMax(30);  // the position moves onto the new end, through the control
  c.SetMin(40);  // refused: not below Max
  c.SetMin(-5);
  c.SetMin(20);
  EXPECT_EQ(c.range.Max, 30);
  EXPECT_EQ(c.range.Min, 20);
  EXPECT_EQ(c.moves, std::vector<int>({30}));
  EXPECT_EQ(c.repaints, 3);
  c.range.Position = 10;
  c.SetMin(15);
  EXPECT_EQ(c.moves, std::vector<int>({30, 15}));
}

TEST(RangeModel, WhileLoadingTakesEndsAsTheyCome) {
  RangeControl<kRefuse> c;
  c.loading = true;
  c.SetMin(500);  // above Max for now: Loaded settles the pair
  c.SetMax(-1);
  EXPECT_EQ(c.range.Min, 500);
  EXPECT_EQ(c.range.Max, -1);
  EXPECT_TRUE(c.moves.empty());
  EXPECT_EQ(c.repaints, 0);
  EXPECT_FALSE(kv::TakePosition<kRefuse>(c.range, 700, true));
  EXPECT_EQ(c.range.Position, 700);
  kv::SettleLoadedRange(c.range, 0, 100);  // Max -1 is dropped, Min 500 then too
  EXPECT_EQ(c.range.Min, 0);
  EXPECT_EQ(c.range.Max, 100);
  EXPECT_EQ(c.range.Position, 100);
}

// Raising defers to the end of loading; a position that follows silently follows even then.
TEST(RangeModel, RaisesOnACrossedEndUnlessLoading) {
  RangeControl<kRaise> c;
  EXPECT_THROW(c.SetMax(-1), EKvException);
  EXPECT_THROW(c.SetMin(101), EKvException);
  c.SetMax(0);  // equal ends are a range
  EXPECT_EQ(c.range.Max, 0);
  EXPECT_EQ(c.range.Position, 0);
  c.loading = true;
  c.SetMin(20);
  EXPECT_EQ(c.range.Min, 20);
  EXPECT_EQ(c.range.Position, 20);
  EXPECT_TRUE(c.moves.empty());
  EXPECT_EQ(c.repaints, 2);
}

// OntoEnd looks at the end that moved, IntoRange at the whole range: they differ only for a
// range that loading left inverted.
TEST(RangeModel, FollowsOntoTheEndOrIntoTheRange) {
  RangeControl<kRaise> onto;
  RangeControl<kIntoRange> into;
  onto.range = into.range = {50, 10, 50};
  onto.SetMin(5);
  into.SetMin(5);
  EXPECT_EQ(onto.range.Position, 50);
  EXPECT_EQ(into.range.Position, 10);
}

TEST(RangeModel, ClampsWithTheEndItsPolicyLetsWin) {
  const kv::ValueRange<int> inverted{50, 10, 0};
  EXPECT_EQ(kv::ClampPosition<kRaise>(inverted, 30), 50);
  EXPECT_EQ(kv::ClampPosition<kAccept>(inverted, 30), 10);
  kv::ValueRange<int> r{0, 100, 0};
  EXPECT_TRUE(kv::TakePosition<kAccept>(r, 150, true));  // loading stores nothing raw here
  EXPECT_EQ(r.Position, 100);
  EXPECT_FALSE(kv::TakePosition<kAccept>(r, 100, false));
}

// Meet stops an end at the other; the position left outside takes the control's own step.
TEST(RangeModel, MeetsTheOtherEndAndRunsTheOutOfRangeStep) {
  RangeControl<kMeet, double> c;
  c.SetMax(-5);
  EXPECT_EQ(c.range.Max, 0);
  EXPECT_EQ(c.outsides, std::vector<double>({50}));
  EXPECT_EQ(c.range.Position, 0);
  c.SetMin(std::numeric_limits<double>::quiet_NaN());
  c.SetMax(std::numeric_limits<double>::infinity());
  EXPECT_EQ(c.range.Min, 0);
  EXPECT_EQ(c.range.Max, 0);
  EXPECT_EQ(c.repaints, 1);
}
