#pragma once
// Images held in memory rather than in files: the pictures a 3D file
// carries inside itself. Read with the same decoder and the same pixel
// budget as image files (image_io.h), so that an image is accepted or
// refused the same way wherever it lies.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

class Bitmap;
class CLayerBitmap;

namespace vex3d {

// What the header of an image in memory says, read without decoding pixels.
struct ImageBytesInfo {
  int width = 0;
  int height = 0;
  // The usual extension of its format, without the dot ("png", "jpg"...).
  std::string extension;
};

// True when `bytes` start like an image this library reads (any format but
// TGA, which has no signature) and the size its header gives fits the pixel
// budget; false with `error` set otherwise.
VEXHOST_EXPORT bool probeImageBytes(std::span<const std::uint8_t> bytes, ImageBytesInfo& info,
                                    std::string& error);

// Decodes the first image of `bytes` the way C2DIo::Read decodes a file: a
// colour layer, then an alpha layer when the image has alpha. Null, with
// `error` set, when the bytes are no image, do not decode or exceed the
// pixel budget.
VEXHOST_EXPORT std::unique_ptr<CLayerBitmap> decodeImageBytes(std::span<const std::uint8_t> bytes,
                                                              std::string& error);

// Encodes an RGB or RGBA bitmap as a PNG file's bytes. False, with `error`
// set, on failure.
VEXHOST_EXPORT bool encodePngBytes(const Bitmap& image, std::vector<std::uint8_t>& out,
                                   std::string& error);

}  // namespace vex3d
