#include "StdCtrls.h"

#include "ClassRegistry.h"
#include "Forms.h"

using kv::Bounds, kv::DT_CALCRECT, kv::DT_CENTER, kv::DT_EXPANDTABS, kv::DT_NOPREFIX, kv::DT_RIGHT,
    kv::DT_SINGLELINE, kv::DT_VCENTER, kv::DT_WORDBREAK, kv::DrawText, kv::IsAccel, kv::OffsetRect,
    kv::Rect, kv::VK_SPACE;

namespace {
[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TLabel, TCheckBox>();
}

// ---------------------------------------------------------------------------
// TLabel

TLabel::TLabel(kv::OwnerOrParent owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csReplicatable);
  SetBounds(0, 0, 65, 17);
  SetAutoSize(true);
}

unsigned TLabel::TextFlags() const {
  unsigned flags = DT_EXPANDTABS;
  if (FWordWrap) flags |= DT_WORDBREAK;
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  if (FAlignment == TAlignment::taCenter) flags |= DT_CENTER;
  if (FAlignment == TAlignment::taRightJustify) flags |= DT_RIGHT;
  return flags;
}

// The caption's extent laid out in Width (word-wrapped or not); an empty caption measures one
// line so that the label stays visible.
TRect TLabel::MeasureText(int width) const {
  TCanvas measure;
  measure.SetFont(Font());
  TRect r = Rect(0, 0, width, 0);
  const QString text = Caption().isEmpty() ? QStringLiteral(" ") : Caption();
  DrawText(&measure, text, r, TextFlags() | DT_CALCRECT);
  return r;
}

// A word-wrapped label keeps its width and grows downwards.
bool TLabel::CanAutoSize(int& newWidth, int& newHeight) {
  const TRect r = MeasureText(FWordWrap ? newWidth : 0);
  if (!FWordWrap) newWidth = r.Width();
  newHeight = r.Height();
  return true;
}

// The caption whole; word-wrapped, as narrow as its longest word.
QSize TLabel::minimumSizeHint() const {
  const TRect r = MeasureText(0);
  return {std::max(r.Width(), 1), std::max(r.Height(), 1)};
}

void TLabel::AdjustToText() {
  if (IsLoading() || !AutoSize()) return;
  const int oldWidth = Width();
  int w = Width(), h = Height();
  if (!CanAutoSize(w, h)) return;
  // Right-justified labels grow to the left, centred ones both ways.
  int left = Left();
  if (!FWordWrap && FAlignment == TAlignment::taRightJustify) left += oldWidth - w;
  if (!FWordWrap && FAlignment == TAlignment::taCenter) left += (oldWidth - w) / 2;
  SetBounds(left, Top(), w, h);
}

void TLabel::SetAlignment(TAlignment v) {
  if (v == FAlignment) return;
  FAlignment = v;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout v) {
  if (v == FLayout) return;
  FLayout = v;
  Invalidate();
}

void TLabel::SetShowAccelChar(bool v) {
  if (v == FShowAccelChar) return;
  FShowAccelChar = v;
  AdjustToText();
  Invalidate();
}

void TLabel::SetTransparent(bool v) {
  if (v == FTransparent) return;
  FTransparent = v;
  Invalidate();
}

void TLabel::SetWordWrap(bool v) {
  if (v == FWordWrap) return;
  FWordWrap = v;
  AdjustToText();
  Invalidate();
}

void TLabel::CMTextChanged() {
  TGraphicControl::CMTextChanged();
  AdjustToText();
  Invalidate();
}

void TLabel::CMFontChanged() {
  TGraphicControl::CMFontChanged();
  AdjustToText();
}

void TLabel::Paint() {
  TCanvas* c = Canvas();
  if (!FTransparent) {
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
  }
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->SetFont(Font());
  TRect r = ClientRect();
  const unsigned flags = TextFlags();
  if (FLayout != TTextLayout::tlTop) {
    TRect calc = r;
    DrawText(c, Caption(), calc, flags | DT_CALCRECT);
    const int free = r.Height() - calc.Height();
    r.Top += FLayout == TTextLayout::tlCenter ? free / 2 : free;
  }
  if (!Enabled()) {
    // The framework's disabled text: a highlight copy one pixel down-right under the shadow.
    TRect lower = r;
    OffsetRect(lower, 1, 1);
    c->Font()->SetColor(clBtnHighlight);
    DrawText(c, Caption(), lower, flags);
    c->Font()->SetColor(clBtnShadow);
  }
  DrawText(c, Caption(), r, flags);
}

// ---------------------------------------------------------------------------
// TCheckBox

namespace {
constexpr int kBoxSize = 13;
}

