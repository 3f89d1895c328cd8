#include "KvFormShape.h"

#include "ClassRegistry.h"
#include "FormDescriptions.h"
#include "KvArtwork.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

using kv::Exception, kv::ExtCreateRegion, kv::GetRegionData, kv::Point, kv::Screen, kv::crHourGlass;

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvFormShape>();

namespace {

constexpr int64_t kRegionHeaderSize = 32;
constexpr int64_t kRegionRectSize = 16;
constexpr uint32_t kRegionRectangles = 1;

[[noreturn]] void InvalidFormat() { throw Exception(QStringLiteral("Invalid file format")); }

uint32_t HeaderField(const QByteArray& data, int index) {
  return qFromLittleEndian<uint32_t>(data.constData() + 4 * index);
}

// True for a block whose header describes exactly the bytes it holds.
bool IsCompleteRegionData(const QByteArray& data) {
  if (data.size() < kRegionHeaderSize || data.size() > std::numeric_limits<int>::max())
    return false;
  const int64_t count = HeaderField(data, 2);
  const int64_t rectBytes = HeaderField(data, 3);
  return HeaderField(data, 0) == kRegionHeaderSize && HeaderField(data, 1) == kRegionRectangles &&
         rectBytes == kRegionRectSize * count && data.size() == kRegionHeaderSize + rectBytes;
}

// The hourglass for the duration of a scope; the cursor before it comes back.
class HourglassCursor {
public:
  HourglassCursor() : FPrevious(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }
  ~HourglassCursor() { Screen->SetCursor(FPrevious); }
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;

private:
  TCursor FPrevious;
};

}  // namespace

// ---------------------------------------------------------------------------
// TKvRgnData

void TKvRgnData::SetSize(int N) {
  const size_t size = size_t(std::max(N, 0));
  if (size == FData.size()) return;
  FData.resize(size);
  if (size == 0) FData.shrink_to_fit();
}

QByteArray TKvRgnData::Bytes() const {
  return QByteArray(reinterpret_cast<const char*>(FData.data()), Size());
}

void TKvRgnData::SetBytes(const QByteArray& Bytes) {
  if (Bytes.size() > std::numeric_limits<int>::max())
    throw EInvalidOperation(
        QStringLiteral("Region data of %1 bytes is too large").arg(Bytes.size()));
  FData.assign(Bytes.begin(), Bytes.end());
}

void TKvRgnData::Assign(const TPersistent* Source) {
  if (const auto* other = dynamic_cast<const TKvRgnData*>(Source)) {
    FData = other->FData;
    return;
  }
  TPersistent::Assign(Source);
}

void TKvRgnData::LoadFromStream(TStream& Stream) {
  uchar sizeBytes[4] = {};
  if (Stream.Read(sizeBytes, 4) != 4) InvalidFormat();
  const int32_t size = qFromLittleEndian<int32_t>(sizeBytes);
  // The size comes from the stream: nothing is allocated for bytes that are not there.
  if (size < 0 || size > Stream.Remaining()) InvalidFormat();
  if (size == 0) return;
  std::vector<uint8_t> data(size_t(size), 0);
  Stream.ReadBuffer(data.data(), size);
  FData = std::move(data);
}

void TKvRgnData::SaveToStream(TStream& Stream) const {
  uchar sizeBytes[4] = {};
  qToLittleEndian<int32_t>(Size(), sizeBytes);
  Stream.WriteBuffer(sizeBytes, 4);
  if (!FData.empty()) Stream.WriteBuffer(FData.data(), Size());
}

// ---------------------------------------------------------------------------
// TKvFormShape

