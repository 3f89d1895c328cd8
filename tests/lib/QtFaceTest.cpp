// The controls as a Qt developer meets them: focus, tool tips, legible text in any palette. Every test walks all
// controls registered for form descriptions.
#include "Forms.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct OnForm {
  TForm form{nullptr};
  std::unique_ptr<TControl> control;
  explicit OnForm(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, nullptr)) {
    form.SetBounds(0, 0, 400, 300);
    control->SetParent(&form);
  }
};

TEST(QtFace, TabStopPutsAWindowedControlInTheTabChainAndLetsAClickFocusIt) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    OnForm f(*c);
    auto* windowed = dynamic_cast<TWinControl*>(f.control.get());
    if (!windowed) {
      // A non-windowed control takes the focus as a Qt widget does exactly when a user works it.
      QAccessibleInterface* face = QAccessible::queryAccessibleInterface(f.control.get());
      QStringList actions = face->actionInterface() ? face->actionInterface()->actionNames()
                                                    : QStringList();
      actions.removeAll(QAccessibleActionInterface::setFocusAction());
      const bool input = !actions.isEmpty();
      EXPECT_EQ(f.control->focusPolicy(), input ? Qt::StrongFocus : Qt::NoFocus);
      continue;
    }
    windowed->SetTabStop(true);
    EXPECT_EQ(windowed->focusPolicy(), Qt::StrongFocus);
    windowed->SetTabStop(false);
    EXPECT_EQ(windowed->focusPolicy(), Qt::NoFocus);
    windowed->SetTabStop(true);
    f.form.Show();
    kvtest::Pump();
    QTest::mouseClick(windowed, Qt::LeftButton, {}, QPoint(1, 1));
    kvtest::Pump();
    EXPECT_TRUE(windowed->hasFocus());
  }
}

TEST(QtFace, HintAndToolTipAreOneValue) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    std::unique_ptr<TControl> control(kvtest::NewControl(*c, nullptr));
    control->SetHint(QStringLiteral("from Hint"));
    EXPECT_EQ(control->toolTip(), QStringLiteral("from Hint"));
    control->setToolTip(QStringLiteral("from toolTip"));
    EXPECT_EQ(control->Hint(), QStringLiteral("from toolTip"));
    EXPECT_EQ(control->property("Hint").toString(), QStringLiteral("from toolTip"));
  }
}

}  // namespace

// ---- Text contrast under the light and dark palettes --------------------------------------

namespace {

double Luminance(QRgb c) {
  const auto channel = [](int v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double ContrastRatio(QRgb a, QRgb b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette DarkFusionPalette() {
  QPalette p(QColor(53, 53, 53), QColor(53, 53, 53));
  p.setColor(QPalette::WindowText, Qt::white);
  p.setColor(QPalette::Text, Qt::white);
  p.setColor(QPalette::ButtonText, Qt::white);
  p.setColor(QPalette::Base, QColor(35, 35, 35));
  p.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
  p.setColor(QPalette::ToolTipBase, QColor(25, 25, 25));
  p.setColor(QPalette::ToolTipText, Qt::white);
  p.setColor(QPalette::Highlight, QColor(42, 130, 218));
  p.setColor(QPalette::HighlightedText, QColor(35, 35, 35));
  p.setColor(QPalette::Link, QColor(42, 130, 218));
  return p;
}

// The application palette and the system colours following it, for one test.
struct PaletteScope {
  QPalette saved = QApplication::palette();
  explicit PaletteScope(const QPalette& palette) {
    kv::SetSysColorSource(kv::SysColorSource::Palette);
    QApplication::setPalette(palette);
  }
  ~PaletteScope() {
    QApplication::setPalette(saved);
    kv::SetSysColorSource(kv::SysColorSource::Classic);
  }
};

QImage Shot(TControl* control) {
  kvtest::Pump();
  return control->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Where a control's text is read. The jog meter's drum shades its labels away towards both
// ends, as a turning drum does; it is read in its middle half.
QRect ReadingArea(const TControl* control) {
  const QRect all = control->rect();
  if (control->metaObject()->className() == QByteArrayLiteral("TKvJogMeter"))
    return all.adjusted(all.width() / 4, 0, -all.width() / 4, 0);
  return all;
}

// The median contrast of a control's text, as it shows in a plain Qt window, against what
// lies under it: the text is what changes with the font's colour; under a caption lies what
// shows without it, under other text the pixels beside it. 0 when it draws no text.
double TextContrast(const kv::TRegisteredClass& c) {
  QWidget window;
  window.resize(400, 300);
  std::unique_ptr<TControl> control(kvtest::NewControl(c, nullptr));
  control->setParent(&window);
  const bool captioned = control->metaObject()->indexOfProperty("Caption") >= 0;
  if (captioned) control->SetCaption(QString());
  window.show();
  const QImage bare = Shot(control.get());
  if (captioned) control->SetCaption(QStringLiteral("Kelvara 42"));
  const QImage text = Shot(control.get());
  const TColor original = control->Font()->Color();
  control->Font()->SetColor(original.Value == 0xFF00FF ? TColor(0x00FF00) : TColor(0xFF00FF));
  const QImage recoloured = Shot(control.get());
  const auto isText = [&](QPoint p) { return text.pixel(p) != recoloured.pixel(p); };
  const QRect area = ReadingArea(control.get());
  std::vector<double> contrasts;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QPoint p(x, y);
      if (!isText(p)) continue;
      if (bare.size() == text.size() && bare.pixel(p) != text.pixel(p)) {
        contrasts.push_back(ContrastRatio(text.pixel(p), bare.pixel(p)));
        continue;
      }
      for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
        if (text.rect().contains(p + d) && !isText(p + d))
          contrasts.push_back(ContrastRatio(text.pixel(p), text.pixel(p + d)));
    }
  if (contrasts.empty()) return 0;
  std::nth_element(contrasts.begin(), contrasts.begin() + contrasts.size() / 2, contrasts.end());
  return contrasts[contrasts.size() / 2];
}

TEST(QtFace, TextKeepsAContrastOfAtLeast4_5UnderTheLightAndDarkPalettes) {
  std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
  for (const QPalette& palette : {fusion->standardPalette(), DarkFusionPalette()}) {
    PaletteScope scope(palette);
    for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
      if (!kvtest::TakesAnyParent(*c)) continue;
      SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString() + " on window " +
                   palette.color(QPalette::Window).name().toStdString());
      const double contrast = TextContrast(*c);
      if (contrast > 0) {
        EXPECT_GE(contrast, 4.5);
      }
    }
  }
}

}  // namespace
