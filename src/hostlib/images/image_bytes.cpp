#include "hostlib/images/image_bytes.h"

#include <stb_image.h>

#include <climits>
#include <cstring>

#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/internal/image_codec.h"
#include "hostlib/images/layer_bitmap.h"

namespace {

using vex3d::ImageFormat;

const char* extensionOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::kPng:
      return "png";
    case ImageFormat::kJpeg:
      return "jpg";
    case ImageFormat::kBmp:
      return "bmp";
    case ImageFormat::kGif:
      return "gif";
    case ImageFormat::kPsd:
      return "psd";
    case ImageFormat::kHdr:
      return "hdr";
    case ImageFormat::kPnm:
      return "pnm";
    case ImageFormat::kPic:
      return "pic";
    case ImageFormat::kTga:
    case ImageFormat::kUnknown:
      break;
  }
  return "";
}

// No name: TGA, known only by its extension, is never guessed from bytes.
ImageFormat formatOf(std::span<const std::uint8_t> bytes) {
  return vex3d::detectImageFormat(bytes.data(), bytes.size(), {});
}

// The decoder takes a PNG chunk's length on trust: it grows its buffer to
// that length before looking for the bytes, so that a few bytes announcing
// a gigabyte cost a gigabyte. Every chunk must lie within the bytes, and
// the image end with its end chunk.
bool pngChunksFit(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kSignature = 8;
  constexpr std::size_t kChunkFrame = 12;  // length, type, CRC
  std::size_t at = kSignature;
  while (at + kChunkFrame <= bytes.size()) {
    const std::uint64_t length = (std::uint64_t{bytes[at]} << 24) | (bytes[at + 1] << 16) |
                                 (bytes[at + 2] << 8) | bytes[at + 3];
    if (length > bytes.size() - at - kChunkFrame) return false;
    if (std::memcmp(bytes.data() + at + 4, "IEND", 4) == 0) return true;
    at += kChunkFrame + static_cast<std::size_t>(length);
  }
  return false;
}

}  // namespace

bool vex3d::probeImageBytes(std::span<const std::uint8_t> bytes, ImageBytesInfo& info,
                            std::string& error) {
  const ImageFormat format = formatOf(bytes);
  if (format == ImageFormat::kUnknown) {
    error = "not an image";
    return false;
  }
  // The decoder counts in int.
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    error = "image too large";
    return false;
  }
  if (format == ImageFormat::kPng && !pngChunksFit(bytes)) {
    error = "image data shorter than its chunks say";
    return false;
  }
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                             &channels)) {
    const char* reason = stbi_failure_reason();
    error = std::string("unreadable image header") + (reason ? std::string(": ") + reason : "");
    return false;
  }
  if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
      std::uint64_t(width) * std::uint64_t(height) > imagePixelLimit()) {
    error = "image of " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels is larger than allowed";
    return false;
  }
  info.width = width;
  info.height = height;
  info.extension = extensionOf(format);
  return true;
}

std::unique_ptr<CLayerBitmap> vex3d::decodeImageBytes(std::span<const std::uint8_t> bytes,
                                                      std::string& error) {
  ImageBytesInfo info;
  if (!probeImageBytes(bytes, info, error)) return nullptr;
  return decodeImage(bytes.data(), bytes.size(), formatOf(bytes), 0, error);
}

bool vex3d::encodePngBytes(const Bitmap& image, std::vector<std::uint8_t>& out,
                           std::string& error) {
  return encodeImage(ImageFormat::kPng, image, out, error);
}
