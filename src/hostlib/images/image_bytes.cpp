#include "hostlib/images/image_bytes.h"

#include <stb_image.h>

#include <climits>

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
