#include "hostlib/images/internal/image_codec.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"

namespace vex3d {
namespace {

struct StbFree {
  void operator()(void* p) const { stbi_image_free(p); }
};
template <typename T>
using StbPixels = std::unique_ptr<T, StbFree>;

std::string lowerExtension(std::string_view fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

bool startsWith(const std::uint8_t* head, std::size_t size, std::string_view magic) {
  return size >= magic.size() && std::memcmp(head, magic.data(), magic.size()) == 0;
}

bool sizeAcceptable(int width, int height, std::string& error) {
  if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
      std::uint64_t(width) * std::uint64_t(height) > imagePixelLimit()) {
    error = "image size " + std::to_string(width) + " x " + std::to_string(height) +
            " is not supported";
    return false;
  }
  return true;
}

std::string decodeFailure() {
  const char* reason = stbi_failure_reason();
  return std::string("corrupt or unsupported image") + (reason ? std::string(": ") + reason : "");
}

// Splits interleaved 8-bit pixels of 1 to 4 channels into a colour layer and,
// for 2 and 4 channels, an alpha layer.
std::unique_ptr<CLayerBitmap> makeLayers(const std::uint8_t* pixels, int width, int height,
                                         int channels) {
  auto colour = std::make_unique<rgbBitmap>(width, height);
  std::unique_ptr<grayBitmap> alpha;
  if (channels == 2 || channels == 4) {
    alpha = std::make_unique<grayBitmap>(width, height, kBitmapAlpha);
  }
  const std::size_t count = std::size_t(width) * std::size_t(height);
  std::uint8_t* c = colour->GetBits();
  std::uint8_t* a = alpha ? alpha->GetBits() : nullptr;
  if (channels == 3) {
    std::memcpy(c, pixels, count * 3);
  } else {
    const auto step = static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < count; ++i, pixels += step, c += 3) {
      if (channels <= 2) {
        c[0] = c[1] = c[2] = pixels[0];
      } else {
        c[0] = pixels[0];
        c[1] = pixels[1];
        c[2] = pixels[2];
      }
      if (a) a[i] = pixels[channels - 1];
    }
  }
  auto image = std::make_unique<CLayerBitmap>(std::move(colour));
  if (alpha) image->AddLayer(std::move(alpha));
  return image;
}

std::unique_ptr<CLayerBitmap> decodeGifFrame(const std::uint8_t* data, int len, int frame,
                                             std::string& error) {
  int* delays = nullptr;
  int width = 0, height = 0, frames = 0, channels = 0;
  StbPixels<stbi_uc> pixels(
      stbi_load_gif_from_memory(data, len, &delays, &width, &height, &frames, &channels, 4));
  stbi_image_free(delays);
  if (!pixels) {
    error = decodeFailure();
    return nullptr;
  }
  if (!sizeAcceptable(width, height, error)) return nullptr;
  if (frame >= frames) {
    error = "the animation has " + std::to_string(frames) + " frames";
    return nullptr;
  }
  const std::size_t frameBytes = std::size_t(width) * std::size_t(height) * 4;
  return makeLayers(pixels.get() + frameBytes * std::size_t(frame), width, height, 4);
}

const std::array<std::uint8_t, 65536>& gammaTable() {
  static const auto table = [] {
    std::array<std::uint8_t, 65536> t{};
    for (std::size_t i = 0; i < t.size(); ++i) {
      const double v = std::pow(static_cast<double>(i) / 65535.0, 1.0 / 2.2);
      t[i] = static_cast<std::uint8_t>(std::lround(255.0 * v));
    }
    return t;
  }();
  return table;
}

float finiteOrZero(float v) { return std::isfinite(v) && v > 0.0f ? v : 0.0f; }

std::uint8_t unitToByte(double v) {
  return static_cast<std::uint8_t>(std::lround(255.0 * std::clamp(v, 0.0, 1.0)));
}

}  // namespace

