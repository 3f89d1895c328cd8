// A liquid container: a body of one of four shapes, optionally with a pipe down the middle
// to the bottom edge, filled below a level that follows Position between Min and Max. A
// position outside the range is reported through OnOutofRange, whose handler may move the
// range, and is then clamped.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvValueRange.h"

#include <cstdint>
#include <memory>

namespace KvTank {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TTankShape { tsRectangle, tsRoundedRectangle, tsEllipse, tsTriangle };
Q_ENUM_NS(TTankShape)
using enum TTankShape;

}  // namespace KvTank

using KvTank::TTankShape;

// The tank's pipe. Each setter fires OnChage (so spelled) after a change, except while its
// tank loads. The tank reacts through a connection of its own, made at construction: it is
// never written to a form description, and a handler bound to Container.OnChage in a
// description or connected in code runs after it, so it sees the pipe the tank limited.
class KV_EXPORT TContainerTank : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(int Height READ Height WRITE SetHeight NOTIFY PropertyChanged)
  Q_PROPERTY(int Width READ Width WRITE SetWidth NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
  Q_CLASSINFO("default.Height", "50")
  Q_CLASSINFO("default.Width", "20")
  Q_CLASSINFO("default.Visible", "true")
public:
  // Tank: the component whose loading holds the event back (none: always fired).
  explicit TContainerTank(const TComponent* tank = nullptr) : FTank(tank) {}

  int Height() const { return F.Height; }
  void SetHeight(int v);
  int Width() const { return F.Width; }
  void SetWidth(int v);
  bool Visible() const { return F.Visible; }
  void SetVisible(bool v);

  void Assign(const TPersistent* source) override;

signals:
  void OnChage(TObject* Sender);

private:
  template <class T>
  void Set(T& field, T value);
  void Report();

  const TComponent* FTank;
  struct Settings {
    int Height = 50;
    int Width = 20;
    bool Visible = true;
  } F;
};

// A liquid container filled up to the level of Position.
class KV_EXPORT TKvTank : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(TContainerTank* Container READ Container WRITE SetContainer)
  Q_PROPERTY(KvTank::TTankShape Shape READ Shape WRITE SetShape)
  Q_PROPERTY(TColor FillColor READ FillColor WRITE SetFillColor NOTIFY FillColorChanged)
  Q_PROPERTY(TColor EmptyColor READ EmptyColor WRITE SetEmptyColor NOTIFY EmptyColorChanged)
  Q_PROPERTY(TColor Color READ TankColor WRITE SetTankColor NOTIFY ColorChanged)
  Q_PROPERTY(double Min READ Min WRITE SetMin NOTIFY MinChanged)
  Q_PROPERTY(double Max READ Max WRITE SetMax NOTIFY MaxChanged)
  // The level, in Min .. Max (50 in 0 .. 100 at first); a value outside goes through
  // OnOutofRange, then is clamped. A change emits PositionChanged.
  Q_PROPERTY(double Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Shape", "tsTriangle")
  Q_CLASSINFO("default.FillColor", "clLime")
  Q_CLASSINFO("default.EmptyColor", "clNavy")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.ParentColor", "true")
  // The tank's own Color does not follow ParentColor: it is stored whenever it differs.
  Q_CLASSINFO("stored.Color", "IsTankColorStored")
public:
  explicit TKvTank(kv::OwnerOrParent owner);
  ~TKvTank() override;
  QSize minimumSizeHint() const override;

  TContainerTank* Container() const { return FContainer.get(); }
  void SetContainer(const TContainerTank* v) { FContainer->Assign(v); }
  TTankShape Shape() const { return FShape; }
  void SetShape(TTankShape v);
  TColor FillColor() const { return FFillColor; }
  void SetFillColor(TColor v) {
    SetFollowed(this, FFillColor, v, &TKvTank::FillColorChanged);
  }
  TColor EmptyColor() const { return FEmptyColor; }
  void SetEmptyColor(TColor v) {
    SetFollowed(this, FEmptyColor, v, &TKvTank::EmptyColorChanged);
  }
  // Stored and published, but the face is cleared with the colour the control inherits.
  TColor TankColor() const { return FTankColor; }
  void SetTankColor(TColor v) {
    if (!SetIfChanged(FTankColor, v)) return;
    UpdateControl();
    emit ColorChanged();
  }
  double Min() const { return FRange.Min; }
  double Max() const { return FRange.Max; }
  double Position() const { return FRange.Position; }

  // The liquid's surface, y from the top, for the current values and height.
  int LevelY() const;

  void Loaded() override;
  Q_INVOKABLE bool IsTankColorStored() const { return true; }

public slots:
  // A value above Max makes Min = Max; a position left below runs the out-of-range step.
  void SetMin(double v);
  void SetMax(double v);
  // Outside the range: OnOutofRange may move the range, then the position is clamped.
  void SetPosition(double v);

signals:
  void FillColorChanged();
  void EmptyColorChanged();
  // Min, Max and Pos may be changed by a direct connection. A returned triple is taken
  // only when Max >= Min and all three are finite; otherwise nothing is taken (a handler
  // vetoes that way). While it runs, a nested out-of-range step on this tank clamps
  // without calling it, and the values it returns then replace what the nested step set.
  void OnOutofRange(TObject* Sender, double& Min, double& Max, double& Pos);
  void MinChanged(double Min);
  void MaxChanged(double Max);
  void PositionChanged(double Position);

protected:
  void Paint() override;

private:
  friend struct kv::RangeAccess;  // a range end set past the position runs OutOfRange

  void ContainerChanged();
  // Takes the handler's values and clamps; false when the handler freed the tank.
  bool OutOfRange(double v);
  // Repaints only the rows between the level the last frame drew and the current one.
  void RepaintLevel();

  std::unique_ptr<TContainerTank> FContainer;
  TTankShape FShape = TTankShape::tsTriangle;
  TColor FFillColor = clLime;
  TColor FEmptyColor = clNavy;
  TColor FTankColor = clBtnFace;
  kv::ValueRange<double> FRange{0, 100, 50};
  bool FInOutOfRange = false;
  // The inside of body and pipe, and the geometry it was made for.
  TRegion FInterior;
  // The surface the last frame drew the liquid from; -1 when it drew none.
  int FPaintedLevel = -1;
  struct Private;
  std::unique_ptr<Private> d;
};
