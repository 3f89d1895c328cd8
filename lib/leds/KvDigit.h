// A floating-point number on a row of seven-segment digits drawn as polygons, with a
// decimal point after the digit before the separator. The display has no sign.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"

#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

// A row of seven-segment digits showing Value.
class KV_EXPORT TKvDigitGroup : public TKvGraphicImageControl {
  Q_OBJECT
  // The number shown, with Decimals places and no sign; NaN and infinities are refused. A
  // change emits OnChange, then ValueChanged.
  Q_PROPERTY(double Value READ Value WRITE SetValue NOTIFY ValueChanged USER true)
  Q_PROPERTY(int Decimals READ Decimals WRITE SetDecimals)
  Q_PROPERTY(int Digits READ Digits WRITE SetDigits)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(bool ActiveOnly READ ActiveOnly WRITE SetActiveOnly)
  Q_PROPERTY(bool LeadingZero READ LeadingZero WRITE SetLeadingZero)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(TColor OutlineColor READ OutlineColor WRITE SetOutlineColor NOTIFY OutlineColorChanged)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  // Value and the palette are always stored.
  Q_CLASSINFO("default.Decimals", "3")
  Q_CLASSINFO("default.Digits", "4")
  Q_CLASSINFO("default.ActiveOnly", "false")
  Q_CLASSINFO("default.LeadingZero", "true")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.OutlineColor", "clBlack")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  // The most cells and the most decimals a group shows.
  static constexpr int kMaxDigits = 1024;

  explicit TKvDigitGroup(kv::OwnerOrParent owner);
  ~TKvDigitGroup() override;
  QSize minimumSizeHint() const override;

  double Value() const { return FValue; }
  int Decimals() const { return FDecimals; }
  // 0 .. kMaxDigits; others are refused.
  void SetDecimals(int v);
  int Digits() const { return FDigits; }
  // 1 .. kMaxDigits; others are refused.
  void SetDigits(int v);
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  bool ActiveOnly() const { return FActiveOnly; }
  void SetActiveOnly(bool v);
  bool LeadingZero() const { return FLeadingZero; }
  void SetLeadingZero(bool v);
  TColor OutlineColor() const { return FOutlineColor; }
  void SetOutlineColor(TColor v);

  // The text the cells show: the absolute value with Decimals digits after a '.', padded on
  // the left to Digits + 1 characters (Digits without decimals).
  QString DisplayText() const;

public slots:
  // NaN and infinities are refused; a different value repaints, then fires OnChange.
  void SetValue(double v);

signals:
  void OutlineColorChanged();
  void OnChange(TObject* Sender);
  void ValueChanged(double Value);

protected:
  void Paint() override;

private:
  // One digit's segments of Mask into the cell at X0 of width CellWidth.
  void DrawSegments(TCanvas* c, int x0, int cellWidth, int mask) const;
  // One cell showing Mask with its left edge at X0 on Target: its segments are recorded once
  // per mask and replayed, since a value change only picks other cells' pictures.
  void StampDigit(TBitmap* target, int x0, int cellWidth, int mask);
  // The mask of every cell Text fills, left to right (-1 for a blank cell).
  static void CellsOf(const QString& text, std::vector<int>& cells);
  // FCells for the current value and settings; formatted only when one of them changed.
  void UpdateCells();
  // Whether every pixel a cell's segments write lies inside the cell.
  bool CellsFit(int cellWidth) const;
  // Repaints the cells that show otherwise than in the last frame.
  void RepaintChangedCells();
  // Keeps the segment stamps and the whole cell pictures for what the cells are drawn with now.
  void KeepCellInputs(int cellWidth);
  // What lies under Area of the group (the captured ground, or Color) into Target at At.
  void CopyGround(TBitmap* target, TPoint at, const TRect& area) const;
  // Cell I showing Mask over what lies under it, made on first use: a changed cell is then
  // one copy.
  const QImage& CellPicture(size_t i, int cellWidth, int mask);

  // The cells of the last frame, and those of the value being painted, with the settings
  // they were formatted from.
  std::vector<int> FShownCells;
  std::vector<int> FCells;
  struct CellsInputs {
    double Value;
    int Decimals, Digits;
    bool LeadingZero;
    bool operator==(const CellsInputs&) const = default;
  };
  std::optional<CellsInputs> FCellsFor;

  std::unique_ptr<TKvPalette> FPalette;
  double FValue = 0;
  int FDecimals = 3;
  int FDigits = 4;
  bool FActiveOnly = false;
  bool FLeadingZero = true;
  TColor FOutlineColor = clBlack;
  struct Private;
  std::unique_ptr<Private> d;
};
