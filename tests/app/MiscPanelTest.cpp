#include "_frmMisc.h"

#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <QUrl>

#include <set>

namespace {

constexpr TColor kHeadingShadow = 10446669;

// The panel with its timer stopped, so that nothing changes while it is looked at.
struct Panel {
  TfrmMisc form{nullptr};
  Panel() { form.KvTimer->SetEnabled(false); }
  void Click() { QTest::mouseClick(form.KvArrow, Qt::LeftButton, {}, QPoint(25, 22)); }
  // Shows the panel again, as a navigation button does.
  void ShowAgain() {
    form.Hide();
    kvtest::Pump();
    form.Show();
    kvtest::Pump();
  }
};

}  // namespace

TEST(MiscPanel, ComponentsSitWhereTheTableSays) {
  Panel p;
  TfrmMisc& f = p.form;
  EXPECT_EQ(f.KvArrow->BoundsRect(), Bounds(10, 35, 50, 45));
  EXPECT_EQ(f.Label1->BoundsRect().TopLeft(), Point(65, 35));
  EXPECT_EQ(f.KvWebLabel->BoundsRect(), Bounds(240, 110, 186, 25));
  EXPECT_EQ(f.KvPercentPie->BoundsRect(), Bounds(25, 125, 97, 97));
  EXPECT_EQ(f.KvPieGraph->BoundsRect(), Bounds(200, 180, 135, 75));
  EXPECT_EQ(f.KvMediaButton->BoundsRect(), Bounds(195, 45, 56, 21));
  const std::pair<TKvLabel*, TPoint> headings[] = {{f.KvLabel1, Point(13, 11)},
                                                   {f.KvLabel2, Point(153, 11)},
                                                   {f.KvLabel3, Point(298, 81)},
                                                   {f.KvLabel4, Point(13, 96)},
                                                   {f.KvLabel5, Point(208, 151)}};
  for (const auto& [heading, at] : headings) {
    EXPECT_EQ(heading->BoundsRect().TopLeft(), at) << heading->Caption().toStdString();
    EXPECT_EQ(heading->Color(), kHeadingShadow);
  }
  const std::pair<TControl*, TKvLabel*> hinted[] = {{f.KvArrow, f.KvLabel1},
                                                    {f.KvMediaButton, f.KvLabel2},
                                                    {f.KvWebLabel, f.KvLabel3},
                                                    {f.KvPercentPie, f.KvLabel4},
                                                    {f.KvPieGraph, f.KvLabel5}};
  for (const auto& [control, heading] : hinted) {
    EXPECT_EQ(control->Hint(), heading->Caption());
    EXPECT_FALSE(control->ParentShowHint());
    EXPECT_TRUE(control->ShowHint());
  }
  EXPECT_EQ(f.KvArrow->Direction(), TKvArrowDirection::pdLeft);
  EXPECT_TRUE(f.KvArrow->Transparent());
  EXPECT_EQ(f.KvMediaButton->ButtonType(), TKvButtonType::btBack);
  EXPECT_EQ(f.KvMediaButton->TabOrder(), 0);
  EXPECT_EQ(f.KvPercentPie->Segments()->Count(), 2);
  EXPECT_EQ(f.KvPercentPie->Total(), 50.0);
  EXPECT_EQ(f.KvPieGraph->Value(), 80);
  EXPECT_EQ(f.KvWebLabel->Caption(), QStringLiteral("www.brontel.example"));
  EXPECT_EQ(QUrl(f.KvWebLabel->URL()).host(), f.KvWebLabel->Caption());
  EXPECT_EQ(f.KvTimer->Interval(), 1000u);
  EXPECT_EQ(f.ArrowStep(), 0);
}

TEST(MiscPanel, ClicksTurnTheArrowAndShowingAgainKeepsTheStep) {
  Panel p;
  kvtest::ShowForm(&p.form, 441, 317);
  const TKvArrowDirection expected[] = {TKvArrowDirection::pdLeft, TKvArrowDirection::pdRight,
                                        TKvArrowDirection::pdUp, TKvArrowDirection::pdDown,
                                        TKvArrowDirection::pdLeft};
  for (TKvArrowDirection d : expected) {
    p.Click();
    EXPECT_EQ(p.form.KvArrow->Direction(), d);
  }
  // Four clicks since the wrap: the step is 4 again; shown again, the arrow points left.
  for (int i = 0; i < 3; ++i) p.Click();
  ASSERT_EQ(p.form.KvArrow->Direction(), TKvArrowDirection::pdDown);
  p.ShowAgain();
  EXPECT_EQ(p.form.KvArrow->Direction(), TKvArrowDirection::pdLeft);
  p.Click();
  EXPECT_EQ(p.form.KvArrow->Direction(), TKvArrowDirection::pdLeft);
  p.Click();
  EXPECT_EQ(p.form.KvArrow->Direction(), TKvArrowDirection::pdRight);
}

TEST(MiscPanel, TimerPicksAnyButTheEjectGlyph) {
  Panel p;
  std::set<TKvButtonType> seen;
  for (int i = 0; i < 1000; ++i) {
    p.form.KvTimerTimer(p.form.KvTimer);
    seen.insert(p.form.KvMediaButton->ButtonType());
  }
  EXPECT_EQ(seen.size(), 9u);
  EXPECT_EQ(seen.count(TKvButtonType::btEject), 0u);
}

TEST(MiscPanel, Picture) {
  QCursor::setPos(QPoint(-1000, -1000));
  kvtest::Pump();
  Panel p;
  const QImage shot = kvtest::RenderForm(&p.form);
  EXPECT_MATCHES_REFERENCE(shot, QStringLiteral("app/misc-panel"));
  // The pie graph's edge line and the percent pie's first boundary, on the panel.
  EXPECT_EQ(kvtest::PixelAt(shot, 200 + 47, 180 + 66), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 25 + 76, 125 + 87), clWhite.Value);
}
