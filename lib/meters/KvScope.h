// An oscilloscope-style strip chart: on every tick of its own timer the scope asks for one
// value per channel (OnNeedData), keeps it in the channel's history, scrolls its grid and
// draws a trace per visible channel, the newest sample at the entry edge.
#pragma once

#include "KvExport.h"
#include "Classes.h"
#include "KvControls.h"
#include "KvThreads.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace KvScope {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TGraphStyle { gsLine, gsBar };
Q_ENUM_NS(TGraphStyle)
using enum TGraphStyle;
enum class TScrolldirection { sdRightToLeft, sdLeftToRight };
Q_ENUM_NS(TScrolldirection)
using enum TScrolldirection;

}  // namespace KvScope

using KvScope::TGraphStyle;
using KvScope::TScrolldirection;

using TKvScopeInt = TKvRange<-999999999, 999999999>;
using TKvBaseOffsetInt = TKvRange<0, 100>;

class TKvScope;

// One trace: its look and its history of samples, newest first.
class KV_EXPORT TKvChannel : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY PropertyChanged)
  Q_PROPERTY(int Width READ Width WRITE SetWidth NOTIFY PropertyChanged)
  Q_PROPERTY(KvScope::TGraphStyle Style READ Style WRITE SetStyle NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
  Q_CLASSINFO("default.Color", "clYellow")
  Q_CLASSINFO("default.Width", "1")
  Q_CLASSINFO("default.Style", "gsLine")
  Q_CLASSINFO("default.Visible", "true")
public:
  explicit TKvChannel(TCollection* collection);

  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  // The trace's pen width.
  int Width() const { return FWidth; }
  void SetWidth(int v);
  TGraphStyle Style() const { return FStyle; }
  void SetStyle(TGraphStyle v);
  // Samples are collected either way.
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  // Another channel's Color, Width and Style inside one update of the collection.
  void Assign(const TPersistent* source) override;

  // The history: Count samples, Sample(0) the newest.
  int Count() const { return int(FCount); }
  int Sample(int index) const { return FRing[(FHead + size_t(index)) % FRing.size()]; }
  // The history as fields of ten characters, newest first ("0000000005", "-000000005").
  QString DataText() const;
  // Slots held for samples; grows with them, never beyond the limit.
  size_t Capacity() const { return FRing.size(); }
  // Puts Value in front and keeps at most Limit samples (none for a Limit of 0 or less).
  void Prepend(int value, int64_t limit);
  void ClearData();
  // Identifies the channel for the whole run, unlike its address.
  uint64_t Id() const { return FId; }
  // Moves on by one per sample stored and by two when the history is emptied: a difference
  // of one between two looks means exactly one new sample in front.
  uint64_t Stamp() const { return FStamp; }

private:
  void Grow(int64_t limit);

  TColor FColor = clYellow;
  int FWidth = 1;
  TGraphStyle FStyle = TGraphStyle::gsLine;
  bool FVisible = true;
  // A ring of samples: FCount of them from FHead on, newest first.
  std::vector<int> FRing;
  size_t FHead = 0;
  size_t FCount = 0;
  uint64_t FId;
  uint64_t FStamp = 0;
};

// The scope's channels, one trace each.
class KV_EXPORT TKvChannels : public TCollection {
  Q_OBJECT
public:
  explicit TKvChannels(TKvScope* scope);
  TKvChannel* Items(int index) const { return static_cast<TKvChannel*>(TCollection::Items(index)); }
  TKvChannel* Add() { return static_cast<TKvChannel*>(TCollection::Add()); }
  TKvScope* Scope() const { return FScope; }

protected:
  void Update(TCollectionItem* item) override;

private:
  TKvScope* FScope;
};

