#include "KvScope.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Guarded.h"
#include "KvSysUtils.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"
#include "RenderQuality.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>

#include <climits>
#include <functional>
#include <vector>

using kv::Exception, kv::Rect;

using kvtest::PixelAt;

namespace {

class TestScope : public TKvScope {
public:
  using TKvScope::Tick;
  using TKvScope::Timer;
  using TKvScope::TKvScope;
};

// The demo's scope: 251 x 86, two bar channels (yellow over red), three pixels a sample.
void ApplyDemoSettings(TKvScope& s) {
  s.SetBounds(180, 220, 251, 86);
  TKvChannel* first = s.Channels()->Add();
  first->SetStyle(TGraphStyle::gsBar);
  TKvChannel* second = s.Channels()->Add();
  second->SetColor(clRed);
  second->SetStyle(TGraphStyle::gsBar);
  s.SetFrequency(3);
}

// A handler that answers from a list, one value per call, round and round.
struct Feed {
  explicit Feed(std::vector<int> v) : values(std::move(v)) {}
  std::vector<int> values;
  size_t next = 0;
  std::function<void(int channel)> extra;
  void Attach(TKvScope* s) {
    QObject::connect(s, &TKvScope::OnNeedData, [this](TObject*, int channel, int& value) {
      if (!values.empty()) value = values[next++ % values.size()];
      if (extra) extra(channel);
    });
  }
};

// The same pseudo-random values on every run.
std::vector<int> Seeded(int count, uint32_t seed = 7) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    v.push_back(int(seed >> 16) % 100 + 1);
  }
  return v;
}

QImage Shot(TKvScope& s) { return kvtest::RenderControl(&s, clBlack); }

template <class F>
bool PumpUntil(F done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2000) kvtest::Pump(5);
  return done();
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and properties

TEST(Scope, ConstructionAndPublishedProperties) {
  TKvScope s(nullptr);
  EXPECT_EQ(s.BoundsRect(), Rect(0, 0, 249, 137));
  EXPECT_EQ(s.Interval(), 100);
  EXPECT_TRUE(s.AnimateGrid());
  EXPECT_EQ(s.MaxValue(), 100);
  EXPECT_EQ(s.MinValue(), 0);
  EXPECT_EQ(s.Channels()->Count(), 0);
  EXPECT_EQ(s.Direction(), TScrolldirection::sdRightToLeft);
  EXPECT_EQ(s.GridSize(), 16);
  EXPECT_EQ(s.GridColor(), clGreen);
  EXPECT_EQ(s.BaseOffset(), 50);
  EXPECT_EQ(s.BaseColor(), clLime);
  EXPECT_EQ(s.Frequency(), 1);
  EXPECT_EQ(s.BufferSize(), 999);
  EXPECT_TRUE(s.Threaded());
  EXPECT_FALSE(s.Active());
  EXPECT_EQ(s.Color(), clBlack);
  const std::vector<QByteArray> order = {
      "Interval",   "AnimateGrid",   "MaxValue",  "MinValue",   "Channels",  "Direction",
      "GridSize",   "GridLineWidth", "GridColor", "BaseOffset", "BaseColor", "Frequency",
      "BufferSize", "Threaded",      "Active",    "Align",      "Color",     "ParentColor"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvScope::staticMetaObject), order);
  TKvChannel* c = s.Channels()->Add();
  EXPECT_EQ(c->Color(), clYellow);
  EXPECT_EQ(c->Width(), 1);
  EXPECT_EQ(c->Style(), TGraphStyle::gsLine);
  EXPECT_TRUE(c->Visible());
}