TCheckBox::TCheckBox(kv::OwnerOrParent owner) : TWinControl(owner) {
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
}

void TCheckBox::SetChecked(bool v) {
  if (v == FChecked) return;
  FChecked = v;
  Repaint();
  const kv::DispatchScope firing(this);
  TWinControl::Click();
}

void TCheckBox::Click() { Toggle(); }

void TCheckBox::SetPressed(bool v) {
  if (v == FPressed) return;
  FPressed = v;
  Repaint();
}

void TCheckBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft && Enabled()) {
    if (CanFocus()) SetFocus();
    SetPressed(true);
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TCheckBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) SetPressed(false);
  TWinControl::MouseUp(button, shift, x, y);
}

void TCheckBox::KeyDown(uint16_t& key, TShiftState shift) {
  if (key == VK_SPACE && Enabled()) SetPressed(true);
  TWinControl::KeyDown(key, shift);
}

void TCheckBox::KeyUp(uint16_t& key, TShiftState shift) {
  if (key == VK_SPACE && FPressed) {
    SetPressed(false);
    Toggle();
  }
  TWinControl::KeyUp(key, shift);
}

bool TCheckBox::CMDialogChar(QChar ch) {
  if (!Enabled() || !IsAccel(ch, Caption())) return false;
  if (CanFocus()) SetFocus();
  Toggle();
  return true;
}

void TCheckBox::CMCancelMode() { SetPressed(false); }

void TCheckBox::CMTextChanged() {
  TWinControl::CMTextChanged();
  Invalidate();
}

void TCheckBox::WMSetFocus() { Invalidate(); }
void TCheckBox::WMKillFocus() {
  SetPressed(false);
  Invalidate();
}

// The box and the caption beside it, whole.
QSize TCheckBox::minimumSizeHint() const {
  TCanvas measure;
  measure.SetFont(Font());
  TRect extent;
  DrawText(&measure, Caption(), extent, DT_SINGLELINE | DT_CALCRECT);
  return {kv::SatAdd(kBoxSize + 4, extent.Width()), std::max(kBoxSize, extent.Height())};
}

void TCheckBox::Paint() {
  TCanvas* c = Canvas();
  const int top = (Height() - kBoxSize) / 2;
  const TRect box = Bounds(0, top, kBoxSize, kBoxSize);
  // A sunken 3D box: shadow and dark shadow outside, highlight and light inside.
  c->Pen()->SetColor(clBtnShadow);
  c->MoveTo(box.Left, box.Bottom - 1);
  c->LineTo(box.Left, box.Top);
  c->LineTo(box.Right, box.Top);
  c->Pen()->SetColor(clBtnHighlight);
  c->MoveTo(box.Left, box.Bottom - 1);
  c->LineTo(box.Right - 1, box.Bottom - 1);
  c->LineTo(box.Right - 1, box.Top - 1);
  c->Pen()->SetColor(cl3DDkShadow);
  c->MoveTo(box.Left + 1, box.Bottom - 2);
  c->LineTo(box.Left + 1, box.Top + 1);
  c->LineTo(box.Right - 1, box.Top + 1);
  c->Pen()->SetColor(cl3DLight);
  c->MoveTo(box.Left + 1, box.Bottom - 2);
  c->LineTo(box.Right - 2, box.Bottom - 2);
  c->LineTo(box.Right - 2, box.Top);
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(FPressed || !Enabled() ? clBtnFace : clWindow);
  c->FillRect(Rect(box.Left + 2, box.Top + 2, box.Right - 2, box.Bottom - 2));
  if (FChecked) {
    // The check mark: a 7-pixel tick, three pixels thick.
    c->Pen()->SetColor(Enabled() ? clWindowText : clBtnShadow);
    for (int i = 0; i < 3; ++i) {
      c->MoveTo(box.Left + 3, box.Top + 5 + i);
      c->LineTo(box.Left + 5, box.Top + 7 + i);
      c->LineTo(box.Left + 10, box.Top + 2 + i);
    }
  }
  c->SetFont(Font());
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  TRect text = Rect(kBoxSize + 4, 0, Width(), Height());
  TRect extent = text;
  DrawText(c, Caption(), extent, DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
  if (!Enabled()) c->Font()->SetColor(clGrayText);
  DrawText(c, Caption(), text, DT_SINGLELINE | DT_VCENTER);
  if (Focused()) {
    const int h = extent.Height();
    const int y = (Height() - h) / 2;
    c->Brush()->SetColor(Color());
    c->DrawFocusRect(Rect(text.Left - 1, y - 1, std::min(text.Left + extent.Width() + 1, Width()),
                          std::min(y + h + 1, Height())));
  }
}
