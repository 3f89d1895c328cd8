// A status lamp shaped as a small symbol from the program's pictures, tinted with a palette
// (off in Low, on in High), optionally blinking on an owned timer or drawn inverted.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvThreads.h"

#include <QObject>

#include <array>
#include <memory>

namespace KvImageLed {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvImageType {
  itSound,
  itCD,
  itPlug,
  itMike,
  itPlayMedia,
  itSpeaker,
  itNote,
  itPlayBack,
  itFrequency,
  itRecord,
  itRewind,
  itReplay
};
Q_ENUM_NS(TKvImageType)
using enum TKvImageType;

}  // namespace KvImageLed

using KvImageLed::TKvImageType;

// A status lamp shaped as a small symbol, on or off, optionally blinking.
class KV_EXPORT TKvImageLed : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(bool Threaded READ Threaded WRITE SetThreaded)
  Q_PROPERTY(bool Blink READ Blink WRITE SetBlink)
  // On (the palette's High) or off (Low), off at first; a change emits ActiveChanged.
  Q_PROPERTY(bool Active READ Active WRITE SetActive NOTIFY ActiveChanged USER true)
  Q_PROPERTY(KvImageLed::TKvImageType ImageType READ ImageType WRITE SetImageType)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(int TimeInterval READ TimeInterval WRITE SetTimeInterval)
  Q_PROPERTY(bool Inverted READ Inverted WRITE SetInverted)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Blink", "false")
  Q_CLASSINFO("default.Active", "false")
  Q_CLASSINFO("default.ImageType", "itSound")
  Q_CLASSINFO("default.TimeInterval", "1000")
  Q_CLASSINFO("default.Inverted", "false")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvImageLed(kv::OwnerOrParent owner);
  ~TKvImageLed() override;
  QSize minimumSizeHint() const override;

  // The owned timer's type: its worker thread (True) or the system timer (False).
  bool Threaded() const;
  void SetThreaded(bool v);
  // Switching on turns the LED off first (with OnChange if it was on), then runs the timer,
  // except while designing. Switching off leaves Active as it is.
  bool Blink() const { return FBlink; }
  void SetBlink(bool v);
  // A change repaints, then fires OnChange.
  bool Active() const { return FActive; }
  TKvImageType ImageType() const { return FImageType; }
  void SetImageType(TKvImageType v);
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  // The timer's interval in milliseconds; a negative value is kept as the timer keeps it.
  int TimeInterval() const;
  void SetTimeInterval(int v);
  bool Inverted() const { return FInverted; }
  void SetInverted(bool v);

  // The tinted symbol: the off cell on the left, the on cell on the right.
  const TBitmap* Picture() const { return FPicture.get(); }

public slots:
  void SetActive(bool v);

signals:
  void OnChange(TObject* Sender);
  void ActiveChanged(bool Active);

protected:
  void Paint() override;
  void CMSysColorChange() override;
  TKvTimer* Timer() const { return FTimer.get(); }

private:
  void LoadPicture();

  std::unique_ptr<TKvTimer> FTimer;
  std::unique_ptr<TKvPalette> FPalette;
  std::unique_ptr<TBitmap> FPicture;
  std::array<std::unique_ptr<TBitmap>, 12> FRawPictures;
  bool FBlink = false;
  bool FActive = false;
  TKvImageType FImageType = TKvImageType::itSound;
  bool FInverted = false;
  struct Private;
  std::unique_ptr<Private> d;
};