TEST(Scope, RangesAndZerosAreRefused) {
  TKvScope s(nullptr);
  s.SetGridSize(0);
  s.SetFrequency(0);
  s.SetFrequency(-3);
  EXPECT_EQ(s.GridSize(), 16);
  EXPECT_EQ(s.Frequency(), 1);
  s.SetBaseOffset(101);
  EXPECT_EQ(s.BaseOffset(), 50);
  s.SetMaxValue(1000000000);
  EXPECT_EQ(s.MaxValue(), 100);
  s.SetMaxValue(0);  // not above MinValue
  s.SetMinValue(100);
  EXPECT_EQ(s.MaxValue(), 100);
  EXPECT_EQ(s.MinValue(), 0);
  s.SetInterval(-1);
  EXPECT_EQ(s.Interval(), -1);
}

// ---------------------------------------------------------------------------
// Samples and history

TEST(Scope, SamplesAreStoredNewestFirstAndClamped) {
  TestScope s(nullptr);
  s.Channels()->Add();
  s.Tick();  // no handler: MinValue
  EXPECT_EQ(s.Channels()->Items(0)->DataText(), QStringLiteral("0000000000"));
  s.SetMinValue(-10);
  EXPECT_EQ(s.Channels()->Items(0)->Count(), 0);  // a range change empties the histories
  Feed feed{{-5, 5, 500, -500}};
  feed.Attach(&s);
  for (int i = 0; i < 4; ++i) s.Tick();
  EXPECT_EQ(s.Channels()->Items(0)->DataText(), QStringLiteral("-000000010"
                                                               "0000000100"
                                                               "0000000005"
                                                               "-000000005"));
  s.SetMaxValue(50);
  EXPECT_EQ(s.Channels()->Items(0)->Count(), 0);
}

TEST(Scope, HistoriesKeepBufferSizeSamplesAndGrowOnlyWithThem) {
  for (int size : {-1, 0}) {
    TestScope s(nullptr);
    s.Channels()->Add();
    s.SetBufferSize(size);
    for (int i = 0; i < 10; ++i) s.Tick();
    EXPECT_EQ(s.Channels()->Items(0)->Count(), 0) << size;
  }
  for (int size : {300000000, INT_MAX}) {
    TestScope s(nullptr);
    s.Channels()->Add();
    s.SetBufferSize(size);
    for (int i = 0; i < 10; ++i) s.Tick();
    EXPECT_EQ(s.Channels()->Items(0)->Count(), 10) << size;
    EXPECT_LE(s.Channels()->Items(0)->Capacity(), 16u) << size;
  }
  TestScope s(nullptr);
  s.Channels()->Add();
  Feed feed{Seeded(50)};
  feed.Attach(&s);
  s.SetBufferSize(20);
  for (int i = 0; i < 50; ++i) s.Tick();
  const TKvChannel* c = s.Channels()->Items(0);
  ASSERT_EQ(c->Count(), 20);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(c->Sample(i), feed.values[size_t(49 - i)]);
  s.SetBufferSize(5);  // a lowered size drops the oldest at the next tick
  s.Tick();
  EXPECT_EQ(c->Count(), 5);
  EXPECT_EQ(c->Sample(1), feed.values[49]);
}

// ---------------------------------------------------------------------------
// Pictures

TEST(Scope, InitialGridAndBaseLine) {
  TKvScope s(nullptr);
  const QImage shot = Shot(s);
  for (int x = 0; x <= 240; x += 16) EXPECT_EQ(PixelAt(shot, x, 10), clGreen.Value) << x;
  EXPECT_EQ(PixelAt(shot, 8, 10), clBlack.Value);
  for (int y : {52, 36, 20, 4, 84, 100, 116, 132})
    EXPECT_EQ(PixelAt(shot, 8, y), clGreen.Value) << y;
  EXPECT_EQ(PixelAt(shot, 8, 68), clLime.Value);
  EXPECT_EQ(PixelAt(shot, 8, 67), clBlack.Value);
}

TEST(Scope, TheBaseLineIsRoundedInExtendedPrecision) {
  TKvScope s(nullptr);
  s.SetBounds(0, 0, 40, 59);  // 29.5 in double, a hair below in extended
  const QImage shot = Shot(s);
  EXPECT_EQ(s.BaseY(), 29);
  EXPECT_EQ(PixelAt(shot, 8, 29), clLime.Value);
}

