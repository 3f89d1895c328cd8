// The face an item shows, brought up to date from its control's window: the area copied
// opaque at any width and place, only what was painted copied again, two images in turn.
#include "KvQuickFace.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// A window whose pixels all differ and leave the unused byte clear, as the canvas may.
QImage Window(int width, int height, uint32_t seed) {
  QImage window(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      reinterpret_cast<uint32_t*>(window.scanLine(y))[x] = (seed + uint32_t(y * width + x)) & 0xFFFFFFu;
  return window;
}

// The window's pixels at Area as the face must hold them: opaque.
QImage Expected(const QImage& window, const QRect& area) {
  QImage expected = window.copy(area);
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x)
      reinterpret_cast<uint32_t*>(expected.scanLine(y))[x] |= 0xFF000000u;
  return expected;
}

// Widths around the four-pixel step, at places that leave the step unaligned too.
TEST(FaceImages, CopiesTheAreaOpaqueAtAnyWidthAndPlace) {
  const QImage window = Window(24, 6, 0x123456u);
  for (int width = 1; width <= 9; ++width)
    for (const QPoint at : {QPoint(0, 0), QPoint(3, 1), QPoint(24 - width, 2)}) {
      const QRect area(at, QSize(width, 4));
      SCOPED_TRACE(testing::Message() << "width " << width << " at " << at.x() << "," << at.y());
      kv::qml::FaceImages faces;
      const QImage& face = faces.Take(window, area, 1.0);
      EXPECT_EQ(face.format(), QImage::Format_RGB32);
      EXPECT_EQ(face, Expected(window, area));
    }
}

// Each image of the pair lacks what was painted since it was last taken, and only that: a
// pixel outside the painted area keeps what the image held, though the window changed there.
TEST(FaceImages, EachImageTakesWhatWasPaintedSinceItWasLastTaken) {
  const QRect area(2, 1, 13, 5);
  const QImage first = Window(20, 8, 0x010203u), second = Window(20, 8, 0x400000u);
  kv::qml::FaceImages faces;
  const QImage a = faces.Take(first, area, 1.0);
  const QImage b = faces.Take(first, area, 1.0);
  EXPECT_EQ(a, Expected(first, area));
  EXPECT_EQ(b, a) << "the second image starts whole too";

  const QRect painted(3, 1, 6, 2);  // in the face's pixels
  faces.Painted(painted);
  for (int turn = 0; turn < 2; ++turn) {
    SCOPED_TRACE(turn);
    const QImage face = faces.Take(second, area, 1.0);
    for (int y = 0; y < area.height(); ++y)
      for (int x = 0; x < area.width(); ++x) {
        const QImage& from = painted.contains(x, y) ? second : first;
        ASSERT_EQ(face.pixel(x, y), from.pixel(area.x() + x, area.y() + y) | 0xFF000000u)
            << x << "," << y;
      }
  }
}

// A new size or pixel ratio makes the image anew, whole.
TEST(FaceImages, ANewSizeOrRatioIsCopiedWhole) {
  const QImage window = Window(30, 10, 0x0A0B0Cu);
  kv::qml::FaceImages faces;
  faces.Take(Window(30, 10, 0), QRect(0, 0, 10, 5), 1.0);
  faces.Take(Window(30, 10, 0), QRect(0, 0, 10, 5), 1.0);
  const QImage larger = faces.Take(window, QRect(1, 1, 11, 6), 1.0);
  EXPECT_EQ(larger, Expected(window, QRect(1, 1, 11, 6)));
  const QImage finer = faces.Take(window, QRect(1, 1, 11, 6), 2.0);
  EXPECT_EQ(finer.devicePixelRatio(), 2.0);
  EXPECT_EQ(finer.copy(), Expected(window, QRect(1, 1, 11, 6)));
}

}  // namespace
