#pragma once
// Resampling of interleaved 8-bit pixels, shared by Bitmap::Resize, image
// reading and texture sizing.
#include <cstddef>
#include <cstdint>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// Resamples src (srcWidth x srcHeight pixels of `channels` interleaved bytes,
// rows srcStride bytes apart) into dst (dstWidth x dstHeight, rows dstStride
// bytes apart). The buffers must not overlap.
//
// mode kResizeNearest (0) takes the source pixel under each output pixel's
// centre. mode kResizeArea (1) gives each output pixel the mean of the source
// area it covers, every source pixel weighted by the exact fraction of it
// inside that area, rounded to the nearest integer: exact block means for
// integer factors, conserved mean colour for any ratio, up or down.
//
// False, writing nothing, when a size is not in [1, kMaxBitmapSide], channels
// is not in [1, 4], a stride is shorter than a row or the mode is unknown.
VEXHOST_EXPORT bool resizePixels(const std::uint8_t* src, int srcWidth, int srcHeight,
                                 std::size_t srcStride, std::uint8_t* dst, int dstWidth,
                                 int dstHeight, std::size_t dstStride, int channels, int mode);

}  // namespace vex3d
