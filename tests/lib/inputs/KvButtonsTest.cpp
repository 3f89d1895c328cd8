#include "KvButtons.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <vector>

using kv::ColorToRGB, kv::IsRectEmpty, kv::OffsetRect, kv::Rect;

using kvtest::CountPixels;
using kvtest::InkBounds;
using kvtest::OwnPropertyNames;
using kvtest::PixelAt;
using kvtest::StreamingDefaults;

namespace {

constexpr int32_t kBack = 0x406080;
constexpr int32_t kStripeA = 0x30A050, kStripeB = 0xA03050;

// The demo's settings.
constexpr int32_t kNavBrush = 14267539, kNavPen = 12218181, kNavShadow = 10446669,
                  kNavShadowOutline = 7292981, kNavFont = 10116669;
constexpr int32_t kDemoEnter = 14533045, kDemoLeave = 12488054, kDemoOutline = 12950149,
                  kDemoFace = 7292981;

int32_t Rgb(TColor c) { return ColorToRGB(c); }

// A parent painted in vertical stripes of 4 pixels, so transparency shows.
class Stripes : public TCustomControl {
public:
  explicit Stripes(TComponent* owner) : TCustomControl(owner) {}

protected:
  void Paint() override {
    for (int x = 0; x < Width(); x += 4) {
      Canvas()->Brush()->SetColor((x / 4) % 2 ? kStripeB : kStripeA);
      Canvas()->FillRect(Rect(x, 0, x + 4, Height()));
    }
  }
};

// The names of the events a control fires, in order.
struct EventLog {
  std::vector<std::string> names;
  void Watch(TControl* c) {
    QObject::connect(
        c, &TControl::OnMouseDown,
        [this](TObject*, TMouseButton, TShiftState, int, int) { names.emplace_back("down"); });
    QObject::connect(
        c, &TControl::OnMouseUp,
        [this](TObject*, TMouseButton, TShiftState, int, int) { names.emplace_back("up"); });
    QObject::connect(c, &TControl::OnClick, [this](TObject*) { names.emplace_back("click"); });
  }
  int Clicks() const { return int(std::count(names.begin(), names.end(), "click")); }
};

void Press(QWidget* w, QPoint p) { QTest::mousePress(w, Qt::LeftButton, {}, p); }
void Release(QWidget* w, QPoint p) { QTest::mouseRelease(w, Qt::LeftButton, {}, p); }
void Drag(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

void ApplyNavigationSettings(TKvShadowButton* b) {
  b->Brush()->SetColor(kNavBrush);
  b->Pen()->SetColor(kNavPen);
  b->SetShadowColor(kNavShadow);
  b->SetShadowOutline(kNavShadowOutline);
  b->SetTransparent(true);
  b->Font()->SetName(QStringLiteral("MS Sans Serif"));
  b->Font()->SetHeight(-11);
  b->Font()->SetColor(kNavFont);
  b->Font()->SetStyle({});
}

void ApplyWindowButtonSettings(TKvDemoButton* b) {
  for (TFont* f : {b->FontEnter(), b->FontLeave()}) {
    f->SetName(QStringLiteral("Arial"));
    f->SetHeight(-15);
    f->SetStyle(TFontStyle::fsBold);
  }
  b->FontEnter()->SetColor(kDemoEnter);
  b->FontLeave()->SetColor(kDemoLeave);
  b->SetOutlineColor(kDemoOutline);
  b->SetShadowColor(kDemoFace);
  b->SetHighlightColor(kDemoFace);
  b->Font3D()->SetHighlightDepth(0);
  b->Font3D()->SetShadowDepth(0);
  b->SetFlat(true);
  b->SetColor(kDemoFace);
}

// One shadow button on a form of colour kBack, at (Margin, Margin).
struct ShadowScene {
  TForm form{nullptr};
  TKvShadowButton* button;
  EventLog log;
  int margin;
  explicit ShadowScene(int margin_ = 0) : margin(margin_) {
    form.SetColor(kBack);
    button = new TKvShadowButton(&form);
    button->SetParent(&form);
    button->SetBounds(margin, margin, 110, 30);
    log.Watch(button);
    kvtest::ShowForm(&form, 110 + 2 * margin, 30 + 2 * margin);
  }
  QImage Shot() { return kvtest::Grab(button); }
  QImage FormShot() { return kvtest::Grab(&form); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Shadow button

TEST(ShadowButton, InitialSettingsAndStreamingDefaults) {
  TKvShadowButton b(nullptr);
  EXPECT_EQ(b.BoundsRect(), Rect(0, 0, 110, 30));
  EXPECT_EQ(b.Brush()->Color().Value, 0);
  EXPECT_EQ(b.Brush()->Style(), TBrushStyle::bsSolid);
  EXPECT_EQ(b.Pen()->Color().Value, 65280);
  EXPECT_EQ(b.Pen()->Width(), 1);
  EXPECT_EQ(b.Depth(), 4);
  EXPECT_EQ(b.DepthAdjust(), 2);
  EXPECT_EQ(b.ShadowColor(), clBtnShadow);
  EXPECT_EQ(b.ShadowOutline(), clBtnShadow);
  EXPECT_EQ(b.Style(), TKvShadowButtonStyle::ssRoundRect);
  EXPECT_EQ(b.Direction(), TKvShadowDirection::sdBottomRight);
  EXPECT_EQ(b.TextAlign(), TKvTextAlignment::vtaCenter);
  EXPECT_EQ(b.DisabledTextColor(), clInactiveCaption);
  EXPECT_FALSE(b.Transparent());
  EXPECT_EQ(b.Font()->Color().Value, 16777215);
  EXPECT_TRUE(b.ParentColor());
  EXPECT_FALSE(b.ParentFont());
  EXPECT_TRUE(b.ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  EXPECT_FALSE(b.ControlStyle().testFlag(TControlStyleFlag::csDoubleClicks));

  const std::vector<QByteArray> own = {
      "Brush", "Pen",       "Depth",     "DepthAdjust",       "ShadowColor", "ShadowOutline",
      "Style", "Direction", "TextAlign", "DisabledTextColor", "Transparent"};
  const std::vector<QByteArray> names = OwnPropertyNames(TKvShadowButton::staticMetaObject);
  ASSERT_GE(names.size(), own.size());
  EXPECT_EQ(std::vector<QByteArray>(names.begin(), names.begin() + long(own.size())), own);
  const auto defaults = StreamingDefaults(TKvShadowButton::staticMetaObject);
  EXPECT_EQ(defaults.at("Depth"), "4");
  EXPECT_EQ(defaults.at("Style"), "ssRoundRect");
  EXPECT_EQ(defaults.at("ShadowColor"), "clBtnShadow");
  EXPECT_EQ(StreamingDefaults(TKvShadowBrush::staticMetaObject).at("Color"), "clBlack");
  EXPECT_EQ(StreamingDefaults(TKvShadowPen::staticMetaObject).at("Color"), "clLime");
}

TEST(ShadowButton, SettersRefuseWhatTheTypesDoNotHold) {
  TKvShadowButton b(nullptr);
  b.SetDepth(2);
  b.SetDepth(-7);
  EXPECT_EQ(b.Depth(), 4);
  b.SetDepth(3);
  EXPECT_EQ(b.Depth(), 3);
  b.SetStyle(TKvShadowButtonStyle(7));
  b.SetDirection(TKvShadowDirection(-1));
  b.SetTextAlign(TKvTextAlignment(9));
  EXPECT_EQ(b.Style(), TKvShadowButtonStyle::ssRoundRect);
  EXPECT_EQ(b.Direction(), TKvShadowDirection::sdBottomRight);
  EXPECT_EQ(b.TextAlign(), TKvTextAlignment::vtaCenter);
  TBrush brush;
  brush.SetColor(clRed);
  b.SetBrush(&brush);
  EXPECT_EQ(b.Brush()->Color(), clRed);
  EXPECT_NE(static_cast<TBrush*>(b.Brush()), &brush);
}

TEST(ShadowButton, FaceAndShadowGeometry) {
  ShadowScene s;
  const QImage img = s.Shot();
  const int32_t lime = 0x00FF00, shadow = Rgb(clBtnShadow);
  // Face: the client inset by the pen, less Depth at the right and bottom: (1, 1, 105, 25).
  EXPECT_EQ(PixelAt(img, 50, 1), lime);
  EXPECT_EQ(PixelAt(img, 50, 24), lime);
  EXPECT_EQ(PixelAt(img, 1, 12), lime);
  EXPECT_EQ(PixelAt(img, 104, 12), lime);
  EXPECT_EQ(PixelAt(img, 50, 12), 0);
  // Shadow: the face moved by Depth, (5, 5, 109, 29).
  EXPECT_EQ(PixelAt(img, 106, 12), shadow);
  EXPECT_EQ(PixelAt(img, 108, 12), shadow);
  EXPECT_EQ(PixelAt(img, 50, 27), shadow);
  // Outside both, and the rounded corner of the face (ellipse 24 div 4 = 6).
  for (auto [x, y] :
       {std::pair{0, 0}, {109, 29}, {109, 0}, {0, 29}, {2, 27}, {107, 2}, {1, 1}, {109, 12}})
    EXPECT_EQ(PixelAt(img, x, y), kBack) << x << "," << y;
}

TEST(ShadowButton, PressingSlidesTheFaceOntoItsShadowAndClicksBeforeMouseUp) {
  ShadowScene s;
  Press(s.button, QPoint(50, 12));
  EXPECT_EQ(s.log.names, (std::vector<std::string>{"down"}));
  QImage img = s.Shot();
  // Depth 4 and DepthAdjust 2: face and shadow both at (3, 3, 107, 27), the face on top.
  EXPECT_EQ(PixelAt(img, 50, 3), 0x00FF00);
  EXPECT_EQ(PixelAt(img, 106, 12), 0x00FF00);
  EXPECT_EQ(PixelAt(img, 50, 26), 0x00FF00);
  EXPECT_EQ(PixelAt(img, 3, 12), 0x00FF00);
  for (auto [x, y] : {std::pair{50, 1}, {108, 12}, {50, 28}, {50, 27}, {2, 12}})
    EXPECT_EQ(PixelAt(img, x, y), kBack) << x << "," << y;
  Release(s.button, QPoint(50, 12));
  EXPECT_EQ(s.log.names, (std::vector<std::string>{"down", "click", "up"}));
  img = s.Shot();
  EXPECT_EQ(PixelAt(img, 50, 1), 0x00FF00);
  EXPECT_FALSE(s.button->MouseCapture());
}

TEST(ShadowButton, ReleasingOutsideDoesNotClickAndComingBackRepresses) {
  ShadowScene s;
  Press(s.button, QPoint(50, 12));
  Drag(s.button, QPoint(150, 12));
  EXPECT_EQ(PixelAt(s.Shot(), 50, 1), 0x00FF00);  // popped up
  Release(s.button, QPoint(150, 12));
  EXPECT_EQ(s.log.Clicks(), 0);
  EXPECT_EQ(PixelAt(s.Shot(), 50, 1), 0x00FF00);

  Press(s.button, QPoint(50, 12));
  Drag(s.button, QPoint(50, 40));
  Drag(s.button, QPoint(50, 12));
  EXPECT_EQ(PixelAt(s.Shot(), 50, 3), 0x00FF00);  // pressed again
  Release(s.button, QPoint(50, 12));
  EXPECT_EQ(s.log.Clicks(), 1);
}

TEST(ShadowButton, APressOutsideTheCaptionRectangleOrBeforeTheFirstPaintDoesNothing) {
  TForm form(nullptr);
  auto* b = new TKvShadowButton(&form);
  b->SetParent(&form);
  EventLog log;
  log.Watch(b);
  // Never painted: no hit rectangle yet.
  static_cast<TControl*>(b)->MouseDown(TMouseButton::mbLeft, {}, 50, 12);
  static_cast<TControl*>(b)->MouseUp(TMouseButton::mbLeft, {}, 50, 12);
  EXPECT_EQ(log.names, (std::vector<std::string>{"down", "up"}));

  kvtest::ShowForm(&form, 110, 30);
  // The hit rectangle is the caption rectangle (2, 2, 104, 24): the pen ring is outside.
  for (QPoint p : {QPoint(1, 12), QPoint(104, 12), QPoint(50, 24), QPoint(106, 26)}) {
    Press(b, p);
    Release(b, p);
  }
  EXPECT_EQ(log.Clicks(), 0);
  for (QPoint p : {QPoint(2, 2), QPoint(103, 23)}) {
    Press(b, p);
    Release(b, p);
  }
  EXPECT_EQ(log.Clicks(), 2);
}

TEST(ShadowButton, PenWidthInsetsTheFaceBeforeTheCutAndTheCaptionAgain) {
  ShadowScene s;
  s.button->Pen()->SetWidth(3);
  const QImage img = s.Shot();
  // Face (3, 3, 103, 23), shadow (7, 7, 107, 27) with its own 1-pixel outline.
  EXPECT_EQ(PixelAt(img, 106, 15), Rgb(clBtnShadow));
  EXPECT_EQ(PixelAt(img, 107, 15), kBack);
  EXPECT_EQ(PixelAt(img, 50, 26), Rgb(clBtnShadow));
  EXPECT_EQ(PixelAt(img, 50, 27), kBack);
  // Caption and hit rectangle (6, 6, 100, 20).
  for (QPoint p : {QPoint(5, 12), QPoint(100, 12)}) {
    Press(s.button, p);
    Release(s.button, p);
  }
  EXPECT_EQ(s.log.Clicks(), 0);
  Press(s.button, QPoint(6, 6));
  Release(s.button, QPoint(6, 6));
  EXPECT_EQ(s.log.Clicks(), 1);
}

TEST(ShadowButton, DepthDirectionAndRectangleStyle) {
  ShadowScene s;
  s.button->SetDepth(3);
  QImage img = s.Shot();
  EXPECT_EQ(PixelAt(img, 105, 12), 0x00FF00);  // face (1, 1, 106, 26)
  EXPECT_EQ(PixelAt(img, 107, 12), Rgb(clBtnShadow));

  s.button->SetDepth(4);
  s.button->SetDirection(TKvShadowDirection::sdTopLeft);
  s.button->SetShadowColor(clRed);
  s.button->SetShadowOutline(clBlue);
  img = s.Shot();
  // Face (5, 5, 109, 29), shadow (1, 1, 105, 25).
  EXPECT_EQ(PixelAt(img, 1, 12), Rgb(clBlue));
  EXPECT_EQ(PixelAt(img, 3, 12), Rgb(clRed));
  EXPECT_EQ(PixelAt(img, 5, 15), 0x00FF00);
  EXPECT_EQ(PixelAt(img, 108, 15), 0x00FF00);
  EXPECT_EQ(PixelAt(img, 50, 28), 0x00FF00);
  EXPECT_EQ(PixelAt(img, 109, 15), kBack);

  s.button->SetDirection(TKvShadowDirection::sdTopRight);
  img = s.Shot();
  // Face (1, 5, 105, 29), shadow (5, 1, 109, 25).
  EXPECT_EQ(PixelAt(img, 1, 15), 0x00FF00);
  EXPECT_EQ(PixelAt(img, 108, 12), Rgb(clBlue));
  EXPECT_EQ(PixelAt(img, 50, 2), Rgb(clRed));

  s.button->SetStyle(TKvShadowButtonStyle::ssRectangle);
  img = s.Shot();
  EXPECT_EQ(PixelAt(img, 1, 5), 0x00FF00);       // square corner of the face
  EXPECT_EQ(PixelAt(img, 108, 1), Rgb(clBlue));  // and of the shadow
}

TEST(ShadowButton, TransparentShowsTheParentAroundTheShapes) {
  TForm form(nullptr);
  auto* stripes = new Stripes(&form);
  stripes->SetParent(&form);
  stripes->SetBounds(0, 0, 110, 30);
  auto* b = new TKvShadowButton(&form);
  b->SetParent(stripes);
  ApplyNavigationSettings(b);
  kvtest::ShowForm(&form, 110, 30);
  const QImage img = kvtest::Grab(&form);
  EXPECT_EQ(PixelAt(img, 0, 0), kStripeA);
  EXPECT_EQ(PixelAt(img, 109, 0), kStripeB);
  EXPECT_EQ(PixelAt(img, 50, 1), kNavPen);
  EXPECT_EQ(PixelAt(img, 50, 10), kNavBrush);
  EXPECT_EQ(PixelAt(img, 106, 12), kNavShadow);
  EXPECT_EQ(PixelAt(img, 108, 12), kNavShadowOutline);
}

TEST(ShadowButton, CaptionPlacementAndDisabledColour) {
  ShadowScene s;
  s.button->SetCaption(QStringLiteral("Mm"));
  const int32_t white = 0xFFFFFF;
  const TRect centred = InkBounds(s.Shot(), white);
  ASSERT_FALSE(IsRectEmpty(centred));
  EXPECT_NEAR((centred.Left + centred.Right) / 2, 53, 2);
  EXPECT_NEAR((centred.Top + centred.Bottom) / 2, 13, 3);
  s.button->SetTextAlign(TKvTextAlignment::vtaTopLeft);
  const TRect topLeft = InkBounds(s.Shot(), white);
  EXPECT_GE(topLeft.Left, 2);
  EXPECT_LE(topLeft.Left, 4);
  EXPECT_GE(topLeft.Top, 2);
  EXPECT_LT(topLeft.Top, centred.Top);
  s.button->SetTextAlign(TKvTextAlignment::vtaBottomRight);
  const TRect bottomRight = InkBounds(s.Shot(), white);
  EXPECT_LE(bottomRight.Right, 104);
  EXPECT_GE(bottomRight.Right, 101);
  EXPECT_LE(bottomRight.Bottom, 24);
  EXPECT_GT(bottomRight.Bottom, centred.Bottom);

  s.button->SetDisabledTextColor(clYellow);
  s.button->SetEnabled(false);
  const QImage disabled = s.Shot();
  EXPECT_EQ(CountPixels(disabled, white), 0);
  EXPECT_EQ(InkBounds(disabled, Rgb(clYellow)), bottomRight);
}

TEST(ShadowButton, AcceleratorClicksOnlyAnEnabledButton) {
  ShadowScene s;
  s.button->SetCaption(QStringLiteral("&Meters"));
  EXPECT_FALSE(s.button->CMDialogChar('x'));
  EXPECT_TRUE(s.button->CMDialogChar('M'));
  EXPECT_EQ(s.log.names, (std::vector<std::string>{"click"}));
  s.button->SetEnabled(false);
  EXPECT_FALSE(s.button->CMDialogChar('m'));
  EXPECT_EQ(s.log.Clicks(), 1);
}

TEST(ShadowButton, ADoubleClickIsASecondPress) {
  ShadowScene s;
  Press(s.button, QPoint(50, 12));
  Release(s.button, QPoint(50, 12));
  QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(50, 12),
                     s.button->mapToGlobal(QPointF(50, 12)), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
  QApplication::sendEvent(s.button, &second);
  EXPECT_EQ(PixelAt(s.Shot(), 50, 3), 0x00FF00);
  Release(s.button, QPoint(50, 12));
  EXPECT_EQ(s.log.names, (std::vector<std::string>{"down", "click", "up", "down", "click", "up"}));
}

TEST(ShadowButton, LostCaptureEndsThePressWithoutAClick) {
  ShadowScene s;
  auto* other = new TKvShadowButton(&s.form);
  other->SetParent(&s.form);
  other->SetBounds(0, 40, 10, 10);

  // (a) another control takes the capture
  Press(s.button, QPoint(50, 12));
  ASSERT_EQ(PixelAt(s.Shot(), 50, 3), 0x00FF00);
  other->SetMouseCapture(true);
  EXPECT_FALSE(s.button->MouseCapture());
  EXPECT_EQ(PixelAt(s.Shot(), 50, 1), 0x00FF00);
  other->SetMouseCapture(false);
  Release(s.button, QPoint(50, 12));
  // (b) disabled during the press
  Press(s.button, QPoint(50, 12));
  s.button->SetEnabled(false);
  s.button->SetEnabled(true);
  EXPECT_EQ(PixelAt(s.Shot(), 50, 1), 0x00FF00);
  Release(s.button, QPoint(50, 12));
  // (c) hidden during the press
  Press(s.button, QPoint(50, 12));
  s.button->Hide();
  s.button->Show();
  kvtest::Pump();
  EXPECT_EQ(PixelAt(s.Shot(), 50, 1), 0x00FF00);
  Release(s.button, QPoint(50, 12));
  EXPECT_EQ(s.log.Clicks(), 0);
  // (d) destroyed during the press
  Press(s.button, QPoint(50, 12));
  delete s.button;
  kvtest::Pump();
}

TEST(ShadowButton, OnClickMayFreeTheButtonOrItsForm) {
  {
    ShadowScene s;
    int ups = 0;
    QObject::connect(s.button, &TControl::OnMouseUp,
                     [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; });
    QPointer<TKvShadowButton> watch(s.button);
    QObject::connect(s.button, &TControl::OnClick,
                     [&](TObject* sender) { delete static_cast<TKvShadowButton*>(sender); });
    Press(s.button, QPoint(50, 12));
    Release(s.button, QPoint(50, 12));
    kvtest::Pump();  // a control freed by its handler goes once the event loop runs
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(ups, 0);
  }
  auto* form = new TForm(nullptr);
  auto* b = new TKvShadowButton(form);
  b->SetParent(form);
  QPointer<TForm> watch(form);
  QObject::connect(b, &TControl::OnClick, [&](TObject*) { delete form; });
  kvtest::ShowForm(form, 110, 30);
  Press(b, QPoint(50, 12));
  Release(b, QPoint(50, 12));
  kvtest::Pump();
  EXPECT_TRUE(watch.isNull());
}

TEST(ShadowButton, ReferencePictures) {
  ShadowScene s(2);
  s.button->SetCaption(QStringLiteral("&Shadow"));
  EXPECT_MATCHES_REFERENCE(s.FormShot(), QStringLiteral("lib/shadowbutton-initial"));
  Press(s.button, QPoint(50, 12));
  EXPECT_MATCHES_REFERENCE(s.FormShot(), QStringLiteral("lib/shadowbutton-initial-pressed"));
  Release(s.button, QPoint(50, 12));

  // The demo's navigation button, transparent over a striped parent.
  TForm form(nullptr);
  auto* stripes = new Stripes(&form);
  stripes->SetParent(&form);
  stripes->SetBounds(0, 0, 114, 34);
  auto* b = new TKvShadowButton(&form);
  b->SetParent(stripes);
  b->SetBounds(2, 2, 110, 30);
  b->SetCaption(QStringLiteral("Scope Panel"));
  ApplyNavigationSettings(b);
  kvtest::ShowForm(&form, 114, 34);
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&form), QStringLiteral("lib/shadowbutton-demo"));
  Press(b, QPoint(50, 12));
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&form), QStringLiteral("lib/shadowbutton-demo-pressed"));
  Release(b, QPoint(50, 12));
}

// ---------------------------------------------------------------------------
// Demo button

namespace {

// One demo button on a form of colour kBack, at (Margin, Margin).
struct DemoScene {
  TForm form{nullptr};
  TKvDemoButton* button;
  EventLog log;
  explicit DemoScene(int width = 150, int height = 25, int margin = 0, int32_t background = kBack) {
    // The pointer starts away from every window, so the button starts without hover.
    QCursor::setPos(-1000, -1000);
    kvtest::Pump();
    form.SetColor(background);
    button = new TKvDemoButton(&form);
    button->SetParent(&form);
    button->SetBounds(margin, margin, width, height);
    log.Watch(button);
    kvtest::ShowForm(&form, width + 2 * margin, height + 2 * margin);
  }
  QImage Shot() { return kvtest::Grab(button); }
  QImage FormShot() { return kvtest::Grab(&form); }
  void Hover(bool on) {
    TControl* c = button;
    if (on) c->CMMouseEnter();
    else c->CMMouseLeave();
  }
};

void SendKey(QWidget* w, QEvent::Type type, bool autoRepeat = false) {
  QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
  QApplication::sendEvent(w, &e);
}

}  // namespace

TEST(DemoButton, InitialSettingsAndStreamingDefaults) {
  TKvDemoButton b(nullptr);
  EXPECT_EQ(b.BoundsRect(), Rect(0, 0, 150, 25));
  for (auto [font, color] : {std::pair{b.FontEnter(), 255}, {b.FontLeave(), 0}}) {
    EXPECT_EQ(font->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(font->Size(), 12);
    EXPECT_EQ(font->Color().Value, color);
    EXPECT_EQ(font->Style(), TFontStyles(TFontStyle::fsBold));
  }
  EXPECT_TRUE(b.Bitmap()->Empty());
  EXPECT_EQ(b.OutlineColor().Value, 0);
  EXPECT_EQ(b.ShadowColor(), clBtnShadow);
  EXPECT_EQ(b.HighlightColor(), clBtnHighlight);
  EXPECT_EQ(b.BevelWidth(), 2);
  EXPECT_EQ(b.OutlineWidth(), 1);
  EXPECT_EQ(b.TextAlignment(), TKvTextAlignment::vtaCenter);
  EXPECT_EQ(b.DisabledTextColor(), clInactiveCaption);
  EXPECT_EQ(b.FocusColor().Value, 16711680);
  EXPECT_EQ(b.Font3D()->Style(), TKvFont3DStyle::f3dNone);
  EXPECT_FALSE(b.Flat());
  EXPECT_EQ(b.Color(), clBtnFace);
  EXPECT_FALSE(b.ParentColor());
  EXPECT_FALSE(b.TabStop());
  EXPECT_TRUE(b.ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  EXPECT_FALSE(b.ControlStyle().testFlag(TControlStyleFlag::csDoubleClicks));
  EXPECT_LT(TKvDemoButton::staticMetaObject.indexOfProperty("Font"),
            TKvDemoButton::staticMetaObject.propertyOffset());
  const std::vector<QByteArray> own = {
      "FontEnter",      "FontLeave",  "Bitmap",       "OutlineColor",  "ShadowColor",
      "HighlightColor", "BevelWidth", "OutlineWidth", "TextAlignment", "DisabledTextColor",
      "FocusColor",     "Font3D",     "Flat"};
  const std::vector<QByteArray> names = OwnPropertyNames(TKvDemoButton::staticMetaObject);
  EXPECT_EQ(std::vector<QByteArray>(names.begin(), names.begin() + long(own.size())), own);
  const auto defaults = StreamingDefaults(TKvDemoButton::staticMetaObject);
  EXPECT_EQ(defaults.at("FocusColor"), "clBlue");
  EXPECT_EQ(defaults.at("Color"), "clBtnFace");
  EXPECT_EQ(defaults.count("FontEnter"), 0u);

  b.SetBevelWidth(256);
  b.SetBevelWidth(-1);
  EXPECT_EQ(b.BevelWidth(), 2);
  b.SetTextAlignment(TKvTextAlignment(12));
  EXPECT_EQ(b.TextAlignment(), TKvTextAlignment::vtaCenter);
}

TEST(DemoButton, OutlineAndBevelRaisedSunkenAndFlat) {
  DemoScene s;
  const int32_t hi = Rgb(clBtnHighlight), sh = Rgb(clBtnShadow), face = Rgb(clBtnFace);
  QImage img = s.Shot();
  EXPECT_EQ(PixelAt(img, 0, 0), 0);
  EXPECT_EQ(PixelAt(img, 149, 24), 0);
  EXPECT_EQ(PixelAt(img, 5, 1), hi);
  EXPECT_EQ(PixelAt(img, 5, 2), hi);
  EXPECT_EQ(PixelAt(img, 1, 12), hi);
  EXPECT_EQ(PixelAt(img, 5, 23), sh);
  EXPECT_EQ(PixelAt(img, 148, 12), sh);
  EXPECT_EQ(PixelAt(img, 1, 23), sh);  // the bottom-left corner belongs to the bottom line
  EXPECT_EQ(PixelAt(img, 5, 3), face);

  Press(s.button, QPoint(75, 12));
  img = s.Shot();
  EXPECT_EQ(PixelAt(img, 5, 1), sh);
  EXPECT_EQ(PixelAt(img, 5, 23), hi);
  Release(s.button, QPoint(75, 12));
  EXPECT_EQ(s.log.names, (std::vector<std::string>{"down", "click", "up"}));
  s.Hover(false);  // the pointer moves away

  s.button->SetFlat(true);
  img = s.Shot();
  EXPECT_EQ(PixelAt(img, 0, 0), 0);
  EXPECT_EQ(PixelAt(img, 5, 1), face);
  EXPECT_EQ(PixelAt(img, 5, 23), face);
  s.Hover(true);
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), hi);

  s.button->SetBevelWidth(0);
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), face);
  s.button->SetBevelWidth(2);
  s.button->SetOutlineWidth(0);
  img = s.Shot();
  EXPECT_EQ(PixelAt(img, 0, 0), hi);
  EXPECT_EQ(PixelAt(img, 0, 24), sh);
}

