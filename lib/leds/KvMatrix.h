// The dot-matrix display: a row or column of 5 x 7 dot cells showing Text in a built-in
// font, each character in the colour its embedded code selects, scrolling on an owned timer.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvThreads.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <vector>

namespace KvMatrix {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvMatrixTextStyle { tsUpperCase, tsLowerCase, tsAsIs, tsProperCase };
Q_ENUM_NS(TKvMatrixTextStyle)
using enum TKvMatrixTextStyle;
enum class TKvMatrixLedStyle { ls9x13, ls14x20, ls19x27 };
Q_ENUM_NS(TKvMatrixLedStyle)
using enum TKvMatrixLedStyle;
enum class TKvMatrixScrollDirection { msdRightToLeft, msdLeftToRight };
Q_ENUM_NS(TKvMatrixScrollDirection)
using enum TKvMatrixScrollDirection;

}  // namespace KvMatrix

using KvMatrix::TKvMatrixLedStyle;
using KvMatrix::TKvMatrixScrollDirection;
using KvMatrix::TKvMatrixTextStyle;

namespace kv {

// The most character cells a matrix has: every cell is drawn on each paint.
inline constexpr int kMatrixMaxLeds = 1024;

}  // namespace kv

// A dot-matrix display of Text, optionally scrolling.
class KV_EXPORT TKvMatrix : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(bool Threaded READ Threaded WRITE SetThreaded)
  Q_PROPERTY(KvMatrix::TKvMatrixTextStyle TextStyle READ TextStyle WRITE SetTextStyle)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(int Leds READ Leds WRITE SetLeds)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(KvMatrix::TKvMatrixLedStyle LedStyle READ LedStyle WRITE SetLedStyle)
  Q_PROPERTY(bool LedsVisible READ LedsVisible WRITE SetLedsVisible)
  Q_PROPERTY(bool AutoScroll READ AutoScroll WRITE SetAutoScroll)
  Q_PROPERTY(KvControls::TKvAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(int TimeInterval READ TimeInterval WRITE SetTimeInterval)
  Q_PROPERTY(KvMatrix::TKvMatrixScrollDirection ScrollDirection READ ScrollDirection WRITE
                 SetScrollDirection)
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(QString Text READ Text WRITE SetText NOTIFY CaptionChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.TextStyle", "tsUpperCase")
  Q_CLASSINFO("default.Orientation", "voHorizontal")
  Q_CLASSINFO("default.Leds", "15")
  Q_CLASSINFO("default.Spacing", "2")
  Q_CLASSINFO("default.LedStyle", "ls14x20")
  Q_CLASSINFO("default.LedsVisible", "true")
  Q_CLASSINFO("default.AutoScroll", "false")
  Q_CLASSINFO("default.Alignment", "vaLeftJustify")
  Q_CLASSINFO("default.TimeInterval", "500")
  Q_CLASSINFO("default.ScrollDirection", "msdRightToLeft")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
  Q_CLASSINFO("default.Text", "")
public:
  explicit TKvMatrix(kv::OwnerOrParent owner);
  ~TKvMatrix() override;
  QSize minimumSizeHint() const override;

  // The owned timer's type: its worker thread (True) or the system timer (False).
  bool Threaded() const;
  void SetThreaded(bool v);
  TKvMatrixTextStyle TextStyle() const { return FTextStyle; }
  void SetTextStyle(TKvMatrixTextStyle v);
  TKvOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TKvOrientation v);
  // 1 .. kMatrixMaxLeds; other values are refused.
  int Leds() const { return FLeds; }
  void SetLeds(int v);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  TKvMatrixLedStyle LedStyle() const { return FLedStyle; }
  void SetLedStyle(TKvMatrixLedStyle v);
  bool LedsVisible() const { return FLedsVisible; }
  void SetLedsVisible(bool v);
  bool AutoScroll() const { return FAutoScroll; }
  // Runs the scroll timer, except while designing; scrolling goes on from where the text
  // stands.
  void SetAutoScroll(bool v);
  TKvAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TKvAlignment v);
  // The timer's interval in milliseconds; a negative value is kept as the timer keeps it.
  int TimeInterval() const;
  void SetTimeInterval(int v);
  TKvMatrixScrollDirection ScrollDirection() const { return FScrollDirection; }
  void SetScrollDirection(TKvMatrixScrollDirection v);
  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }

  // The text as shown (codes removed, case applied), one colour code per character, and
  // the index (1-based) of the character in the first cell.
  const QString& DisplayText() const { return FDisplayText; }
  const std::vector<char16_t>& ColorCodes() const { return FColorCodes; }
  int64_t FirstChar() const { return FFirstChar; }

  void Loaded() override;

signals:
  void OnScrollDone(TObject* Sender);

protected:
  void Paint() override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void CMTextChanged() override;
  void CMColorChanged() override;
  void CMSysColorChange() override;
  // One step of the scrolling text.
  void ScrollStep();
  TKvTimer* Timer() const { return FTimer.get(); }

private:
  void ParseText();
  void LoadCellImage();
  void ApplyAlignment();
  void Reparse();

  std::unique_ptr<TKvTimer> FTimer;
  std::unique_ptr<TKvPalette> FPalette;
  std::unique_ptr<TKvBevel> FBevel;
  std::unique_ptr<TBitmap> FCellImage;
  QString FDisplayText;
  std::vector<char16_t> FColorCodes;
  int64_t FFirstChar = 1;
  TKvMatrixTextStyle FTextStyle = TKvMatrixTextStyle::tsUpperCase;
  TKvOrientation FOrientation = TKvOrientation::voHorizontal;
  int FLeds = 15;
  int FSpacing = 2;
  TKvMatrixLedStyle FLedStyle = TKvMatrixLedStyle::ls14x20;
  bool FLedsVisible = true;
  bool FAutoScroll = false;
  TKvAlignment FAlignment = TKvAlignment::vaLeftJustify;
  TKvMatrixScrollDirection FScrollDirection = TKvMatrixScrollDirection::msdRightToLeft;
  struct Private;
  std::unique_ptr<Private> d;
};
