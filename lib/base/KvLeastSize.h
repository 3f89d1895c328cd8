// The least size of a legible face, from what the face draws: the parts the controls'
// minimum size hints are made of.
#pragma once

#include "KvExport.h"

#include "Graphics.h"
#include "KvControls.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <initializer_list>

class TKvBevel;

namespace kv {

// The extent of Text in Font, every line as DrawText lays it out; an empty text takes
// nothing.
KV_TEST_EXPORT TPoint LeastTextSize(const TFont* Font, const QString& Text);
// The larger extent of Text in either of two fonts (a control that changes its font under
// the pointer).
TPoint LeastTextSize(const TFont* Font, const TFont* OtherFont, const QString& Text);
// The widest of Labels in Font, and the height of a line.
TPoint LeastLabels(const TFont* Font, std::initializer_list<QString> Labels);
// The width of a bevel's rings on one side (none when it is not visible).
int64_t BevelInset(const TKvBevel* Bevel);
// An image and a caption placed as CalcImageTextLayout places them, with nothing to spare:
// margins and spacings it computes (-1) take nothing.
KV_TEST_EXPORT TPoint LeastImageTextSize(const TFont* Font, const QString& Caption,
                                         TKvImageTextLayout Layout, int Margin, int Spacing,
                                         TPoint ImageSize);
// A segmented bar: one tick along it and a pixel across, inside its bevel.
QSize LeastTickBar(bool Vertical, int TickHeight, int64_t Bevel);
// Width x Height grown by Inset pixels on every side, as a size hint: at least a pixel each
// way, within what a widget can be.
KV_TEST_EXPORT QSize LeastSizeHint(int64_t Width, int64_t Height, int64_t Inset = 0);

}  // namespace kv