TEST(Scope, DemoTracesStepThreePixelsFromTheRightEdge) {
  TestScope s(nullptr);
  ApplyDemoSettings(s);
  s.SetAnimateGrid(false);
  s.SetGridColor(clNavy);
  s.SetBaseColor(clNavy);
  // Channel 0 gets 100 then 50 (newest), channel 1 always 80.
  Feed feed{{100, 80, 50, 80}};
  feed.Attach(&s);
  s.Tick();
  s.Tick();
  const QImage shot = Shot(s);
  EXPECT_EQ(s.BaseY(), 42);
  // The newest sample's step covers x = 250 and 249 at row 86 - 43.
  EXPECT_EQ(PixelAt(shot, 250, 43), clYellow.Value);
  EXPECT_EQ(PixelAt(shot, 249, 43), clYellow.Value);
  EXPECT_EQ(PixelAt(shot, 248, 43), clYellow.Value);  // the riser to the older sample
  EXPECT_EQ(PixelAt(shot, 247, 0), clYellow.Value);   // 100: row 0
  EXPECT_EQ(PixelAt(shot, 246, 0), clYellow.Value);
  // The end of the history: one line back to the base line, no further.
  EXPECT_EQ(PixelAt(shot, 100, 42), clNavy.Value);
  // Channel 1 (80: row 86 - 68 = 18) lies under channel 0 where they meet.
  EXPECT_EQ(PixelAt(shot, 250, 18), clRed.Value);
  EXPECT_EQ(PixelAt(shot, 248, 18), clYellow.Value);
}

TEST(Scope, EightyFourSamplesAreVisible) {
  TestScope s(nullptr);
  ApplyDemoSettings(s);
  s.Channels()->Delete(1);
  s.SetGridColor(clBlack);
  s.SetBaseColor(clBlack);
  // Samples alternate between 100 and 1 (row 0 and row 86, just below the image).
  Feed feed{{100, 1}};
  feed.Attach(&s);
  for (int i = 0; i < 100; ++i) s.Tick();
  const QImage shot = Shot(s);
  // Newest first: 1, 100, 1, ... so the steps at 251 - 3k of odd k lie on row 0.
  for (int k = 0; k < 84; ++k)
    EXPECT_EQ(PixelAt(shot, 250 - 3 * k, 0), (k % 2 == 1 ? clYellow : clBlack).Value) << k;
  EXPECT_EQ(PixelAt(shot, 0, 0), clYellow.Value);  // sample 83's step reaches x = 0
}

TEST(Scope, AnEmptyChannelRunsAlongTheBaseLineFromTheEntryEdge) {
  TKvScope s(nullptr);
  ApplyDemoSettings(s);
  s.Channels()->Delete(1);
  s.SetGridColor(clBlack);
  s.SetBaseColor(clBlack);
  QImage shot = Shot(s);
  EXPECT_EQ(kvtest::CountPixels(shot, clYellow), 0);
  s.SetDirection(TScrolldirection::sdLeftToRight);
  shot = Shot(s);
  EXPECT_EQ(kvtest::CountPixels(shot, clYellow), 3);
  for (int x : {1, 2, 3}) EXPECT_EQ(PixelAt(shot, x, 42), clYellow.Value) << x;
}

TEST(Scope, LongHistoriesDrawWhatTheVisibleSamplesDraw) {
  for (TScrolldirection d : {TScrolldirection::sdRightToLeft, TScrolldirection::sdLeftToRight}) {
    const std::vector<int> values = Seeded(20000);
    QImage pictures[2];
    for (int variant = 0; variant < 2; ++variant) {
      TestScope s(nullptr);
      ApplyDemoSettings(s);
      s.SetAnimateGrid(false);
      s.SetDirection(d);
      s.Channels()->Items(1)->SetStyle(TGraphStyle::gsLine);
      s.Channels()->Items(1)->SetWidth(3);
      // All 10,000 samples, or those whose x lies within Width + F + the pen width.
      s.SetBufferSize(variant == 0 ? 10000 : (251 + 3 + 3) / 3 + 1);
      Feed feed{values};
      feed.Attach(&s);
      for (int i = 0; i < 10000; ++i) s.Tick();
      pictures[variant] = Shot(s);
    }
    EXPECT_SAME_PIXELS(pictures[0], pictures[1]);
  }
}

