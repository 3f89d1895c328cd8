// The controls of DesignerSaved.ui made in code, with the same properties and the same
// connection: what a form saved by Designer must look like and do. Shared by the designer tests
// and the consumer program, which builds against the installed package.
#pragma once

#include <kelvara/Kelvara.h>

#include <QWidget>

#include <memory>

namespace kvdesigned {

inline std::unique_ptr<QWidget> DesignerSavedInCode() {
  auto form = std::make_unique<QWidget>();
  form->resize(300, 160);
  auto* slider = new TKvSlider(form.get());
  slider->setObjectName(QStringLiteral("slider"));
  slider->SetBounds(10, 10, 40, 140);
  slider->SetStyle(TKvSliderStyle::ssTopRight);
  slider->SetOptions(TKvSliderOption::soActiveClick | TKvSliderOption::soHandPoint);
  slider->SetPosition(40);
  auto* modeSwitch = new TKvSwitch(form.get());
  modeSwitch->setObjectName(QStringLiteral("modeSwitch"));
  modeSwitch->SetBounds(100, 10, 70, 50);
  modeSwitch->SetOptions(TKvSwitchOption::soHandPoint);
  auto* levelBar = new TKvLevelBar(form.get());
  levelBar->setObjectName(QStringLiteral("levelBar"));
  levelBar->SetBounds(60, 10, 30, 139);
  levelBar->SetStyle(TKvProgressStyle::psTopRight);
  levelBar->SetColor(clNavy);
  auto* label = new TKvLabel(form.get());
  label->setObjectName(QStringLiteral("label"));
  label->SetBounds(100, 90, 190, 40);
  label->SetAlignment(TAlignment::taLeftJustify);
  label->SetStyle(TKvLabelStyle::lsLowered);
  label->SetCaption(QStringLiteral("Flow"));
  QObject::connect(slider, &TKvSlider::PositionChanged, levelBar, &TKvLevelBar::SetPosition);
  return form;
}

}  // namespace kvdesigned
