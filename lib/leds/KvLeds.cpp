#include "KvLeds.h"
#include "KvSysUtilsInternal.h"

#include "ClassRegistry.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"

#include <QPointer>

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvUserLed>();

}  // namespace

TKvUserLed::TKvUserLed(kv::OwnerOrParent owner)
    : TKvGraphicControl(owner),
      FBevel(std::make_unique<TKvBevel>()),
      FPaletteEx(std::make_unique<TKvPaletteEx>()) {
  SetControlStyle(
      (ControlStyle() | TControlStyleFlag::csOpaque | TControlStyleFlag::csReplicatable) &
      ~TControlStyle(TControlStyleFlag::csSetCaption) &
      ~TControlStyle(TControlStyleFlag::csDoubleClicks));
  SetBounds(0, 0, 20, 10);
  FBevel->SetInnerStyle(TKvBevelStyle::bsNone);
  FBevel->SetInnerHighlight(clLime);
  FBevel->SetInnerShadow(clGreen);
  FPaletteEx->SetLow1(clMaroon);
  FPaletteEx->SetHigh1(clRed);
  FPaletteEx->SetLow2(clBlack);
  FPaletteEx->SetHigh2(clBlack);
  connect(FBevel.get(), &TKvBevel::OnChange, this, [this] { UpdateControl(); });
  connect(FPaletteEx.get(), &TKvPaletteEx::OnChange, this, [this] { UpdateControl(); });
}

TKvUserLed::~TKvUserLed() { BeginDestruction(); }

void TKvUserLed::SetActive(bool v) {
  if (!SetIfChanged(FActive, v)) return;
  QPointer<TKvUserLed> self(this);
  UpdateControl();
  if (self)
    kv::EmitInTurn(
        this, [this] { emit OnChange(this); }, [this] { emit ActiveChanged(FActive); });
}
void TKvUserLed::SetOutlineColor(TColor v) {
  SetFollowed(this, FOutlineColor, v, &TKvUserLed::OutlineColorChanged);
}
void TKvUserLed::SetOutlineWidth(int v) {
  if (SetIfChanged(FOutlineWidth, v)) UpdateControl();
}
void TKvUserLed::SetDrawStyle(TKvDrawStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FDrawStyle, v)) UpdateControl();
}

void TKvUserLed::Paint() {
  TCanvas* c = Canvas();
  c->Pen()->SetMode(TPenMode::pmCopy);
  c->Pen()->SetStyle(TPenStyle::psSolid);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  if (FDrawStyle == TKvDrawStyle::dsOwnerDraw) {
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    emit OnDraw(this, c, ClientRect());
    return;
  }
  TRect r = ClientRect();
  // DrawFrame3D stops once the rectangle is empty, so any width costs at most half the size.
  if (FOutlineWidth > 0) DrawFrame3D(c, r, FOutlineColor, FOutlineColor, FOutlineWidth);
  FBevel->Paint(c, r);
  if (FActive) GradientBands(c, r, FPaletteEx->High1(), FPaletteEx->High2(), 1, 1);
  else GradientBands(c, r, FPaletteEx->Low1(), FPaletteEx->Low2(), 1, 1);
}

// A lit pixel inside the outline and the bevel.
QSize TKvUserLed::minimumSizeHint() const {
  return kv::LeastSizeHint(1, 1, int64_t(std::max(FOutlineWidth, 0)) + kv::BevelInset(FBevel.get()));
}
