// Root classes of the library: its exception, non-visual and shared components, the four
// control bases with the repaint request, the off-screen image and transparency, and the
// enumerations and ranges many controls share.
#pragma once

#include "KvExport.h"

#include "Classes.h"
#include "Controls.h"
#include "Graphics.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

// Raised by the controls for a value they cannot take ("Value out of range.").
class KV_EXPORT EKvException : public kv::Exception {
public:
  using Exception::Exception;
};

// The text every control base reports as its Version.
inline const QString kKvVersion = QStringLiteral("1.3");
// The library's hand cursor (the switch, track bar, slider and web label show it), registered
// with the screen on its first look-up.
inline constexpr TCursor kKvHandCursor = 99;

// ---------------------------------------------------------------------------
// Shared enumerations and ranges

namespace KvControls {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvDrawStyle { dsOwnerDraw, dsNormal };
Q_ENUM_NS(TKvDrawStyle)
using enum TKvDrawStyle;
enum class TKvTextAlignment {
  vtaLeft,
  vtaCenter,
  vtaRight,
  vtaTopLeft,
  vtaTop,
  vtaTopRight,
  vtaBottomLeft,
  vtaBottom,
  vtaBottomRight
};
Q_ENUM_NS(TKvTextAlignment)
using enum TKvTextAlignment;
enum class TKvAlignment { vaLeftJustify, vaRightJustify, vaCenter };
Q_ENUM_NS(TKvAlignment)
using enum TKvAlignment;
enum class TKvOrientation { voVertical, voHorizontal };
Q_ENUM_NS(TKvOrientation)
using enum TKvOrientation;
enum class TKvImageTextLayout { ImageLeft, ImageRight, ImageTop, ImageBottom };
Q_ENUM_NS(TKvImageTextLayout)
using enum TKvImageTextLayout;
enum class TKvTickMarks { tmNone, tmBoth, tmBottomRight, tmTopLeft };
Q_ENUM_NS(TKvTickMarks)
using enum TKvTickMarks;
enum class TKvProgressStyle { psBottomLeft, psTopRight };
Q_ENUM_NS(TKvProgressStyle)
using enum TKvProgressStyle;

}  // namespace KvControls

using KvControls::TKvAlignment;
using KvControls::TKvDrawStyle;
using KvControls::TKvImageTextLayout;
using KvControls::TKvOrientation;
using KvControls::TKvProgressStyle;
using KvControls::TKvTextAlignment;
using KvControls::TKvTickMarks;

// An integer range type: properties of it are ints whose setters refuse values outside.
template <int64_t Lo, int64_t Hi>
struct TKvRange {
  static constexpr int64_t Min = Lo;
  static constexpr int64_t Max = Hi;
  static constexpr bool Contains(int64_t v) { return v >= Lo && v <= Hi; }
};

using TKvPercentInt = TKvRange<0, 100>;
using TKvMaxInt = TKvRange<1, 2147483647>;
using TKvByteInt = TKvRange<0, 255>;
using TKvInt10 = TKvRange<1, 10>;
using TKvIntMax = TKvRange<1, 2147483647>;
using TKvTextAngle = TKvRange<0, 359>;

// Clock events: the sender and the new value (the signals of the LED clock have these
// parameters).
using TKvHoursChangeEvent = void(TObject* Sender, uint16_t Hours);
using TKvMinutesChangeEvent = void(TObject* Sender, uint16_t Minutes);
using TKvSecondsChangeEvent = void(TObject* Sender, uint16_t Seconds);

// ---------------------------------------------------------------------------
// Components

// The base of the library's non-visual components (the timer, the bitmap list).
class KV_EXPORT TKvComponent : public QObject, public TComponent {
  Q_OBJECT
  Q_PROPERTY(QString Version READ Version WRITE SetVersion STORED false)
public:
  explicit TKvComponent(TComponent* owner);
  ~TKvComponent() override;
  const QString& Version() const { return FVersion; }
  void SetVersion(const QString& v) { FVersion = v; }

private:
  QString FVersion = kKvVersion;
};

class TKvSharedComponent;

// One client's link to a shared component.
class KV_EXPORT TKvChangeLink : public QObject, public TObject {
  Q_OBJECT
public:
  TKvChangeLink() = default;
  ~TKvChangeLink() override;
  TKvSharedComponent* Sender() const { return FSender; }
  // Fires OnChange with the shared component.
  virtual void Change();

signals:
  void OnChange(TObject* Sender);
  // The shared component is going away and has dropped this link (Sender is already none).
  // It is still whole while the handler runs.
  void OnDetach(TObject* Sender);

private:
  friend class TKvSharedComponent;
  TKvSharedComponent* FSender = nullptr;
};