// An oscilloscope-style strip chart of its Channels' samples, from OnNeedData while Active
// or pushed with AddValues; Active emits ActiveChanged.
class KV_EXPORT TKvScope : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int Interval READ Interval WRITE SetInterval)
  Q_PROPERTY(bool AnimateGrid READ AnimateGrid WRITE SetAnimateGrid)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  Q_PROPERTY(TKvChannels* Channels READ Channels WRITE SetChannels)
  Q_PROPERTY(KvScope::TScrolldirection Direction READ Direction WRITE SetDirection)
  Q_PROPERTY(int GridSize READ GridSize WRITE SetGridSize)
  Q_PROPERTY(int GridLineWidth READ GridLineWidth WRITE SetGridLineWidth)
  Q_PROPERTY(TColor GridColor READ GridColor WRITE SetGridColor NOTIFY GridColorChanged)
  Q_PROPERTY(int BaseOffset READ BaseOffset WRITE SetBaseOffset)
  Q_PROPERTY(TColor BaseColor READ BaseColor WRITE SetBaseColor NOTIFY BaseColorChanged)
  Q_PROPERTY(int Frequency READ Frequency WRITE SetFrequency)
  Q_PROPERTY(int BufferSize READ BufferSize WRITE SetBufferSize)
  Q_PROPERTY(bool Threaded READ Threaded WRITE SetThreaded)
  Q_PROPERTY(bool Active READ Active WRITE SetActive NOTIFY ActiveChanged)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_CLASSINFO("default.Interval", "100")
  Q_CLASSINFO("default.AnimateGrid", "true")
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.Channels", "")
  Q_CLASSINFO("default.Direction", "sdRightToLeft")
  Q_CLASSINFO("default.GridSize", "16")
  Q_CLASSINFO("default.GridLineWidth", "1")
  Q_CLASSINFO("default.GridColor", "clGreen")
  Q_CLASSINFO("default.BaseOffset", "50")
  Q_CLASSINFO("default.BaseColor", "clLime")
  Q_CLASSINFO("default.Frequency", "1")
  Q_CLASSINFO("default.BufferSize", "999")
  Q_CLASSINFO("default.Threaded", "true")
  Q_CLASSINFO("default.Active", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvScope(kv::OwnerOrParent owner);
  ~TKvScope() override;
  QSize minimumSizeHint() const override;

  // The timer's interval in milliseconds; a negative value is kept as the timer keeps it.
  int Interval() const;
  void SetInterval(int v);
  // Whether the vertical grid lines scroll with the traces.
  bool AnimateGrid() const { return FAnimateGrid; }
  void SetAnimateGrid(bool v) { FAnimateGrid = v; }
  // Ignored unless above MinValue; a change empties every history.
  int MaxValue() const { return FMaxValue; }
  int MinValue() const { return FMinValue; }
  TKvChannels* Channels() const { return FChannels.get(); }
  // Copies the given channels (their look, not Visible); the scope's own is left alone.
  void SetChannels(const TKvChannels* v);
  TScrolldirection Direction() const { return FDirection; }
  void SetDirection(TScrolldirection v);
  int GridSize() const { return FGridSize; }
  void SetGridSize(int v);
  int GridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(int v);
  TColor GridColor() const { return FGridColor; }
  void SetGridColor(TColor v);
  // The base line's height in percent of the height, from the bottom.
  int BaseOffset() const { return FBaseOffset; }
  void SetBaseOffset(int v);
  TColor BaseColor() const { return FBaseColor; }
  void SetBaseColor(TColor v);
  // Pixels between two samples, and the grid's step per tick.
  int Frequency() const { return FFrequency; }
  void SetFrequency(int v);
  // Samples kept per channel; 0 or less keeps none.
  int BufferSize() const { return FBufferSize; }
  void SetBufferSize(int v) { FBufferSize = v; }
  // The owned timer's type: its worker thread (True) or the system timer (False).
  bool Threaded() const;
  void SetThreaded(bool v);
  // The timer's Enabled; not changed while designing.
  bool Active() const;

  // The grid's scroll position and the base line's row at the last paint.
  int GridOffset() const { return int(FGridOffset); }
  int BaseY() const { return FBaseY; }

  void Loaded() override;

public slots:
  void SetActive(bool v);
  // Pushes one step of samples from the program, as a tick would ask them: the grid steps,
  // channel K takes Values[K] (MinValue when the list is shorter), clamped to the range, and
  // the scope repaints. Works with Active False, the usual way to feed it from outside.
  void AddValues(const QList<int>& Values);
  // The same for a scope with one channel, or for the first channel of several.
  void AddValue(int Value) { AddValues({Value}); }

public slots:
  void SetMaxValue(int v);
  void SetMinValue(int v);

signals:
  void GridColorChanged();
  void BaseColorChanged();
  // Asks for the value of Channel (its index now); the handler writes Value, which starts as
  // MinValue. Bind it directly, on the GUI thread: Value is written back.
  void OnNeedData(TObject* Sender, int Channel, int& Value);
  void ActiveChanged(bool Active);
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);