TEST(DemoButton, HoverFontsKeepTheCaptionInPlace) {
  DemoScene s;
  s.button->SetFlat(true);
  s.button->SetOutlineColor(clNavy);  // not the colour of either font
  s.button->SetCaption(QStringLiteral("Close"));
  const TRect leave = InkBounds(s.Shot(), 0);
  ASSERT_FALSE(IsRectEmpty(leave));
  EXPECT_EQ(CountPixels(s.Shot(), 0xFF), 0);
  s.Hover(true);
  const QImage hovered = s.Shot();
  EXPECT_EQ(InkBounds(hovered, 0xFF), leave);
  EXPECT_EQ(CountPixels(hovered, 0), 0);
  // Disabled: FontLeave in DisabledTextColor, even while hovered.
  s.button->SetDisabledTextColor(clLime);
  s.button->SetEnabled(false);
  const QImage disabled = s.Shot();
  EXPECT_EQ(InkBounds(disabled, 0x00FF00), leave);
  EXPECT_EQ(CountPixels(disabled, 0xFF), 0);
  s.button->SetEnabled(true);
  s.Hover(false);
  EXPECT_EQ(InkBounds(s.Shot(), 0), leave);
}

TEST(DemoButton, PressedCaptionMovesByOnePixel) {
  DemoScene s;
  s.button->FontEnter()->SetColor(clBlack);  // the press also hovers
  s.button->SetOutlineColor(clNavy);
  s.button->SetCaption(QStringLiteral("Go"));
  TRect up = InkBounds(s.Shot(), 0);
  Press(s.button, QPoint(75, 12));
  TRect down = InkBounds(s.Shot(), 0);
  OffsetRect(up, 1, 1);
  EXPECT_EQ(down, up);
  Release(s.button, QPoint(75, 12));
}