// ---------------------------------------------------------------------------
// Grid

TEST(Scope, TheGridScrollsByWholeGridsWhateverTheStep) {
  for (TScrolldirection d : {TScrolldirection::sdRightToLeft, TScrolldirection::sdLeftToRight}) {
    TestScope s(nullptr);
    s.SetDirection(d);
    s.SetFrequency(20);
    for (int i = 0; i < 100; ++i) s.Tick();
    const int offset = s.GridOffset();
    if (d == TScrolldirection::sdRightToLeft) {
      EXPECT_GE(offset, 0);
      EXPECT_LT(offset, 16);
    } else {
      EXPECT_GT(offset, 0);
      EXPECT_LE(offset, 16);
    }
    const QImage shot = Shot(s);
    for (int x = -offset; x < 249; x += 16) {
      if (x >= 0) {
        EXPECT_EQ(PixelAt(shot, x, 10), clGreen.Value) << x;
      }
    }
    int lines = 0;
    for (int x = -offset; x < 249; x += 16) lines += x >= 0 ? 1 : 0;
    EXPECT_EQ(kvtest::CountPixels(shot.copy(0, 10, 249, 1), clGreen), lines);
  }
}

TEST(Scope, DirectionTurnsTheGridAtTheNextTickAndKeepsTheHistory) {
  TestScope s(nullptr);
  s.SetFrequency(3);
  s.Channels()->Add();
  s.Tick();
  s.Tick();
  EXPECT_EQ(s.GridOffset(), 6);
  s.SetDirection(TScrolldirection::sdLeftToRight);
  EXPECT_EQ(s.GridOffset(), 6);
  EXPECT_EQ(s.Channels()->Items(0)->Count(), 2);
  s.Tick();
  EXPECT_EQ(s.GridOffset(), 3);
  EXPECT_EQ(s.Channels()->Items(0)->Count(), 3);
}

TEST(Scope, HugeGridsAndStepsPaint) {
  TestScope s(nullptr);
  s.Channels()->Add()->SetStyle(TGraphStyle::gsBar);
  s.SetGridSize(INT_MAX);
  s.SetFrequency(INT_MAX);
  for (TScrolldirection d : {TScrolldirection::sdRightToLeft, TScrolldirection::sdLeftToRight}) {
    s.SetDirection(d);
    s.Tick();
    s.Tick();
    const QImage shot = Shot(s);
    EXPECT_EQ(PixelAt(shot, 100, 68), clLime.Value);
  }
}

// Grid lines at least twice as wide as the grid cover the face, which is then one fill: every
// pixel is the grid's colour but the base line's band, whatever the width or the height.
TEST(Scope, GridLinesWiderThanTwiceTheGridCoverTheFace) {
  for (const int width : {8, 9, INT_MAX}) {
    SCOPED_TRACE(width);
    TKvScope s(nullptr);
    s.SetGridSize(4);
    s.SetGridLineWidth(width);
    const QImage shot = Shot(s);
    int base = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const int32_t px = PixelAt(shot, x, y);
        ASSERT_TRUE(px == clGreen.Value || px == clLime.Value) << x << ", " << y;
        base += px == clLime.Value;
      }
    EXPECT_GT(base, 0);
  }
  TKvScope tall(nullptr);
  tall.SetGridSize(1);
  tall.SetGridLineWidth(INT_MAX);
  tall.SetHeight(65536);
  EXPECT_EQ(PixelAt(Shot(tall), 10, 10), clGreen.Value);
}

// ---------------------------------------------------------------------------
// Handlers that change the scope

