// The LED clock: a round face of light dots with twelve hour marks, a ring of second dots
// that fills clockwise from twelve o'clock, and the time as "HH:MM" in a slanted 6 x 9 dot
// font. An owned timer reads the local time once a second.
#pragma once

#include "KvExport.h"

#include "Graphics.h"
#include "KvControls.h"
#include "KvThreads.h"
#include "SysUtils.h"

#include <QObject>

#include <cstdint>
#include <memory>

namespace kvLedClock {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvHourFormat { hfmt24h, hfmt12h };
Q_ENUM_NS(TKvHourFormat)
using enum TKvHourFormat;

}  // namespace kvLedClock

using kvLedClock::TKvHourFormat;

using TKvHoursInt = TKvRange<0, 23>;
using TKvMinutesInt = TKvRange<0, 59>;
using TKvSecondsInt = TKvRange<0, 59>;

// An LED clock face showing the local time while Active; Active emits ActiveChanged.
class KV_EXPORT TKvLedClock : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(bool Threaded READ Threaded WRITE SetThreaded)
  Q_PROPERTY(bool Active READ Active WRITE SetActive NOTIFY ActiveChanged)
  Q_PROPERTY(bool SecondsIndicator READ SecondsIndicator WRITE SetSecondsIndicator)
  Q_PROPERTY(bool HourMarks READ HourMarks WRITE SetHourMarks)
  Q_PROPERTY(TBitmap* Background READ Background WRITE SetBackground)
  Q_PROPERTY(TColor HoursColor READ HoursColor WRITE SetHoursColor NOTIFY HoursColorChanged)
  Q_PROPERTY(TColor HoursOutline READ HoursOutline WRITE SetHoursOutline NOTIFY HoursOutlineChanged)
  Q_PROPERTY(TColor SecHandColor READ SecHandColor WRITE SetSecHandColor NOTIFY SecHandColorChanged)
  Q_PROPERTY(TColor SecOutline READ SecOutline WRITE SetSecOutline NOTIFY SecOutlineChanged)
  Q_PROPERTY(int SecWidth READ SecWidth WRITE SetSecWidth)
  Q_PROPERTY(TColor TickColor READ TickColor WRITE SetTickColor NOTIFY TickColorChanged)
  Q_PROPERTY(TColor TickOutline READ TickOutline WRITE SetTickOutline NOTIFY TickOutlineChanged)
  Q_PROPERTY(int TickWidth READ TickWidth WRITE SetTickWidth)
  Q_PROPERTY(bool EnableAlarm READ EnableAlarm WRITE SetEnableAlarm)
  Q_PROPERTY(int Hours READ Hours WRITE SetHours)
  Q_PROPERTY(kvLedClock::TKvHourFormat HourFormat READ HourFormat WRITE SetHourFormat)
  Q_PROPERTY(int Minutes READ Minutes WRITE SetMinutes)
  Q_PROPERTY(int Seconds READ Seconds WRITE SetSeconds)
  Q_PROPERTY(int LedSize READ LedSize WRITE SetLedSize)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(int TextOffsetX READ TextOffsetX WRITE SetTextOffsetX)
  Q_PROPERTY(int TextOffsetY READ TextOffsetY WRITE SetTextOffsetY)
  Q_PROPERTY(int TextAngle READ TextAngle WRITE SetTextAngle)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_CLASSINFO("default.Active", "false")
  Q_CLASSINFO("default.SecondsIndicator", "true")
  Q_CLASSINFO("default.HourMarks", "true")
  Q_CLASSINFO("default.Background", "")
  Q_CLASSINFO("default.HoursColor", "clRed")
  Q_CLASSINFO("default.HoursOutline", "clRed")
  Q_CLASSINFO("default.SecHandColor", "clRed")
  Q_CLASSINFO("default.SecOutline", "clRed")
  Q_CLASSINFO("default.SecWidth", "2")
  Q_CLASSINFO("default.TickColor", "clRed")
  Q_CLASSINFO("default.TickOutline", "clRed")
  Q_CLASSINFO("default.TickWidth", "2")
  Q_CLASSINFO("default.EnableAlarm", "false")
  Q_CLASSINFO("default.HourFormat", "hfmt24h")
  Q_CLASSINFO("default.LedSize", "3")
  Q_CLASSINFO("default.Spacing", "8")
  Q_CLASSINFO("default.TextOffsetX", "0")
  Q_CLASSINFO("default.TextOffsetY", "0")
  Q_CLASSINFO("default.TextAngle", "10")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvLedClock(kv::OwnerOrParent owner);
  ~TKvLedClock() override;
  QSize minimumSizeHint() const override;

  // The owned timer's type: True runs it on its worker thread, False on the system timer.
  bool Threaded() const;
  void SetThreaded(bool v);
  bool Active() const { return FActive; }
  bool SecondsIndicator() const { return FSecondsIndicator; }
  void SetSecondsIndicator(bool v) {
    if (SetIfChanged(FSecondsIndicator, v)) UpdateControl();
  }
  bool HourMarks() const { return FHourMarks; }
  void SetHourMarks(bool v) {
    if (SetIfChanged(FHourMarks, v)) UpdateControl();
  }
  // Stretched over the face before anything else; pixels of Color let the image under it show
  // when Transparent, and take Color otherwise.
  TBitmap* Background() const { return FBackgroundPicture.get(); }
  void SetBackground(const TBitmap* v);
  TColor HoursColor() const { return FHoursColor; }
  void SetHoursColor(TColor v) {
    SetFollowed(this, FHoursColor, v, &TKvLedClock::HoursColorChanged);
  }
  TColor HoursOutline() const { return FHoursOutline; }
  void SetHoursOutline(TColor v) {
    SetFollowed(this, FHoursOutline, v, &TKvLedClock::HoursOutlineChanged);
  }
  TColor SecHandColor() const { return FSecHandColor; }
  void SetSecHandColor(TColor v) {
    SetFollowed(this, FSecHandColor, v, &TKvLedClock::SecHandColorChanged);
  }
  TColor SecOutline() const { return FSecOutline; }
  void SetSecOutline(TColor v) {
    SetFollowed(this, FSecOutline, v, &TKvLedClock::SecOutlineChanged);
  }
  // Radius of a second dot.
  int SecWidth() const { return FSecWidth; }
  void SetSecWidth(int v) {
    if (SetIfChanged(FSecWidth, v)) UpdateControl();
  }
  TColor TickColor() const { return FTickColor; }
  void SetTickColor(TColor v) {
    SetFollowed(this, FTickColor, v, &TKvLedClock::TickColorChanged);
  }
  TColor TickOutline() const { return FTickOutline; }
  void SetTickOutline(TColor v) {
    SetFollowed(this, FTickOutline, v, &TKvLedClock::TickOutlineChanged);
  }
  // Radius of an hour dot; values <= 0 are ignored.
  int TickWidth() const { return FTickWidth; }
  void SetTickWidth(int v);
  // Takes effect at the next tick.
  bool EnableAlarm() const { return FEnableAlarm; }
  void SetEnableAlarm(bool v) { FEnableAlarm = v; }
  // Always stores and repaints, an unchanged value too; values outside 0..23 are refused.
  int Hours() const { return FHours; }
  void SetHours(int v);
  TKvHourFormat HourFormat() const { return FHourFormat; }
  void SetHourFormat(TKvHourFormat v);
  int Minutes() const { return FMinutes; }
  void SetMinutes(int v);
  // The number of lit second dots minus one.
  int Seconds() const { return FSeconds; }
  void SetSeconds(int v);
  // Size of one digit dot; the dot pitch is LedSize + 1.
  int LedSize() const { return FLedSize; }
  void SetLedSize(int v) {
    if (SetIfChanged(FLedSize, v)) UpdateControl();
  }
  // Extra gap between digits.
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v) {
    if (SetIfChanged(FSpacing, v)) UpdateControl();
  }
  int TextOffsetX() const { return FTextOffsetX; }
  void SetTextOffsetX(int v) {
    if (SetIfChanged(FTextOffsetX, v)) UpdateControl();
  }
  int TextOffsetY() const { return FTextOffsetY; }
  void SetTextOffsetY(int v) {
    if (SetIfChanged(FTextOffsetY, v)) UpdateControl();
  }
  // Slant of the digits in degrees; positive values lean the tops to the right.
  int TextAngle() const { return FTextAngle; }
  void SetTextAngle(int v) {
    if (SetIfChanged(FTextAngle, v)) UpdateControl();
  }

  // The alarm moment (date and time of day). A value that is not finite is never due.
  TDateTime AlarmTime() const { return FAlarmTime; }
  void SetAlarmTime(TDateTime v) { FAlarmTime = v; }

  void Loaded() override;