TEST(DemoButton, FocusOutlineReplacesTheOutline) {
  DemoScene s;
  s.button->SetOutlineWidth(2);
  s.button->CMFocusChanged(s.button);
  QImage img = s.Shot();
  EXPECT_EQ(PixelAt(img, 0, 0), Rgb(clBlue));
  EXPECT_EQ(PixelAt(img, 1, 1), Rgb(clBlue));
  EXPECT_EQ(PixelAt(img, 5, 2), Rgb(clBtnHighlight));
  s.button->CMFocusChanged(nullptr);
  img = s.Shot();
  EXPECT_EQ(PixelAt(img, 1, 1), 0);
  EXPECT_EQ(PixelAt(img, 5, 2), Rgb(clBtnHighlight));
}

TEST(DemoButton, BitmapTilesFromTheCornerAndMovesWhenPressed) {
  DemoScene s;
  TBitmap tile;
  tile.SetSize(3, 3);
  tile.Canvas()->Brush()->SetColor(clBlue);
  tile.Canvas()->FillRect(Rect(0, 0, 3, 3));
  tile.Canvas()->SetPixels(0, 0, clRed);
  s.button->SetBitmap(&tile);
  EXPECT_TRUE(s.button->GetPalette());
  QImage img = s.Shot();
  EXPECT_EQ(PixelAt(img, 3, 3), Rgb(clRed));
  EXPECT_EQ(PixelAt(img, 4, 3), Rgb(clBlue));
  EXPECT_EQ(PixelAt(img, 144, 21), Rgb(clRed));
  Press(s.button, QPoint(75, 12));
  img = s.Shot();
  EXPECT_EQ(PixelAt(img, 4, 4), Rgb(clRed));
  EXPECT_EQ(PixelAt(img, 3, 3), Rgb(clBlue));
  Release(s.button, QPoint(75, 12));
}

