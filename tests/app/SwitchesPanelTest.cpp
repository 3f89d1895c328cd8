// The switches panel: its controls and settings as the description gives them, each control
// keeping its own state, and the whole panel's picture with nothing focused.
#include "_frmSwitches.h"

#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTest>

using kv::Bounds, kv::Point;

namespace {

constexpr TColor kHeadingShadow = 10446669;

}  // namespace

TEST(SwitchesPanel, TheDescriptionHoldsTheTablesControlsAndSettings) {
  TfrmSwitches f(nullptr);
  EXPECT_EQ(f.KvSwitch->BoundsRect(), Bounds(60, 45, 31, 50));
  EXPECT_EQ(f.KvTrackBar->BoundsRect(), Bounds(210, 45, 175, 45));
  EXPECT_EQ(f.KvPowerButton->BoundsRect(), Bounds(250, 145, 125, 25));
  EXPECT_EQ(f.KvSpinner->BoundsRect(), Bounds(50, 145, 35, 40));
  EXPECT_EQ(f.KvSlider->BoundsRect(), Bounds(190, 215, 226, 36));
  const std::pair<TKvLabel*, TPoint> headings[] = {{f.KvLabel1, Point(43, 16)},
                                                   {f.KvLabel2, Point(203, 16)},
                                                   {f.KvLabel3, Point(248, 116)},
                                                   {f.KvLabel4, Point(18, 116)},
                                                   {f.KvLabel5, Point(188, 186)}};
  for (const auto& [heading, at] : headings) {
    EXPECT_EQ(heading->BoundsRect().TopLeft(), at) << heading->Caption().toStdString();
    EXPECT_EQ(heading->Color(), kHeadingShadow);
  }
  const std::pair<TWinControl*, TKvLabel*> controls[] = {{f.KvSwitch, f.KvLabel1},
                                                         {f.KvTrackBar, f.KvLabel2},
                                                         {f.KvPowerButton, f.KvLabel3},
                                                         {f.KvSpinner, f.KvLabel4},
                                                         {f.KvSlider, f.KvLabel5}};
  for (const auto& [control, heading] : controls) {
    EXPECT_EQ(control->Hint(), heading->Caption());
    EXPECT_FALSE(control->ParentShowHint());
    EXPECT_TRUE(control->ShowHint());
    EXPECT_TRUE(control->TabStop()) << heading->Caption().toStdString();
  }
  EXPECT_EQ(f.KvSwitch->TabOrder(), 0);
  EXPECT_EQ(f.KvTrackBar->TabOrder(), 1);
  EXPECT_EQ(f.KvPowerButton->TabOrder(), 2);
  EXPECT_EQ(f.KvSpinner->TabOrder(), 3);
  EXPECT_EQ(f.KvSlider->TabOrder(), 4);
  EXPECT_EQ(f.KvSpinner->Palette()->Low(), clGreen);
  EXPECT_EQ(f.KvSpinner->Palette()->High(), clLime);
  EXPECT_EQ(f.KvSpinner->Orientation(), TKvOrientation::voVertical);
  EXPECT_EQ(f.KvSlider->Position(), 20);
  EXPECT_EQ(f.KvPowerButton->Caption(), QStringLiteral("TKvPowerButton"));
  for (TLabel* note : {f.Label1, f.Label2, f.Label3})
    EXPECT_EQ(note->Caption(), QStringLiteral("(move)"));
}

// Nothing on the panel links the controls: operating each leaves the others as they were.
TEST(SwitchesPanel, EachControlKeepsItsOwnState) {
  TfrmSwitches f(nullptr);
  kvtest::ShowForm(&f, 441, 317);
  const auto state = [&] {
    return std::tuple(f.KvSwitch->Offset(), f.KvTrackBar->Position(), f.KvPowerButton->Active(),
                      f.KvSlider->Position());
  };
  const auto before = state();
  int ups = 0;
  QObject::connect(f.KvSpinner, &TKvSpinner::OnUpClick, [&] { ++ups; });
  f.KvSpinner->SetFocus();
  QTest::keyClick(f.KvSpinner, Qt::Key_Up);
  EXPECT_EQ(ups, 1);
  EXPECT_EQ(state(), before);
  QTest::mouseClick(f.KvPowerButton, Qt::LeftButton, {}, QPoint(60, 12));
  EXPECT_TRUE(f.KvPowerButton->Active());
  EXPECT_EQ(f.KvSwitch->Offset(), std::get<0>(before));
  EXPECT_EQ(f.KvSlider->Position(), 20);
  f.KvSwitch->SetFocus();
  QTest::keyClick(f.KvSwitch, Qt::Key_Up);
  EXPECT_NE(f.KvSwitch->Offset(), std::get<0>(before));
  EXPECT_EQ(f.KvTrackBar->Position(), std::get<1>(before));
  EXPECT_EQ(f.KvSlider->Position(), 20);
  EXPECT_EQ(ups, 1);
}

TEST(SwitchesPanel, Picture) {
  QCursor::setPos(QPoint(-1000, -1000));
  kvtest::Pump();
  TfrmSwitches f(nullptr);
  kvtest::RenderForm(&f);
  // Shown, the form gives the first tab stop the focus; the picture has none focused.
  f.setFocus(Qt::OtherFocusReason);
  kvtest::Pump();
  EXPECT_FALSE(f.KvSwitch->HasFocus());
  for (TWinControl* c : std::initializer_list<TWinControl*>{
           f.KvSwitch, f.KvTrackBar, f.KvPowerButton, f.KvSpinner, f.KvSlider})
    ASSERT_FALSE(c->Focused());
  const QImage shot = kvtest::Grab(&f);
  EXPECT_MATCHES_REFERENCE(shot, QStringLiteral("app/switches-panel"));
  // The spinner's up arrow, lit, in the middle of its glyph at (7, 2) of the spinner.
  EXPECT_EQ(kvtest::PixelAt(shot, 50 + 17, 145 + 10), clLime.Value);
}
