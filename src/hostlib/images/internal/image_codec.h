#pragma once
// Decoding and encoding of image files in memory, behind C2DIo.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Bitmap;
class CLayerBitmap;

namespace vex3d {

enum class ImageFormat { kUnknown, kPng, kJpeg, kBmp, kTga, kGif, kPsd, kHdr, kPnm, kPic };

// Largest image read by default, in pixels: beyond the limit in force
// (imagePixelLimit) a file is refused before any pixel memory is allocated.
constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 28;

// The format of a file from its first bytes (16 are enough). TGA has no
// signature and is only recognised by the extension of `fileName`, so that
// arbitrary bytes are not read as a picture.
ImageFormat detectImageFormat(const std::uint8_t* head, std::size_t size,
                              std::string_view fileName);
// The format written for the extension of `fileName` (png; jpg, jpeg, jpe;
// bmp; tga; any case), kUnknown for any other.
ImageFormat writeFormatForName(std::string_view fileName);

// Decodes image `frame` (above 0 only for animated GIFs) of a file's bytes
// into a colour layer (type 1; grey is expanded) followed by an alpha layer
// (type 5) when the file has alpha. 16-bit channels are rounded to 8 bits and
// HDR images tone-mapped. Null, with `error` set, on any failure.
std::unique_ptr<CLayerBitmap> decodeImage(const std::uint8_t* data, std::size_t size,
                                          ImageFormat format, int frame, std::string& error);

// Global photographic tone mapping of linear HDR values to display bytes:
// the log-average luminance is brought to middle grey, luminance L is
// compressed as L / (1 + L), then gamma 2.2 is applied. A second or fourth
// channel is alpha and only clamped to [0, 1].
void toneMapToBytes(const float* in, std::size_t pixelCount, int channels, std::uint8_t* out);

// The picture of a frame as one bitmap: its RGBA layer, its colour joined
// with its alpha, or its colour alone (grey expanded). Points into the frame
// or into `holder`; null when the frame holds no non-empty layer.
const Bitmap* flattenFrame(const CLayerBitmap& frame, std::unique_ptr<Bitmap>& holder);

// Encodes an RGB or RGBA bitmap. JPEG drops the alpha; PNG, BMP and TGA keep
// it. False, with `error` set, on failure.
bool encodeImage(ImageFormat format, const Bitmap& image, std::vector<std::uint8_t>& out,
                 std::string& error);

}  // namespace vex3d
