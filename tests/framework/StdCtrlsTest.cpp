#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"
#include "StdCtrls.h"

#include <QTest>
#include <gtest/gtest.h>

using kv::Bounds;

TEST(Label, AutoSizeFollowsCaptionAndFont) {
  TLabel label(nullptr);
  label.SetCaption(QStringLiteral("Meters"));
  const int w = label.Width();
  const int h = label.Height();
  EXPECT_GT(w, 20);
  label.SetCaption(QStringLiteral("Meters and more"));
  EXPECT_GT(label.Width(), w);
  label.Font()->SetHeight(-22);
  EXPECT_GT(label.Height(), h);
  label.SetAutoSize(false);
  label.SetCaption(QStringLiteral("x"));
  EXPECT_GT(label.Width(), w);  // no longer follows
}

TEST(Label, LoadingKeepsTheStoredSizeWhateverTheOrderAndSizesAfterwards) {
  // The writer stores AutoSize after the bounds; a size stored with AutoSize off must stay.
  TForm form(nullptr);
  kv::ReadComponent(&form,
                    QByteArrayLiteral("object Form1: TForm\n"
                                      "  object Fixed: TLabel\n"
                                      "    Width = 200\n    Height = 57\n    AutoSize = False\n"
                                      "    Caption = 'Kelvara'\n"
                                      "  end\n"
                                      "  object Sized: TLabel\n"
                                      "    Width = 200\n    Height = 57\n"
                                      "    Caption = 'Kelvara'\n"
                                      "  end\n"
                                      "end\n"),
                    QStringLiteral("labels.kvf"));
  auto* fixed = static_cast<TLabel*>(form.FindComponent(QStringLiteral("Fixed")));
  auto* sized = static_cast<TLabel*>(form.FindComponent(QStringLiteral("Sized")));
  ASSERT_TRUE(fixed && sized);
  EXPECT_EQ(fixed->BoundsRect(), Bounds(0, 0, 200, 57));
  TLabel reference(nullptr);
  reference.SetCaption(QStringLiteral("Kelvara"));
  EXPECT_EQ(sized->Width(), reference.Width());
  EXPECT_EQ(sized->Height(), reference.Height());
}

TEST(Label, WordWrapKeepsTheWidthAndGrowsDown) {
  TLabel label(nullptr);
  label.SetWordWrap(true);
  label.SetWidth(60);
  label.SetCaption(QStringLiteral("one two three four five six seven"));
  EXPECT_EQ(label.Width(), 60);
  EXPECT_GE(label.Height(), 3 * 13);
}

TEST(Label, OpaqueFillsWithColorTransparentKeepsTheParent) {
  TLabel label(nullptr);
  label.SetCaption(QStringLiteral("  "));
  label.SetColor(clYellow);
  QImage shot = kvtest::RenderControl(&label, clBlue.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 2, 2), clYellow.Value);
  label.SetTransparent(true);
  shot = kvtest::RenderControl(&label, clBlue.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 2, 2), clBlue.Value);
}

TEST(CheckBox, ClickSpaceAndCodeAllFireOnClick) {
  TForm form(nullptr);
  auto* box = new TCheckBox(&form);
  box->SetParent(&form);
  box->SetBounds(4, 4, 90, 17);
  box->SetCaption(QStringLiteral("&Slideshow"));
  int clicks = 0;
  QObject::connect(box, &TControl::OnClick, [&](TObject* sender) {
    EXPECT_EQ(sender, box);
    ++clicks;
  });
  kvtest::ShowForm(&form, 100, 30);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 8));
  EXPECT_TRUE(box->Checked());
  box->SetFocus();
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_FALSE(box->Checked());
  box->SetChecked(true);
  box->SetChecked(true);  // no change, no event
  EXPECT_EQ(clicks, 3);
  // A press released outside the box does not toggle.
  QTest::mousePress(box, Qt::LeftButton, {}, QPoint(5, 8));
  QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(150, 8));
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(clicks, 3);
}

TEST(CheckBox, Picture) {
  TCheckBox box(nullptr);
  box.SetBounds(0, 0, 71, 17);
  box.SetCaption(QStringLiteral("Slideshow"));
  box.SetColor(TColor(7292981));
  box.Font()->SetColor(clWhite);
  box.SetChecked(true);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&box, 7292981, 2),
                           QStringLiteral("framework/checkbox-checked"));
}