// A component whose changes are broadcast to client links, in registration order.
class KV_EXPORT TKvSharedComponent : public TKvComponent {
  Q_OBJECT
public:
  explicit TKvSharedComponent(TComponent* owner);
  ~TKvSharedComponent() override;
  // Tells every link in registration order; stops when a handler frees this component.
  void NotifyClients();
  void InsertLink(TKvChangeLink* link);
  void RemoveLink(TKvChangeLink* link);
  int LinkCount() const { return int(FLinks.size()); }

protected:
  // Drops every link, telling each client (OnDetach) while this component is still whole.
  // A descendant calls it from its own destructor; the base's destructor does it otherwise.
  void DetachLinks();

private:
  std::vector<TKvChangeLink*> FLinks;  // not owned
};

// ---------------------------------------------------------------------------
// Control bases

namespace kv {
// The setter rule that every control base hands down: a setter stores a value only when it
// differs, and only then repaints.
class KV_EXPORT SetterRule {
protected:
  // Stores Value in Field when they differ and says whether it did; the setter then asks
  // for its repaint: `if (SetIfChanged(FAngle, v)) UpdateControl();`.
  template <class T>
  static bool SetIfChanged(T& field, const std::type_identity_t<T>& value) {
    if (field == value) return false;
    field = value;
    return true;
  }
  // The setter of a value that followers watch (bindings, NOTIFY): stores it when it
  // differs, repaints, then tells them.
  template <class C, class T>
  static void SetFollowed(C* control, T& field, const std::type_identity_t<T>& value,
                          void (C::*changed)()) {
    if (!SetIfChanged(field, value)) return;
    control->UpdateControl();
    Tell(control, changed);
  }
  // Sends a followed value's Changed, after its setter stored and showed it, as a dispatch of
  // Control (a handler may free it).
  template <class C>
  static void Tell(C* control, void (C::*changed)()) {
    const DispatchScope firing(control);
    (control->*changed)();
  }
};
}  // namespace kv

// Windowed base: the repaint request and the notification hooks descendants override.
class KV_EXPORT TKvCustomControl : public TCustomControl, protected kv::SetterRule {
  Q_OBJECT
  Q_PROPERTY(QString Version READ Version WRITE SetVersion STORED false)
public:
  explicit TKvCustomControl(kv::OwnerOrParent owner);
  const QString& Version() const { return FVersion; }
  void SetVersion(const QString& v) { FVersion = v; }

  // The repaint request every setter makes after storing a value: a synchronous repaint,
  // nothing while loading.
  virtual void UpdateControl();

signals:
  void OnMouseEnter(TObject* Sender);
  void OnMouseLeave(TObject* Sender);
  void OnFontChanged(TObject* Sender);
  void OnTextChanged(TObject* Sender);

protected:
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void FontChanged();
  virtual void TextChanged();
  void CMMouseEnter() override;
  void CMMouseLeave() override;
  void CMFontChanged() override;
  void CMTextChanged() override;

private:
  QString FVersion = kKvVersion;
};

// Non-windowed base: the repaint request, the size rules and the notification hooks.
class KV_EXPORT TKvGraphicControl : public TGraphicControl, protected kv::SetterRule {
  Q_OBJECT
  Q_PROPERTY(QString Version READ Version WRITE SetVersion STORED false)
public:
  explicit TKvGraphicControl(kv::OwnerOrParent owner);
  const QString& Version() const { return FVersion; }
  void SetVersion(const QString& v) { FVersion = v; }

  virtual void UpdateControl();
  // With AutoSize under a size-giving Align, re-applies the bounds; otherwise repaints.
  virtual void AdjustAutoBounds();
  // Re-applies the bounds so a size rule takes effect, then repaints if they stayed.
  virtual void AdjustBounds();

signals:
  void OnMouseEnter(TObject* Sender);
  void OnMouseLeave(TObject* Sender);
  void OnFontChanged(TObject* Sender);
  void OnTextChanged(TObject* Sender);

protected:
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void FontChanged();
  virtual void TextChanged();
  void CMMouseEnter() override;
  void CMMouseLeave() override;
  void CMFontChanged() override;
  void CMTextChanged() override;

  // Fills the client area of the control's own canvas with Color.
  void ClearCanvas();
  // While designing only: a dotted black frame around the control.
  void DrawDesignFrame(TCanvas* canvas);

