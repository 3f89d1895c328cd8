// Forms saved by Designer, made in code: what they must look like and do. Shared by the
// designer tests and the consumer program, which builds against the installed package.
#pragma once

#include <kelvara/Kelvara.h>

#include <QWidget>

#include <memory>

namespace kvdesigned {

// The controls of DesignerSaved.ui, with the same properties and the same connection.
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

// The controls of StyledInDesigner.ui made in code: fields of their style objects (a meter's
// scale zones, bevel and font, a thermometer's scale and value, a level bar's palette and
// bevel) set in Designer's property editor, and here through the same setters.
inline std::unique_ptr<QWidget> StyledInCode() {
  auto form = std::make_unique<QWidget>();
  form->resize(380, 270);
  auto* meter = new TKvMeter(form.get());
  meter->SetBounds(10, 10, 240, 105);
  meter->SetPosition(70);
  meter->Scale()->SetColor1(clLime);
  meter->Scale()->SetPercent1(60);
  meter->Scale()->SetEnlarge(7);
  meter->Bevel()->SetOuterStyle(TKvBevelStyle::bsLowered);
  meter->Font()->SetStyle(TFontStyle::fsBold);
  meter->Font()->SetHeight(-13);
  auto* thermometer = new TkvThermoMeter(form.get());
  thermometer->SetBounds(260, 10, 93, 137);
  thermometer->Scale()->SetMax(150);
  thermometer->Scale()->SetMin(50);
  thermometer->Value()->SetValue(90);
  auto* levelBar = new TKvLevelBar(form.get());
  levelBar->SetBounds(10, 130, 30, 129);
  levelBar->SetPosition(60);
  levelBar->Palette1()->SetHigh(clYellow);
  levelBar->Bevel()->SetOuterColor(clRed);
  return form;
}

}  // namespace kvdesigned