TEST(Scope, AHandlerMayChangeTheChannelsWhileTheTickWalksThem) {
  enum Change { DeleteOne, Clear, AddThree, AssignOther };
  for (Change change : {DeleteOne, Clear, AddThree, AssignOther}) {
    SCOPED_TRACE(int(change));
    TestScope s(nullptr), other(nullptr);
    other.Channels()->Add()->SetColor(clRed);
    for (int i = 0; i < 3; ++i) s.Channels()->Add();
    QPointer<TKvChannel> first = s.Channels()->Items(0), last = s.Channels()->Items(2);
    std::vector<int> asked;
    Feed feed{{42}};
    feed.extra = [&](int channel) {
      asked.push_back(channel);
      if (asked.size() != 1) return;
      switch (change) {
        case DeleteOne: s.Channels()->Delete(1); break;
        case Clear: s.Channels()->Clear(); break;
        case AddThree:
          for (int i = 0; i < 3; ++i) s.Channels()->Add();
          break;
        case AssignOther: s.SetChannels(other.Channels()); break;
      }
    };
    feed.Attach(&s);
    s.Tick();
    switch (change) {
      case DeleteOne:
        EXPECT_EQ(asked, (std::vector<int>{0, 1}));  // the last channel, under its new index
        EXPECT_EQ(first->Count(), 1);
        EXPECT_EQ(last->Count(), 1);
        break;
      case Clear:
      case AssignOther:
        EXPECT_EQ(asked, std::vector<int>{0});
        for (int i = 0; i < s.Channels()->Count(); ++i)
          EXPECT_EQ(s.Channels()->Items(i)->Count(), 0);
        break;
      case AddThree:
        EXPECT_EQ(asked, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(s.Channels()->Count(), 6);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(s.Channels()->Items(i)->Count(), i < 3 ? 1 : 0);
        s.Tick();
        for (int i = 0; i < 6; ++i) EXPECT_EQ(s.Channels()->Items(i)->Count(), i < 3 ? 2 : 1);
        break;
    }
  }
}

TEST(Scope, AHandlerThatRaisesLeavesEveryHistoryInStepAndIsReportedOnce) {
  int reports = 0;
  kv::SetExceptionReporter([&](QObject*, const QString&, const QString&) { ++reports; });
  TestScope s(nullptr);
  for (int i = 0; i < 3; ++i) s.Channels()->Add();
  QObject::connect(&s, &TKvScope::OnNeedData, [](TObject*, int channel, int& value) {
    value = 70;
    if (channel == 1) throw Exception(QStringLiteral("no data"));
  });
  s.Tick();
  kv::SetExceptionReporter({});
  EXPECT_EQ(reports, 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s.Channels()->Items(i)->Count(), 1) << i;
  EXPECT_EQ(s.Channels()->Items(1)->Sample(0), 70);
}

TEST(Scope, AHandlerMayFreeTheScopeOrSwitchThreadedInItsOwnTick) {
  auto* s = new TestScope(nullptr);
  s->Channels()->Add();
  s->SetInterval(2);
  QPointer<TestScope> alive(s);
  int calls = 0;
  QObject::connect(s, &TKvScope::OnNeedData, [&](TObject*, int, int&) {
    if (++calls == 3) delete s;
  });
  s->SetActive(true);
  EXPECT_TRUE(PumpUntil([&] { return alive.isNull(); }));
  kvtest::Pump(20);
  EXPECT_EQ(calls, 3);

  TestScope t(nullptr);
  t.Channels()->Add();
  t.SetInterval(2);
  int ticks = 0;
  QObject::connect(&t, &TKvScope::OnNeedData, [&](TObject*, int, int&) {
    if (++ticks == 1) t.SetThreaded(false);
  });
  t.SetActive(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 5; }));
  EXPECT_FALSE(t.Threaded());
  t.SetActive(false);
}

// ---------------------------------------------------------------------------
// Channels and descriptions