ImageFormat detectImageFormat(const std::uint8_t* head, std::size_t size,
                              std::string_view fileName) {
  if (startsWith(head, size, "\x89PNG\r\n\x1a\n")) return ImageFormat::kPng;
  if (startsWith(head, size, "\xff\xd8\xff")) return ImageFormat::kJpeg;
  if (startsWith(head, size, "GIF87a") || startsWith(head, size, "GIF89a")) {
    return ImageFormat::kGif;
  }
  if (startsWith(head, size, "8BPS")) return ImageFormat::kPsd;
  if (startsWith(head, size, "#?RADIANCE\n") || startsWith(head, size, "#?RGBE\n")) {
    return ImageFormat::kHdr;
  }
  if (startsWith(head, size, "\x53\x80\xf6\x34")) return ImageFormat::kPic;
  if (size >= 3 && head[0] == 'P' && (head[1] == '5' || head[1] == '6') && std::isspace(head[2])) {
    return ImageFormat::kPnm;
  }
  if (startsWith(head, size, "BM")) return ImageFormat::kBmp;
  if (lowerExtension(fileName) == ".tga") return ImageFormat::kTga;
  return ImageFormat::kUnknown;
}

ImageFormat writeFormatForName(std::string_view fileName) {
  const std::string ext = lowerExtension(fileName);
  if (ext == ".png") return ImageFormat::kPng;
  if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") return ImageFormat::kJpeg;
  if (ext == ".bmp") return ImageFormat::kBmp;
  if (ext == ".tga") return ImageFormat::kTga;
  return ImageFormat::kUnknown;
}

std::unique_ptr<CLayerBitmap> decodeImage(const std::uint8_t* data, std::size_t size,
                                          ImageFormat format, int frame, std::string& error) {
  if (data == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
    error = "empty or oversized file";
    return nullptr;
  }
  const int len = static_cast<int>(size);
  if (frame < 0 || (frame > 0 && format != ImageFormat::kGif)) {
    error = "the file holds no image " + std::to_string(frame);
    return nullptr;
  }
  int width = 0, height = 0, channels = 0;
  // The header decides the allocation the decoder would make: refuse huge
  // pictures before it does.
  if (!stbi_info_from_memory(data, len, &width, &height, &channels)) {
    error = decodeFailure();
    return nullptr;
  }
  if (!sizeAcceptable(width, height, error)) return nullptr;
  if (frame > 0) return decodeGifFrame(data, len, frame, error);

  std::vector<std::uint8_t> converted;
  StbPixels<stbi_uc> bytes;
  if (stbi_is_hdr_from_memory(data, len)) {
    StbPixels<float> pixels(stbi_loadf_from_memory(data, len, &width, &height, &channels, 0));
    if (!pixels) {
      error = decodeFailure();
      return nullptr;
    }
    const std::size_t count = std::size_t(width) * std::size_t(height);
    converted.resize(count * std::size_t(channels));
    toneMapToBytes(pixels.get(), count, channels, converted.data());
  } else if (stbi_is_16_bit_from_memory(data, len)) {
    StbPixels<stbi_us> pixels(stbi_load_16_from_memory(data, len, &width, &height, &channels, 0));
    if (!pixels) {
      error = decodeFailure();
      return nullptr;
    }
    converted.resize(std::size_t(width) * std::size_t(height) * std::size_t(channels));
    for (std::size_t i = 0; i < converted.size(); ++i) {
      converted[i] = static_cast<std::uint8_t>((pixels.get()[i] * 255u + 32767u) / 65535u);
    }
  } else {
    bytes.reset(stbi_load_from_memory(data, len, &width, &height, &channels, 0));
    if (!bytes) {
      error = decodeFailure();
      return nullptr;
    }
  }
  if (!sizeAcceptable(width, height, error)) return nullptr;
  if (channels < 1 || channels > 4) {
    error = "unsupported channel count " + std::to_string(channels);
    return nullptr;
  }
  return makeLayers(bytes ? bytes.get() : converted.data(), width, height, channels);
}

