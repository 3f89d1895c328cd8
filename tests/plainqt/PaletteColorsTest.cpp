// A program that pins nothing: the system colours follow the application palette.
#include "KvLabel.h"

#include <QApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

int32_t RoleValue(const QPalette& p, QPalette::ColorRole role) {
  return kv::PixelToColor(p.color(role).rgb()).Value;
}

QPalette DarkPalette() {
  QPalette p(QColor(53, 53, 53));  // Qt derives the lights and shadows from the button colour
  p.setColor(QPalette::WindowText, Qt::white);
  p.setColor(QPalette::ButtonText, Qt::white);
  p.setColor(QPalette::Base, QColor(42, 42, 42));
  p.setColor(QPalette::Highlight, QColor(42, 130, 218));
  return p;
}

// Restores the application palette and the source after a test.
struct PaletteScope {
  QPalette saved = QApplication::palette();
  ~PaletteScope() {
    kv::SetSysColorSource(kv::SysColorSource::Palette);
    QApplication::setPalette(saved);
  }
};

}  // namespace

TEST(PaletteColors, SystemColoursFollowTheApplicationPaletteAndItsChanges) {
  PaletteScope scope;
  TKvLabel label(nullptr);  // the first control starts the following
  const struct {
    TColor color;
    QPalette::ColorRole role;
  } roles[] = {{clBtnFace, QPalette::Button},        {clBtnText, QPalette::ButtonText},
               {clWindow, QPalette::Base},           {clWindowText, QPalette::WindowText},
               {clHighlight, QPalette::Highlight},   {clHighlightText, QPalette::HighlightedText},
               {clBtnShadow, QPalette::Dark},        {clBtnHighlight, QPalette::Light}};
  for (const QPalette& palette : {QApplication::palette(), DarkPalette()}) {
    QApplication::setPalette(palette);
    for (const auto& r : roles)
      EXPECT_EQ(kv::ColorToRGB(r.color), RoleValue(QApplication::palette(), r.role))
          << kv::ColorToString(r.color).toStdString();
  }
}

TEST(PaletteColors, ThePinnedClassicTableIgnoresThePalette) {
  PaletteScope scope;
  TKvLabel label(nullptr);
  QApplication::setPalette(DarkPalette());
  kv::SetSysColorSource(kv::SysColorSource::Classic);
  EXPECT_EQ(kv::ColorToRGB(clBtnFace), 0xF0F0F0);
  QApplication::setPalette(QPalette(QColor(10, 20, 30)));
  EXPECT_EQ(kv::ColorToRGB(clBtnFace), 0xF0F0F0);
  EXPECT_EQ(kv::ColorToRGB(clWindowText), 0);
  // Back to the palette: the table is the palette's at once.
  kv::SetSysColorSource(kv::SysColorSource::Palette);
  EXPECT_EQ(kv::ColorToRGB(clBtnFace), RoleValue(QApplication::palette(), QPalette::Button));
}