TKvFormShape::TKvFormShape(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FMask(std::make_unique<TBitmap>()),
      FShownMask(std::make_unique<kv::TKvScaledPicture>()),
      FRgnData(std::make_unique<TKvRgnData>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetAlign(TAlign::alClient);
  SetColor(clOlive);
  SetParentColor(false);
  SetTransparent(true);
  // A parent given to the constructor follows the same rule as one given to SetParent.
  AcceptParent(parentWidget());
}

TKvFormShape::~TKvFormShape() = default;

void TKvFormShape::SetMask(const TBitmap* Value) {
  FMask->Assign(Value);
  UpdateOpacity();
  if (!IsLoading()) BuildRegionData();
  UpdateControl();
}

// Opaque, the form paints nothing under the face: at ratio 2 the window's whole background
// would be 7 MB filled only to be covered.
void TKvFormShape::UpdateOpacity() {
  if (PaintsStraight()) SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  else SetControlStyle(ControlStyle() & ~TControlStyle(TControlStyleFlag::csOpaque));
}

void TKvFormShape::SetMaskColor(TColor Value) {
  if (Value == Color()) return;
  SetColor(Value);
  if (IsLoading()) return;
  BuildRegionData();
  UpdateControl();
}

void TKvFormShape::SetParent(TWinControl* Parent) {
  AcceptParent(Parent);
  TKvGraphicImageControl::SetParent(Parent);
}

void TKvFormShape::AcceptParent(QWidget* Parent) {
  auto* form = dynamic_cast<TForm*>(Parent);
  if (Parent && !form) throw Exception(QStringLiteral("KvFormShape requires a FORM as parent!"));
  if (form) form->SetBorderStyle(TFormBorderStyle::bsNone);
}

void TKvFormShape::Loaded() {
  TKvGraphicImageControl::Loaded();
  UpdateOpacity();
  if (!IsDesigning()) ApplyRegion();
}

void TKvFormShape::DefineProperties(TFiler& Filer) {
  TKvGraphicImageControl::DefineProperties(Filer);
  Filer.DefineBinaryProperty(
      QStringLiteral("RgnData"), [this](TStream& stream) { FRgnData->LoadFromStream(stream); },
      [this](TStream& stream) { FRgnData->SaveToStream(stream); }, true);
}

void TKvFormShape::PaintControl() {
  UpdateOpacity();  // the mask may have been made transparent in place
  // Without an image of its own: one more whole face to clear and copy.
  if (PaintsStraight()) TKvGraphicControl::PaintControl();
  else TKvGraphicImageControl::PaintControl();
}

void TKvFormShape::Paint() {
  const bool straight = PaintsStraight();
  if (!straight) ClearBitmapCanvas();
  TCanvas* canvas = straight ? Canvas() : BitmapCanvas();
  const int scale = canvas->DeviceScale();
  // A mask a form names is drawn in its resource's version for the scale.
  const TBitmap* shown = FMask->Empty() ? nullptr : FShownMask->Shown(*FMask, scale);
  if (shown) canvas->Draw(0, 0, shown);
  if (straight) {
    // What the mask does not reach, were the control larger than it.
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas->Brush()->SetColor(Color());
    if (Width() > FMask->Width()) canvas->FillRect(kv::Rect(FMask->Width(), 0, Width(), Height()));
    if (Height() > FMask->Height())
      canvas->FillRect(kv::Rect(0, FMask->Height(), std::min(Width(), FMask->Width()), Height()));
    if (scale != FOutlineScale) {
      FOutlineScale = scale;
      // Not while the form paints: a new outline repaints it.
      QMetaObject::invokeMethod(
          this, [this, scale] { ApplyDeviceOutline(scale); }, Qt::QueuedConnection);
    }
    return;
  }
  DrawDesignFrame(canvas);
  TKvGraphicImageControl::Paint();
}

// A mask with a version for the scale gives the form that version's outline in device pixels,
// where the window can take one and as long as the form's region is still the mask's own.
void TKvFormShape::ApplyDeviceOutline(int scale) {
  TForm* form = ParentForm();
  if (!form) return;
  const TBitmap* shown = FMask->Empty() ? nullptr : FShownMask->Shown(*FMask, scale);
  std::optional<TRegion> outline;
  if (shown && shown != FMask.get() && form->TakesDeviceWindowRegion(scale) &&
      form->WindowRegion() &&
      *form->WindowRegion() == kv::MaskRegion(*FMask, MaskColor())) {
    TBitmap devicePixels;  // the version's image read pixel by pixel
    devicePixels.SetImage(shown->Image());
    outline = kv::MaskRegion(devicePixels, MaskColor());
  }
  form->SetDeviceWindowRegion(outline, scale);
}

void TKvFormShape::MouseDown(TMouseButton Button, TShiftState, int X, int Y) {
  if (Button != TMouseButton::mbLeft) return;
  SetMouseCapture(false);
  if (TForm* form = ParentForm()) form->StartSystemMove(ClientToScreen(Point(X, Y)));
}

QByteArray TKvFormShape::FetchRegionData(const TRegion& Region) const {
  return GetRegionData(Region);
}

TForm* TKvFormShape::ParentForm() const { return dynamic_cast<TForm*>(Parent()); }

void TKvFormShape::BuildRegionData() {
  const HourglassCursor hourglass;
  const TRegion region = kv::MaskRegion(*FMask, MaskColor());
  if (region.IsEmpty()) return;
  const QByteArray data = FetchRegionData(region);
  // A failed or short fetch keeps the data stored before.
  if (!IsCompleteRegionData(data)) return;
  FRgnData->SetBytes(data);
  if (!IsDesigning()) ApplyRegion();
}

void TKvFormShape::ApplyRegion() {
  TForm* form = ParentForm();
  if (!form || FRgnData->Size() <= 0) return;
  // The data comes from the form description: a malformed block (or one without a single
  // pixel) keeps the shape the window has.
  const std::optional<TRegion> region = ExtCreateRegion(FRgnData->Data(), FRgnData->Size());
  if (!region || region->IsEmpty()) return;
  form->SetWindowRegion(&*region);
  FOutlineScale = 0;  // found again at the next paint
  UpdateControl();
}

// ---------------------------------------------------------------------------

namespace kv {

QByteArray RgnDataEntry(const TBitmap& Mask, TColor MaskColor, int Depth) {
  // The scan a change of Mask makes at run time...
  TForm scanning(nullptr);
  auto* scanner = new TKvFormShape(&scanning);
  scanner->SetParent(&scanning);
  scanner->SetMaskColor(MaskColor);
  scanner->SetMask(&Mask);
  if (scanner->RgnData()->Size() == 0) return {};
  // ...and the entry the form writer makes of its result (on a shape without the picture).
  TForm writing(nullptr);
  auto* holder = new TKvFormShape(&writing);
  holder->SetParent(&writing);
  holder->RgnData()->Assign(scanner->RgnData());
  const QList<QByteArray> lines = WriteComponent(&writing).split('\n');
  QByteArray entry;
  qsizetype indent = -1;
  for (const QByteArray& line : lines) {
    const QByteArray trimmed = line.trimmed();
    if (indent < 0) {
      if (!trimmed.startsWith("RgnData = {")) continue;
      indent = line.indexOf('R');
    }
    entry += QByteArray(2 * qsizetype(std::clamp(Depth, 0, 64)), ' ') + line.mid(indent) + '\n';
    if (trimmed == "}") break;
  }
  return entry;
}

}  // namespace kv

// The mask whole.
QSize TKvFormShape::minimumSizeHint() const {
  return kv::LeastSizeHint(FMask->Width(), FMask->Height());
}