void toneMapToBytes(const float* in, std::size_t pixelCount, int channels, std::uint8_t* out) {
  const int colours = channels >= 3 ? 3 : 1;
  const bool hasAlpha = channels == 2 || channels == 4;
  const auto step = static_cast<std::size_t>(channels);
  auto luminanceAt = [&](const float* p) {
    if (colours == 1) return finiteOrZero(p[0]);
    return 0.2126f * finiteOrZero(p[0]) + 0.7152f * finiteOrZero(p[1]) +
           0.0722f * finiteOrZero(p[2]);
  };

  constexpr double kMiddleGrey = 0.18;
  constexpr double kDarkest = 1e-4;  // keeps black pixels from dragging the log average to -inf
  double logSum = 0.0;
  for (std::size_t i = 0; i < pixelCount; ++i)
    logSum += std::log(kDarkest + luminanceAt(in + i * step));
  const double logAverage = pixelCount > 0 ? std::exp(logSum / double(pixelCount)) : 1.0;
  const double exposure = kMiddleGrey / logAverage;

  const auto& gamma = gammaTable();
  for (std::size_t i = 0; i < pixelCount; ++i) {
    const float* p = in + i * step;
    std::uint8_t* o = out + i * step;
    const double scaled = exposure * luminanceAt(p);
    // Every channel scaled by the same factor keeps the hue.
    const double factor = exposure / (1.0 + scaled);
    for (int c = 0; c < colours; ++c) {
      const double v = std::clamp(factor * finiteOrZero(p[c]), 0.0, 1.0);
      o[c] = gamma[static_cast<std::size_t>(std::lround(v * 65535.0))];
    }
    if (hasAlpha) {
      const float a = p[channels - 1];
      o[channels - 1] = unitToByte(std::isfinite(a) ? a : 1.0);
    }
  }
}

const Bitmap* flattenFrame(const CLayerBitmap& frame, std::unique_ptr<Bitmap>& holder) {
  auto layer = [&frame](int type) -> const Bitmap* {
    const int index = frame.FindLayer(type);
    if (index < 0) return nullptr;
    const Bitmap* bitmap = frame.GetLayer(index);
    return bitmap->IsEmpty() ? nullptr : bitmap;
  };
  if (const Bitmap* rgba = layer(kBitmapRgba)) return rgba;
  const Bitmap* colour = layer(kBitmapRgb);
  if (!colour) colour = layer(kBitmapGray);
  if (colour) {
    if (const Bitmap* alpha = layer(kBitmapAlpha)) {
      holder.reset(rgbaBitmap::CreateRGBABitmap(*colour, *alpha));
      return holder.get();
    }
    if (colour->GetBaseClass() == kBitmapRgb) return colour;
  } else {
    colour = layer(kBitmapAnyType);
    if (!colour) return nullptr;
  }
  holder.reset(colour->ConvertToType(kBitmapRgb));
  return holder.get();
}

bool encodeImage(ImageFormat format, const Bitmap& image, std::vector<std::uint8_t>& out,
                 std::string& error) {
  out.clear();
  if (image.IsEmpty() ||
      (image.GetBaseClass() != kBitmapRgb && image.GetBaseClass() != kBitmapRgba)) {
    error = "nothing to write";
    return false;
  }
  struct Sink {
    std::vector<std::uint8_t>* bytes;
    bool failed = false;
  } sink{&out};
  // Called from C: an exception must not cross it.
  auto write = [](void* context, void* data, int size) {
    auto* s = static_cast<Sink*>(context);
    try {
      const auto* p = static_cast<const std::uint8_t*>(data);
      s->bytes->insert(s->bytes->end(), p, p + size);
    } catch (...) {
      s->failed = true;
    }
  };
  const int w = image.GetWidth();
  const int h = image.GetHeight();
  const int comp = image.GetBytesPerPixel();
  int ok = 0;
  switch (format) {
    case ImageFormat::kPng:
      ok = stbi_write_png_to_func(write, &sink, w, h, comp, image.GetBits(),
                                  static_cast<int>(image.GetStride()));
      break;
    case ImageFormat::kJpeg: {
      constexpr int kJpegQuality = 90;
      std::unique_ptr<Bitmap> rgb;
      const Bitmap* pixels = &image;
      if (comp == 4) {
        rgb.reset(image.ConvertToType(kBitmapRgb));
        pixels = rgb.get();
      }
      ok = stbi_write_jpg_to_func(write, &sink, w, h, 3, pixels->GetBits(), kJpegQuality);
      break;
    }
    case ImageFormat::kBmp:
      ok = stbi_write_bmp_to_func(write, &sink, w, h, comp, image.GetBits());
      break;
    case ImageFormat::kTga:
      ok = stbi_write_tga_to_func(write, &sink, w, h, comp, image.GetBits());
      break;
    default:
      error = "this image format cannot be written";
      return false;
  }
  if (!ok || sink.failed || out.empty()) {
    error = "the image could not be encoded";
    out.clear();
    return false;
  }
  return true;
}

}  // namespace vex3d