TEST(DemoButton, DraggingOutsidePopsUpAndReleasingThereDoesNotClick) {
  DemoScene s;
  Press(s.button, QPoint(75, 12));
  Drag(s.button, QPoint(200, 12));
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), Rgb(clBtnHighlight));
  Drag(s.button, QPoint(75, 12));
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), Rgb(clBtnShadow));
  Drag(s.button, QPoint(75, -3));
  Release(s.button, QPoint(75, -3));
  EXPECT_EQ(s.log.Clicks(), 0);
  EXPECT_FALSE(s.button->MouseCapture());
}

TEST(DemoButton, HoldingTheSpaceBarPressesAndReleasingClicksOnce) {
  DemoScene s;
  s.button->SetTabStop(true);
  s.button->SetFocus();
  SendKey(s.button, QEvent::KeyPress);
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), Rgb(clBtnShadow));
  // Held down, X11 repeats both the press and the release.
  for (int i = 0; i < 3; ++i) {
    SendKey(s.button, QEvent::KeyRelease, true);
    SendKey(s.button, QEvent::KeyPress, true);
  }
  EXPECT_EQ(s.log.Clicks(), 0);
  SendKey(s.button, QEvent::KeyRelease);
  EXPECT_EQ(s.log.Clicks(), 1);
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), Rgb(clBtnHighlight));
  EXPECT_FALSE(s.button->MouseCapture());
}