public slots:
  void SetActive(bool v);

signals:
  void HoursColorChanged();
  void HoursOutlineChanged();
  void SecHandColorChanged();
  void SecOutlineChanged();
  void TickColorChanged();
  void TickOutlineChanged();
  void OnAlarm(TObject* Sender);
  void OnHoursChanged(TObject* Sender, uint16_t Hours);
  void OnMinutesChanged(TObject* Sender, uint16_t Minutes);
  void OnSecondsChanged(TObject* Sender, uint16_t Seconds);
  void ActiveChanged(bool Active);

protected:
  // Fire their events with the current value.
  virtual void HoursChanged();
  virtual void MinutesChanged();
  virtual void SecondsChanged();

  void Paint() override;
  // One reading of the local time: stores it, repaints when the picture changed, then fires
  // the change events and the alarm. Stops as soon as a handler has freed the clock.
  void Tick();
  // Draws one character of the dot font with its rightmost column ending at X, its top row
  // at Y; a character the font does not have draws nothing.
  void DrawGlyph(TCanvas* Canvas, QChar Ch, int64_t X, int64_t Y) const;
  TKvTimer* Timer() const { return FTimer.get(); }

private:
  bool AlarmDue(TDateTime now) const;
  QString TimeText() const;
  void DrawBackground(TCanvas* Canvas) const;
  void DrawTimeText(TCanvas* Canvas) const;
  void DrawSecondsRing(TCanvas* canvas, TPoint centre, int64_t radius);
  // Repaints what a change of the seconds from Was changes.
  void ShowSecondsFrom(int was);

  std::unique_ptr<TKvTimer> FTimer;
  std::unique_ptr<TBitmap> FBackgroundPicture;
  bool FActive = false;
  bool FSecondsIndicator = true;
  bool FHourMarks = true;
  TColor FHoursColor = clRed;
  TColor FHoursOutline = clRed;
  TColor FSecHandColor = clRed;
  TColor FSecOutline = clRed;
  int FSecWidth = 2;
  TColor FTickColor = clRed;
  TColor FTickOutline = clRed;
  int FTickWidth = 2;
  bool FEnableAlarm = false;
  int FHours = 0;
  TKvHourFormat FHourFormat = TKvHourFormat::hfmt24h;
  int FMinutes = 0;
  int FSeconds = 0;
  int FLedSize = 3;
  int FSpacing = 8;
  int FTextOffsetX = 0;
  int FTextOffsetY = 0;
  int FTextAngle = 10;
  TDateTime FAlarmTime = 0;
  struct Private;
  std::unique_ptr<Private> d;
};