  // ---- Keyboard, for the input controls that opt in ----
  // A non-windowed control takes no focus unless it calls this (in its constructor): then Tab
  // and a click focus it as they do a Qt widget (Qt::StrongFocus), its keys reach KeyPressed
  // and KeyReleased, and it shows the focus mark while focused.
  void AcceptFocus();
  // A key went down (auto-repeat repeats it) or up while the control has the focus; true when
  // the control used it. A key it leaves goes on to the parent, as Qt hands on an ignored key.
  // The base answers a push button's keys, as a Qt button has them: Enter clicks as it goes
  // down, Space as it comes up; both through KeyClick.
  virtual bool KeyPressed(uint16_t key, TShiftState shift);
  virtual bool KeyReleased(uint16_t key, TShiftState shift);
  // What the click keys do: what a click of the mouse does (OnClick).
  virtual void KeyClick();
  // Whether the focus mark shows: focused, other than only by its window coming to the front
  // (a window's first control gets the focus so), or since a key.
  bool ShowsFocus() const { return FFocusShown && hasFocus(); }
  // Paint, then the focus mark over the face: a dotted rectangle round the client area, on the
  // control's canvas only, so no kept image or captured background holds it.
  void PaintControl() override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

private:
  void ShowFocus(bool v);

  QString FVersion = kKvVersion;
  bool FFocusShown = false;
};

// How an image control clears its image, for a face kept over the clear between frames (the
// frame cache's ClearWithBase takes it): the clear, what it fills the image with, the brush
// colour it leaves, and the part of the image the current paint makes right.
struct TKvImageClear {
  TBitmap* Image = nullptr;
  std::function<void()> Clear;
  bool Transparent = false;
  // A transparent control's background capture by number, otherwise the colour as drawn.
  int64_t Fill = 0;
  TColor Brush;
  TRect Within;
};

// Windowed base with an off-screen image: Paint copies the image to the screen.
class KV_EXPORT TKvCustomImageControl : public TKvCustomControl {
  Q_OBJECT
public:
  explicit TKvCustomImageControl(kv::OwnerOrParent owner);
  ~TKvCustomImageControl() override;
  TCanvas* BitmapCanvas() const { return FImage->Canvas(); }

protected:
  // Sizes the image to the control and fills it with Color.
  virtual void ClearBitmapCanvas();
  // The clear a face kept between frames stands on.
  TKvImageClear ImageClear();
  // What the current paint must make right, in client coordinates.
  const TRect& PaintRect() const { return FPaintRect; }
  void Paint() override;
  void PaintControl() override;
  TBitmap* Image() const { return FImage.get(); }
  // Every paint copies the whole image over the control: an erase before it would be lost.
  bool ErasesBackground() const override { return false; }

private:
  std::unique_ptr<TBitmap> FImage;
  TRect FPaintRect;
};

// Non-windowed base with an off-screen image and transparency: a transparent control
// captures what its parent painted under it at a repaint from outside and reuses that
// capture for the repaints it asks for itself.
class KV_EXPORT TKvGraphicImageControl : public TKvGraphicControl {
  Q_OBJECT
public:
  explicit TKvGraphicImageControl(kv::OwnerOrParent owner);
  ~TKvGraphicImageControl() override;
  TCanvas* BitmapCanvas() const { return FImage->Canvas(); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  void UpdateControl() override;

protected:
  // Sizes the image and fills it with Color, or with the captured background.
  virtual void ClearBitmapCanvas();
  // The clear a face kept between frames stands on; a transparent control captures its
  // background first when a capture is due.
  TKvImageClear ImageClear();
  // The setter's repaint when nothing outside Changed (client coordinates) differs from the
  // last frame: only that rectangle is painted and copied to the window, which keeps the rest.
  // A face that paints with PaintRect must make every pixel inside it right. Without a whole
  // last frame of this size (first paint, resize, hidden, designing) it is UpdateControl.
  void UpdateControlRect(const TRect& changed);
  // What the current paint must make right: the bounds of the region being painted, the
  // whole client area unless a partial repaint asked for less.
  const TRect& PaintRect() const { return FPaintRect; }
  void Paint() override;
  // Wraps the paint with the canvas locks and sizes the image first.
  void PaintControl() override;
  TBitmap* Image() const { return FImage.get(); }
  TBitmap* Background() const { return FBackground.get(); }
  bool GrabBackground() const { return FGrabBackground; }

  // The canvas a descendant's drawing steps draw on (the control's canvas, or the image
  // canvas while the descendant's Paint points it there).
  TCanvas* FDrawCanvas = nullptr;

private:
  void CaptureBackground();
  // Before a repaint this control asks for itself: a transparent control reuses its capture.
  void PrepareOwnRepaint();

  std::unique_ptr<TBitmap> FBackground;
  std::unique_ptr<TBitmap> FImage;
  int64_t FBackgroundCaptures = 0;  // identifies what FBackground holds
  TRect FPaintRect;
  bool FGrabBackground = true;
  bool FTransparent = false;
};