TEST(DemoButton, MousePressTakesTheFocusOnlyWithTabStop) {
  DemoScene s;
  auto* other = new TKvDemoButton(&s.form);
  other->SetParent(&s.form);
  other->SetTabStop(true);
  other->SetFocus();
  Press(s.button, QPoint(75, 12));
  Release(s.button, QPoint(75, 12));
  EXPECT_FALSE(s.button->Focused());
  s.button->SetTabStop(true);
  Press(s.button, QPoint(75, 12));
  EXPECT_TRUE(s.button->Focused());
  Release(s.button, QPoint(75, 12));
}

TEST(DemoButton, AcceleratorFromTheKeyboard) {
  DemoScene s;
  s.button->SetCaption(QStringLiteral("&X"));
  s.button->SetTabStop(true);
  s.button->SetFocus();
  QTest::keyClick(s.button, Qt::Key_X, Qt::AltModifier);
  EXPECT_EQ(s.log.Clicks(), 1);
  s.button->SetEnabled(false);
  EXPECT_FALSE(s.button->CMDialogChar('x'));
  EXPECT_EQ(s.log.Clicks(), 1);
}

TEST(DemoButton, HugeOutlineFillsTheButtonAndStops) {
  DemoScene s;
  s.button->SetCaption(QStringLiteral("x"));
  s.button->SetOutlineColor(clRed);
  s.button->SetOutlineWidth(INT_MAX);
  const QImage img = s.Shot();
  EXPECT_EQ(CountPixels(img, Rgb(clRed)), 150 * 25 - CountPixels(img, 0));
  s.button->SetOutlineWidth(-5);
  EXPECT_EQ(PixelAt(s.Shot(), 0, 0), Rgb(clBtnHighlight));
}

