// A form whose style objects were set in Qt Designer's property editor and saved by Designer:
// compiled by uic, loaded at run time and made in code, it draws the same; opened in Designer
// and saved again, it keeps every field.
#include "ui_StyledInDesigner.h"

#include "DesignerSession.h"
#include "LoadedForms.h"
#include "Pixels.h"
#include "References.h"
#include "DesignerSavedInCode.h"

#include <QFile>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

QString SavedForm() {
  QFile file(QStringLiteral(KV_TEST_UI_DIR "/StyledInDesigner.ui"));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

TEST(StyledForm, CompiledLoadedAndResavedFormsDrawLikeCode) {
  std::vector<std::pair<const char*, std::unique_ptr<QWidget>>> forms;
  auto compiled = std::make_unique<QWidget>();
  Ui::StyledInDesigner ui;
  ui.setupUi(compiled.get());
  EXPECT_EQ(ui.meter->Scale()->Color1(), clLime);
  EXPECT_EQ(ui.meter->Font()->Style(), TFontStyles(TFontStyle::fsBold));
  EXPECT_EQ(ui.thermometer->Scale()->Max(), 150);
  EXPECT_EQ(ui.levelBar->Bevel()->OuterColor(), clRed);
  // Taken off as the field was set: no leftover dynamic property.
  EXPECT_FALSE(ui.meter->dynamicPropertyNames().contains("Scale.Color1"));
  forms.emplace_back("compiled", std::move(compiled));
  forms.emplace_back("loaded", kvtest::LoadedText(SavedForm()));
  kvtest::DesignerSession& designer = kvtest::Designer();
  ASSERT_TRUE(designer.Open(SavedForm()));
  forms.emplace_back("saved again", kvtest::LoadedText(designer.Save()));

  const std::unique_ptr<QWidget> code = kvdesigned::StyledInCode();
  const QImage expected = kvtest::FormPicture(code.get());
  EXPECT_MATCHES_REFERENCE(expected, QStringLiteral("designer/StyledInDesigner"));
  for (auto& [how, form] : forms) {
    SCOPED_TRACE(how);
    ASSERT_TRUE(form);
    EXPECT_SAME_PIXELS(kvtest::FormPicture(form.get()), expected);
  }
}

// A field's value a form cannot mean raises as a refused value does in code, and a dotted
// name that reaches no field stays the dynamic property Qt made of it.
TEST(StyledForm, BadFieldValuesRaiseAndUnknownNamesStay) {
  auto load = [](const QString& property) {
    return kvtest::LoadedText(
        QStringLiteral("<ui version=\"4.0\"><widget class=\"TKvMeter\" name=\"c\">%1</widget></ui>")
            .arg(property));
  };
  EXPECT_THROW(load(QStringLiteral("<property name=\"Bevel.OuterStyle\" stdset=\"0\">"
                                   "<string>bsSideways</string></property>")),
               EConvertError);
  EXPECT_THROW(load(QStringLiteral("<property name=\"Scale.Percent1\" stdset=\"0\">"
                                   "<string>many</string></property>")),
               EConvertError);
  const std::unique_ptr<QWidget> form = load(
      QStringLiteral("<property name=\"Bevel.Nothing\" stdset=\"0\"><number>3</number></property>"
                     "<property name=\"Scale.Visible.X\" stdset=\"0\"><number>3</number></property>"
                     "<property name=\"BackImage.Width\" stdset=\"0\"><number>3</number></property>"
                     "<property name=\"Bevel.OuterStyle\" stdset=\"0\"><number>7</number></property>"));
  ASSERT_TRUE(form);
  EXPECT_EQ(form->property("Bevel.Nothing"), QVariant(3));
  EXPECT_EQ(form->property("Scale.Visible.X"), QVariant(3));
  EXPECT_EQ(form->property("BackImage.Width"), QVariant(3));
  // A number that names no member is refused by the setter, as in code.
  EXPECT_FALSE(form->dynamicPropertyNames().contains("Bevel.OuterStyle"));
  EXPECT_EQ(static_cast<TKvMeter*>(form.get())->Bevel()->OuterStyle(),
            TKvMeter(nullptr).Bevel()->OuterStyle());
}