TEST(Scope, AssigningChannelsCopiesTheirLookButNotVisible) {
  TestScope s(nullptr);
  ApplyDemoSettings(s);
  s.Tick();
  s.SetChannels(s.Channels());
  ASSERT_EQ(s.Channels()->Count(), 2);
  EXPECT_EQ(s.Channels()->Items(1)->Color(), clRed);
  EXPECT_EQ(s.Channels()->Items(1)->Count(), 1);
  TKvScope other(nullptr);
  s.Channels()->Items(1)->SetVisible(false);
  s.Channels()->Items(1)->SetWidth(4);
  other.SetChannels(s.Channels());
  ASSERT_EQ(other.Channels()->Count(), 2);
  EXPECT_EQ(other.Channels()->Items(1)->Color(), clRed);
  EXPECT_EQ(other.Channels()->Items(1)->Width(), 4);
  EXPECT_EQ(other.Channels()->Items(1)->Style(), TGraphStyle::gsBar);
  EXPECT_TRUE(other.Channels()->Items(1)->Visible());
  EXPECT_EQ(other.Channels()->Items(1)->Count(), 0);
}

namespace {

TKvScope* ReadScope(TForm& form, const char* properties) {
  kv::ReadComponent(
      &form,
      QByteArray("object Form: TForm\n  object Probe: TKvScope\n") + properties + "  end\nend\n",
      QStringLiteral("scope.kvf"));
  return dynamic_cast<TKvScope*>(form.FindComponent(QStringLiteral("Probe")));
}

// A scope set up by Setup, written into a description and read back into Form.
TKvScope* RoundTrip(TForm& form, const std::function<void(TKvScope&)>& setup) {
  TForm holder(nullptr);
  auto* original = new TKvScope(&holder);
  original->SetName(QStringLiteral("Probe"));
  original->SetParent(&holder);
  setup(*original);
  kv::ReadComponent(&form, kv::WriteComponent(&holder), QStringLiteral("copy.kvf"));
  return dynamic_cast<TKvScope*>(form.FindComponent(QStringLiteral("Probe")));
}

}  // namespace

TEST(Scope, DescriptionsKeepFrequencyRangesAndChannels) {
  {
    TForm form(nullptr);
    TKvScope* s = ReadScope(form, "    Left = 1\n");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Frequency(), 1);
  }
  {
    TForm form(nullptr);
    TKvScope* s = RoundTrip(form, [](TKvScope& original) {
      original.SetMinValue(-200);
      original.SetMaxValue(-100);
      ApplyDemoSettings(original);
    });
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Frequency(), 3);
    EXPECT_EQ(s->MinValue(), -200);
    EXPECT_EQ(s->MaxValue(), -100);
    ASSERT_EQ(s->Channels()->Count(), 2);
    EXPECT_EQ(s->Channels()->Items(1)->Color(), clRed);
    EXPECT_EQ(s->Channels()->Items(0)->Style(), TGraphStyle::gsBar);
  }
  {
    TForm form(nullptr);
    EXPECT_EQ(RoundTrip(form, [](TKvScope& original) { original.SetFrequency(2); })->Frequency(),
              2);
  }
  {
    TForm form(nullptr);
    TKvScope* s = ReadScope(form, "    MaxValue = 5\n    MinValue = 10\n");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->MinValue(), 0);
    EXPECT_EQ(s->MaxValue(), 5);
  }
  {
    TForm form(nullptr);
    TKvScope* s = ReadScope(form, "    MaxValue = 7\n    MinValue = 7\n");
    ASSERT_NE(s, nullptr);
    EXPECT_LT(s->MinValue(), s->MaxValue());
    s->Channels()->Add();
    EXPECT_EQ(Shot(*s).width(), 249);
  }
}