TEST(DemoButton, LostCaptureOrFocusEndsThePressWithoutAClick) {
  DemoScene s;
  auto* other = new TKvDemoButton(&s.form);
  other->SetParent(&s.form);
  other->SetBounds(0, 30, 10, 10);
  other->SetTabStop(true);
  const int32_t sh = Rgb(clBtnShadow), hi = Rgb(clBtnHighlight);

  Press(s.button, QPoint(75, 12));
  other->SetMouseCapture(true);
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), hi);
  other->SetMouseCapture(false);
  Release(s.button, QPoint(75, 12));

  Press(s.button, QPoint(75, 12));
  s.button->SetEnabled(false);
  s.button->SetEnabled(true);
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), hi);
  Release(s.button, QPoint(75, 12));

  Press(s.button, QPoint(75, 12));
  s.button->Hide();
  s.button->Show();
  kvtest::Pump();
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), hi);
  EXPECT_FALSE(s.button->MouseCapture());
  Release(s.button, QPoint(75, 12));

  // A space press whose release goes to another control.
  s.button->SetTabStop(true);
  s.button->SetFocus();
  SendKey(s.button, QEvent::KeyPress);
  ASSERT_EQ(PixelAt(s.Shot(), 5, 1), sh);
  other->SetFocus();
  kvtest::Pump();
  EXPECT_EQ(PixelAt(s.Shot(), 5, 1), hi);
  EXPECT_FALSE(s.button->MouseCapture());
  SendKey(other, QEvent::KeyRelease);
  SendKey(s.button, QEvent::KeyRelease);
  EXPECT_EQ(s.log.Clicks(), 0);

  Press(s.button, QPoint(75, 12));
  delete s.button;
  kvtest::Pump();
}

