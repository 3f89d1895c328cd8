// The LED sign: a grid of square pixels with gaps between them, showing a picture one
// picture pixel per square, which can scroll across the sign on an owned timer.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvThreads.h"

#include <QImage>
#include <QObject>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace KvBanner {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvBannerPixelMode { pmAuto, pmCustom };
Q_ENUM_NS(TKvBannerPixelMode)
using enum TKvBannerPixelMode;
enum class TKvBannerDirection { bdRightToLeft, bdLeftToRight, bdTopToBottom, bdBottomToTop };
Q_ENUM_NS(TKvBannerDirection)
using enum TKvBannerDirection;

}  // namespace KvBanner

using KvBanner::TKvBannerDirection;
using KvBanner::TKvBannerPixelMode;

// An LED sign showing a picture, optionally scrolling.
class KV_EXPORT TKvBanner : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(bool Threaded READ Threaded WRITE SetThreaded)
  Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap)
  Q_PROPERTY(int PixelSize READ PixelSize WRITE SetPixelSize)
  Q_PROPERTY(TColor PixelColor READ PixelColor WRITE SetPixelColor NOTIFY PixelColorChanged)
  Q_PROPERTY(KvBanner::TKvBannerPixelMode PixelMode READ PixelMode WRITE SetPixelMode)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(int TimeInterval READ TimeInterval WRITE SetTimeInterval)
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(KvBanner::TKvBannerDirection Direction READ Direction WRITE SetDirection)
  Q_PROPERTY(bool AutoScroll READ AutoScroll WRITE SetAutoScroll)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Bitmap", "")
  Q_CLASSINFO("default.PixelSize", "2")
  Q_CLASSINFO("default.PixelColor", "clGray")
  Q_CLASSINFO("default.PixelMode", "pmAuto")
  Q_CLASSINFO("default.Spacing", "1")
  Q_CLASSINFO("default.TimeInterval", "50")
  Q_CLASSINFO("default.Direction", "bdRightToLeft")
  Q_CLASSINFO("default.AutoScroll", "false")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvBanner(kv::OwnerOrParent owner);
  ~TKvBanner() override;
  QSize minimumSizeHint() const override;

  // The owned timer's type: its worker thread (True) or the system timer (False).
  bool Threaded() const;
  void SetThreaded(bool v);
  // The source picture; assigning copies it.
  TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(const TBitmap* v) { FBitmap->Assign(v); }
  // Side of a square; values <= 0, and those whose pitch would not fit an int, are ignored.
  int PixelSize() const { return FPixelSize; }
  void SetPixelSize(int v);
  TColor PixelColor() const { return FPixelColor; }
  void SetPixelColor(TColor v);
  TKvBannerPixelMode PixelMode() const { return FPixelMode; }
  void SetPixelMode(TKvBannerPixelMode v);
  // The gap between squares; refused as PixelSize is.
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  // The timer's interval in milliseconds; a negative value is kept as the timer keeps it.
  int TimeInterval() const;
  void SetTimeInterval(int v);
  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  TKvBannerDirection Direction() const { return FDirection; }
  void SetDirection(TKvBannerDirection v);
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool v);

  // The cell pitch: PixelSize + Spacing.
  int64_t Pitch() const { return int64_t(FPixelSize) + FSpacing; }
  // The size of the picture as squares on the grid.
  int64_t RenderedWidth() const { return int64_t(FBitmap->Width()) * Pitch(); }
  int64_t RenderedHeight() const { return int64_t(FBitmap->Height()) * Pitch(); }
  int64_t OffsetX() const { return FOffsetX; }
  int64_t OffsetY() const { return FOffsetY; }

  // A new size centres the picture.
  void SetBounds(int left, int top, int width, int height) override;
  void Loaded() override;

signals:
  void PixelColorChanged();
  void OnScrollDone(TObject* Sender);

protected:
  void Paint() override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void CMColorChanged() override;
  void hideEvent(QHideEvent* e) override;
  // One step of the picture in Direction.
  void ScrollStep();
  TKvTimer* Timer() const { return FTimer.get(); }

private:
  void Rebuild();
  void CenterPicture();
  // What the face is drawn from besides its place across and the bevel.
  std::array<int64_t, 11> FaceInputs() const;
  // The face on the tape's window; with Shift, only the columns a move of the window by that
  // many pixels across brought in.
  void DrawPicture(int64_t shift = 0);
  void SetPitchPart(int& field, int v);

  std::unique_ptr<TKvTimer> FTimer;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TKvBevel> FBevel;
  int64_t FOffsetX = 0;
  int64_t FOffsetY = 0;
  bool FRecenter = true;
  bool FStarted = false;
  int FPixelSize = 2;
  TColor FPixelColor = clGray;
  TKvBannerPixelMode FPixelMode = TKvBannerPixelMode::pmAuto;
  int FSpacing = 1;
  TKvBannerDirection FDirection = TKvBannerDirection::bdRightToLeft;
  bool FAutoScroll = false;
  // The face's set-up, its tape and the kept bevel.
  struct Private;
  std::unique_ptr<Private> d;
};