protected:
  void Paint() override;
  void hideEvent(QHideEvent* e) override;
  // One tick: the grid steps, every channel gets the sample OnNeedData gives, the scope
  // repaints.
  void Tick();
  TKvTimer* Timer() const { return FTimer.get(); }
  // The canvas on the kept frame the screen shows, while the grid repeats (null otherwise).
  TCanvas* FrameCanvas();

private:
  // One step of the traces: the grid moves on, every channel takes the sample Fill writes
  // (starting as MinValue; Fill may free the scope or change the channels), clamped to the
  // range, and the scope repaints.
  void Step(const std::function<void(TKvChannel& channel, int& value)>& fill);
  void ClearHistories();
  // The base line's row for the current height.
  int BaseRow() const;
  // The grid in Width x Height pixels: its first vertical line lies Offset pixels left of the
  // image, its horizontal lines lie every GridSize above and below the base line at row Base.
  void DrawGrid(TCanvas* canvas, int64_t width, int64_t height, int64_t offset, int64_t base) const;
  // Every visible channel's trace, the first channel last (on top).
  void DrawTraces(TCanvas* canvas);
  // The points of the channel's trace for samples First to Last (not included), from where
  // the sample before left the pen; 0 to the end is the whole trace.
  void TraceOf(const TKvChannel& channel, std::vector<TPoint>& points, int64_t first,
               int64_t last) const;
  // Draws a trace with the channel's pen, inside the canvas's clip.
  void DrawTrace(TCanvas* canvas, const TKvChannel& channel,
                 const std::vector<TPoint>& points) const;
  // Makes the kept grid strip ready; false where it does not stand in for a drawing.
  bool KeepGridStrip();
  // Copies the cleared image with the grid for columns Left to Right from the strip.
  void CopyGrid(int64_t left, int64_t right);
  // Sizes the tape for the scope and the step; false where no tape can be had.
  bool KeepTape();
  // What the grid strip is drawn from, as a key's bytes.
  QByteArray GridKey() const;
  // What the frame is drawn from, apart from the histories and the grid's position.
  QByteArray FrameKey() const;
  // Moves the last frame by one sample's step and draws only the columns that step changes;
  // false (nothing done) unless the tape holds the last frame and one tick lies between.
  bool ScrollLastFrame(const QByteArray& key);
  void KeepFrame(const QByteArray& key);
  // The row of a sample's value, from the rows kept for this paint where there are any.
  int RowOf(int value) const;
  void KeepRows();

  std::unique_ptr<TKvTimer> FTimer;
  std::unique_ptr<TKvChannels> FChannels;
  bool FAnimateGrid = true;
  int FMaxValue = 100;
  int FMinValue = 0;
  TScrolldirection FDirection = TScrolldirection::sdRightToLeft;
  int FGridSize = 16;
  int FGridLineWidth = 1;
  TColor FGridColor = clGreen;
  int FBaseOffset = 50;
  TColor FBaseColor = clLime;
  int FFrequency = 1;
  int FBufferSize = 999;
  int64_t FGridOffset = 0;
  int FBaseY = 0;
  bool FPainting = false;
  // The grid strip, the tape, the rows of values and the last frame's key.
  struct Private;
  std::unique_ptr<Private> d;
};