TEST(DemoButton, OnClickMayFreeTheButtonFromTheMouseOrTheSpaceBar) {
  for (bool bySpace : {false, true}) {
    DemoScene s;
    int ups = 0, keyUps = 0;
    QObject::connect(s.button, &TControl::OnMouseUp,
                     [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; });
    QObject::connect(s.button, &TWinControl::OnKeyUp,
                     [&](TObject*, uint16_t&, TShiftState) { ++keyUps; });
    QPointer<TKvDemoButton> watch(s.button);
    QObject::connect(s.button, &TControl::OnClick,
                     [&](TObject* sender) { delete static_cast<TKvDemoButton*>(sender); });
    if (bySpace) {
      s.button->SetTabStop(true);
      s.button->SetFocus();
      SendKey(s.button, QEvent::KeyPress);
      SendKey(s.button, QEvent::KeyRelease);
      EXPECT_EQ(keyUps, 1);  // OnKeyUp comes before the click
    } else {
      Press(s.button, QPoint(75, 12));
      Release(s.button, QPoint(75, 12));
    }
    kvtest::Pump();  // a control freed by its handler goes once the event loop runs
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(ups, 0);
  }
  // A close button that frees its whole form.
  auto* form = new TForm(nullptr);
  auto* b = new TKvDemoButton(form);
  b->SetParent(form);
  b->SetTabStop(true);
  QPointer<TForm> watch(form);
  QObject::connect(b, &TControl::OnClick, [&](TObject*) { delete form; });
  kvtest::ShowForm(form, 150, 25);
  Press(b, QPoint(75, 12));
  Release(b, QPoint(75, 12));
  kvtest::Pump();
  EXPECT_TRUE(watch.isNull());
}

TEST(DemoButton, ReferencePictures) {
  {
    DemoScene s(150, 25, 2);
    s.button->SetCaption(QStringLiteral("&Demo"));
    EXPECT_MATCHES_REFERENCE(s.FormShot(), QStringLiteral("lib/demobutton-initial"));
    s.Hover(true);
    EXPECT_MATCHES_REFERENCE(s.FormShot(), QStringLiteral("lib/demobutton-initial-hover"));
    Press(s.button, QPoint(75, 12));
    EXPECT_MATCHES_REFERENCE(s.FormShot(), QStringLiteral("lib/demobutton-initial-pressed"));
    Release(s.button, QPoint(75, 12));
  }
  for (const char* caption : {"X", "_"}) {
    DemoScene s(21, 21, 2, kDemoFace);
    ApplyWindowButtonSettings(s.button);
    s.button->SetCaption(QLatin1String(caption));
    const QString name =
        QStringLiteral("lib/demobutton-") + (caption[0] == 'X' ? "close" : "minimize");
    const QImage idle = s.FormShot();
    EXPECT_MATCHES_REFERENCE(idle, name);
    // Flat and idle: only the outline and the caption.
    EXPECT_EQ(PixelAt(idle, 2, 2), kDemoOutline);
    EXPECT_EQ(PixelAt(idle, 22, 22), kDemoOutline);
    EXPECT_EQ(PixelAt(idle, 3, 3), kDemoFace);
    EXPECT_GT(CountPixels(idle, kDemoLeave), 0);
    s.Hover(true);
    const QImage hover = s.FormShot();
    EXPECT_MATCHES_REFERENCE(hover, name + "-hover");
    EXPECT_EQ(CountPixels(hover, kDemoLeave), 0);
    EXPECT_EQ(CountPixels(hover, kDemoEnter), CountPixels(idle, kDemoLeave));
    Press(s.button, QPoint(10, 10));
    EXPECT_MATCHES_REFERENCE(s.FormShot(), name + "-pressed");
    Release(s.button, QPoint(10, 10));
  }
}