// An opaque scope copies its grid from a kept strip; a transparent one over a panel of its
// own colour draws the grid afresh. Both must agree at every offset of the grid and at every
// base offset, changed between ticks as a program dragging the base line does, in both
// directions, both qualities and at ratios 1 and 2.
TEST(Scope, TheKeptGridEqualsADrawnOneAtEveryOffset) {
  struct Case {
    TScrolldirection direction;
    kv::RenderQuality quality;
    int ratio;
  };
  const kv::RenderQuality was = kv::GetRenderQuality();
  for (const Case& c : {
           Case{TScrolldirection::sdRightToLeft, kv::RenderQuality::Classic, 1},
           Case{TScrolldirection::sdLeftToRight, kv::RenderQuality::Classic, 1},
           Case{TScrolldirection::sdRightToLeft, kv::RenderQuality::Classic, 2},
           Case{TScrolldirection::sdLeftToRight, kv::RenderQuality::Smooth, 1},
           Case{TScrolldirection::sdRightToLeft, kv::RenderQuality::Smooth, 2},
       }) {
    SCOPED_TRACE(testing::Message() << "direction " << int(c.direction) << ", quality "
                                    << int(c.quality) << ", ratio " << c.ratio);
    kv::SetRenderQuality(c.quality);
    TestScope kept(nullptr), drawn(nullptr);
    for (TestScope* s : {&kept, &drawn}) {
      ApplyDemoSettings(*s);
      s->SetBounds(0, 0, 61, 40);
      s->SetColor(clNavy);
      s->SetGridSize(7);
      s->SetFrequency(5);
      s->SetDirection(c.direction);
      s->Channels()->Items(0)->SetStyle(TGraphStyle::gsLine);
      Feed* feed = new Feed{Seeded(50)};
      QObject::connect(s, &QObject::destroyed, [feed] { delete feed; });
      feed->Attach(s);
    }
    drawn.SetTransparent(true);
    // Every base offset after a paint at the one before, with a tick at every third.
    for (int base = 0; base <= 100 && !HasFailure(); ++base) {
      SCOPED_TRACE(base);
      for (TestScope* s : {&kept, &drawn}) {
        s->SetBaseOffset(base);
        if (base % 3 == 0) s->Tick();
      }
      ASSERT_EQ(kept.GridOffset(), drawn.GridOffset());
      ASSERT_SAME_PIXELS(kvtest::RenderAt(&kept, clNavy.Value, c.ratio),
                         kvtest::RenderAt(&drawn, clNavy.Value, c.ratio));
    }
  }
  kv::SetRenderQuality(was);
}

// A thin trace is written straight into the image where it lies inside: it must equal the
// canvas's own lines through the same points, the segments across the edges included.
TEST(Scope, ATraceEqualsTheCanvasLinesThroughItsSamples) {
  TestScope s(nullptr), grid(nullptr);
  for (TestScope* p : {&s, &grid}) {
    p->SetBounds(0, 0, 40, 30);
    p->SetFrequency(5);
  }
  s.Channels()->Add();  // a yellow line
  const std::vector<int> values{10, 90, 50, 0, 100, 33, 70, 20, 60};
  Feed feed{values};
  feed.Attach(&s);
  for (size_t i = 0; i < values.size(); ++i) {
    s.Tick();
    grid.Tick();
  }
  TBitmap expected;
  expected.SetImage(kvtest::RenderControl(&grid, clWhite.Value));
  TCanvas* c = expected.Canvas();
  c->Pen()->SetColor(clYellow);
  c->MoveTo(45, s.BaseY());
  // Newest first, from the right edge leftwards, five pixels apart.
  for (int i = 0; i < 9; ++i) c->LineTo(40 - 5 * i, 30 - PercentToValue(values[size_t(8 - i)], 30));
  EXPECT_SAME_PIXELS(kvtest::RenderControl(&s, clWhite.Value), expected.Image());
}

// ---------------------------------------------------------------------------
// Reference pictures

TEST(Scope, ReferenceDemoSettings) {
  TestScope s(nullptr);
  ApplyDemoSettings(s);
  Feed feed{Seeded(400)};
  feed.Attach(&s);
  for (int i = 0; i < 200; ++i) s.Tick();
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&s, 7292981, 4), "lib/scope-demo");
}

TEST(Scope, ReferenceInitialSettings) {
  TKvScope s(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&s, clWhite, 4), "lib/scope-initial");
}
