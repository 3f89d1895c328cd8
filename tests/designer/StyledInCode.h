// The controls of StyledInDesigner.ui made in code: fields of their style objects (a meter's
// scale zones, bevel and font, a thermometer's scale and value, a level bar's palette and
// bevel) set in Designer's property editor, and here through the same setters.
#pragma once

#include "KvLevelBar.h"
#include "KvMeter.h"
#include "KvThermoMeter.h"

#include <QWidget>

#include <memory>

namespace kvdesigned {

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