// Controls freed with their form while the pointer is over them: Qt sends its last
// enter and leave while the widgets are half gone.
TEST(Buttons, FreedWithTheirFormUnderThePointer) {
  for (int kind = 0; kind < 2; ++kind) {
    QCursor::setPos(5, 5);
    kvtest::Pump();
    {
      TForm form(nullptr);
      form.SetColor(kBack);
      auto make = [&]() -> TControl* {
        TControl* c =
            kind ? static_cast<TControl*>(new TKvDemoButton(&form)) : new TKvShadowButton(&form);
        c->SetParent(&form);
        c->SetBounds(0, 0, 110, 30);
        return c;
      };
      TControl* first = make();
      kvtest::ShowForm(&form, 110, 30);
      make();
      Press(first, QPoint(50, 12));
      Release(first, QPoint(50, 12));
    }
    kvtest::Pump();
  }
}

// ---------------------------------------------------------------------------
// Both in form descriptions

TEST(Buttons, FreshButtonsStoreNothingButTheirPlaceAndTheDemoSettingsRoundTrip) {
  TForm form(nullptr);
  auto* nav = new TKvShadowButton(&form);
  nav->SetName(QStringLiteral("Nav"));
  nav->SetParent(&form);
  auto* close = new TKvDemoButton(&form);
  close->SetName(QStringLiteral("Close"));
  close->SetParent(&form);
  const QByteArray fresh = kv::WriteComponent(&form);
  // The fonts differ from the framework's font, so they are stored as any font is.
  for (const char* name :
       {"Depth",      "ShadowColor",  "ShadowOutline", "Style",  "Direction",    "TextAlign",
        "Disabled",   "Transparent",  "Brush",         "Pen",    "OutlineColor", "Highlight",
        "BevelWidth", "OutlineWidth", "FocusColor",    "Font3D", "Flat",         "Bitmap",
        "TabStop",    "Parent",       "Color"})
    EXPECT_EQ(fresh.indexOf(QByteArray("\n    ") + name), -1) << name << " in\n"
                                                              << fresh.constData();

  nav->SetCaption(QStringLiteral("Scope Panel"));
  ApplyNavigationSettings(nav);
  nav->SetDepth(6);
  nav->SetDirection(TKvShadowDirection::sdTopLeft);
  close->SetCaption(QStringLiteral("X"));
  ApplyWindowButtonSettings(close);
  close->SetTabOrder(0);
  auto back = std::make_unique<TForm>(nullptr);
  kv::ReadComponent(back.get(), kv::WriteComponent(&form), QStringLiteral("buttons.kvf"));
  auto* n = dynamic_cast<TKvShadowButton*>(back->FindComponent(QStringLiteral("Nav")));
  auto* c = dynamic_cast<TKvDemoButton*>(back->FindComponent(QStringLiteral("Close")));
  ASSERT_TRUE(n && c);
  EXPECT_EQ(n->Brush()->Color().Value, kNavBrush);
  EXPECT_EQ(n->Pen()->Color().Value, kNavPen);
  EXPECT_EQ(n->ShadowColor().Value, kNavShadow);
  EXPECT_EQ(n->ShadowOutline().Value, kNavShadowOutline);
  EXPECT_TRUE(n->Transparent());
  EXPECT_EQ(n->Font()->Color().Value, kNavFont);
  EXPECT_EQ(n->Font()->Height(), -11);
  EXPECT_EQ(n->Depth(), 6);
  EXPECT_EQ(n->Direction(), TKvShadowDirection::sdTopLeft);
  EXPECT_EQ(n->Caption(), QStringLiteral("Scope Panel"));
  EXPECT_EQ(c->FontEnter()->Color().Value, kDemoEnter);
  EXPECT_EQ(c->FontLeave()->Color().Value, kDemoLeave);
  EXPECT_EQ(c->FontLeave()->Height(), -15);
  EXPECT_EQ(c->OutlineColor().Value, kDemoOutline);
  EXPECT_EQ(c->ShadowColor().Value, kDemoFace);
  EXPECT_EQ(c->HighlightColor().Value, kDemoFace);
  EXPECT_EQ(c->Font3D()->HighlightDepth(), 0);
  EXPECT_EQ(c->Font3D()->ShadowDepth(), 0);
  EXPECT_TRUE(c->Flat());
  EXPECT_EQ(c->Color().Value, kDemoFace);
  EXPECT_EQ(c->TabOrder(), 0);
}

// Settings at the ends of their types draw without overflow or an endless loop.
TEST(Buttons, ExtremeSettingsDrawAndPressWithoutFault) {
  {
    ShadowScene s;
    s.button->SetCaption(QStringLiteral("x"));
    for (int depth : {INT_MAX, 3}) {
      s.button->SetDepth(depth);
      for (int adjust : {INT_MIN, INT_MAX, -3})
        for (int width : {1000000, 1}) {
          s.button->SetDepthAdjust(adjust);
          s.button->Pen()->SetWidth(width);
          s.button->Repaint();
          Press(s.button, QPoint(50, 12));
          Drag(s.button, QPoint(51, 13));
          Release(s.button, QPoint(50, 12));
        }
    }
    // Back to sane values the button is whole again.
    s.button->SetDepth(4);
    s.button->SetDepthAdjust(2);
    EXPECT_EQ(PixelAt(s.Shot(), 50, 1), 0x00FF00);
  }
  DemoScene s;
  s.button->SetCaption(QStringLiteral("x"));
  s.button->SetBevelWidth(255);
  s.button->SetOutlineWidth(INT_MIN);
  s.Hover(true);
  Press(s.button, QPoint(75, 12));
  Release(s.button, QPoint(75, 12));
  EXPECT_EQ(s.log.Clicks(), 1);
}
