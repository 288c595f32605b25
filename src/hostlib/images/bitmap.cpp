#include "hostlib/images/bitmap.h"

#include <cstring>
#include <utility>
#include <vector>

#include "hostlib/core/exceptions.h"
#include "hostlib/images/bitmap_resize.h"

using vex3d::kBitmapAlpha;
using vex3d::kBitmapGray;
using vex3d::kBitmapRgb;
using vex3d::kBitmapRgba;

namespace {

bool validSize(int width, int height) {
  return width >= 0 && height >= 0 && width <= vex3d::kMaxBitmapSide &&
         height <= vex3d::kMaxBitmapSide;
}

int grayType(int type) {
  if (type != kBitmapGray && type != kBitmapAlpha) {
    AfxThrowInvalidArgException("a one-channel bitmap is of type 4 or 5");
  }
  return type;
}

std::uint8_t luminance(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  // Integer weights summing to 1000, so a grey pixel keeps its value.
  return static_cast<std::uint8_t>((299u * r + 587u * g + 114u * b + 500u) / 1000u);
}

template <int kSrcBytes>
void convertPixels(const Bitmap& src, Bitmap& dst) {
  const std::size_t count =
      static_cast<std::size_t>(src.GetWidth()) * static_cast<std::size_t>(src.GetHeight());
  const std::uint8_t* s = src.GetBits();
  std::uint8_t* d = dst.GetBits();
  const int type = dst.GetType();
  for (std::size_t i = 0; i < count; ++i, s += kSrcBytes) {
    std::uint8_t r = s[0], g = s[0], b = s[0], a = 255;
    if constexpr (kSrcBytes >= 3) {
      g = s[1];
      b = s[2];
    }
    if constexpr (kSrcBytes == 4) a = s[3];
    switch (type) {
      case kBitmapRgb:
        d[0] = r;
        d[1] = g;
        d[2] = b;
        d += 3;
        break;
      case kBitmapRgba:
        d[0] = r;
        d[1] = g;
        d[2] = b;
        d[3] = a;
        d += 4;
        break;
      case kBitmapAlpha:
        *d++ = kSrcBytes == 4 ? a : luminance(r, g, b);
        break;
      default:
        *d++ = luminance(r, g, b);
        break;
    }
  }
}

}  // namespace

Bitmap::Bitmap(int type, int bytesPerPixel, int width, int height)
    : m_type(type), m_bytesPerPixel(bytesPerPixel) {
  if (!validSize(width, height)) AfxThrowInvalidArgException("bitmap size out of range");
  if (width == 0 || height == 0) return;
  m_width = width;
  m_height = height;
  m_pixels.reset(new std::uint8_t[GetByteSize()]());
}

Bitmap::~Bitmap() = default;

Bitmap* Bitmap::Create(int type, int width, int height) {
  if (!validSize(width, height)) return nullptr;
  switch (type) {
    case kBitmapRgb:
      return new rgbBitmap(width, height);
    case kBitmapRgba:
      return new rgbaBitmap(width, height);
    case kBitmapGray:
    case kBitmapAlpha:
      return new grayBitmap(width, height, type);
    default:
      return nullptr;
  }
}

void Bitmap::DeleteBitmap(Bitmap* bitmap) { delete bitmap; }

int Bitmap::GetBaseClass() const {
  switch (m_bytesPerPixel) {
    case 3:
      return kBitmapRgb;
    case 4:
      return kBitmapRgba;
    default:
      return kBitmapGray;
  }
}

std::uint8_t* Bitmap::GetLine(int row) {
  return const_cast<std::uint8_t*>(std::as_const(*this).GetLine(row));
}

const std::uint8_t* Bitmap::GetLine(int row) const {
  if (row < 0 || row >= m_height) AfxThrowInvalidArgException("bitmap row out of range");
  return m_pixels.get() + static_cast<std::size_t>(row) * GetStride();
}

bool Bitmap::Resize(int width, int height, int mode) {
  if (IsEmpty() || width < 1 || height < 1 || width > vex3d::kMaxBitmapSide ||
      height > vex3d::kMaxBitmapSide) {
    return false;
  }
  if (mode != vex3d::kResizeNearest && mode != vex3d::kResizeArea) return false;
  if (width == m_width && height == m_height) return true;
  const std::size_t stride =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(m_bytesPerPixel);
  // Every byte is written by the resampler, so no zero fill.
  std::unique_ptr<std::uint8_t[]> pixels(
      new std::uint8_t[stride * static_cast<std::size_t>(height)]);
  if (!vex3d::resizePixels(m_pixels.get(), m_width, m_height, GetStride(), pixels.get(), width,
                           height, stride, m_bytesPerPixel, mode)) {
    return false;
  }
  m_pixels = std::move(pixels);
  m_width = width;
  m_height = height;
  return true;
}

Bitmap* Bitmap::ConvertToType(int type) const {
  std::unique_ptr<Bitmap> out(Create(type, m_width, m_height));
  if (!out || IsEmpty()) return out.release();
  // Same layout: grey and alpha share their values, as does a type with itself.
  if (out->GetBytesPerPixel() == m_bytesPerPixel) {
    std::memcpy(out->GetBits(), GetBits(), GetByteSize());
    return out.release();
  }
  switch (m_bytesPerPixel) {
    case 1:
      convertPixels<1>(*this, *out);
      break;
    case 3:
      convertPixels<3>(*this, *out);
      break;
    default:
      convertPixels<4>(*this, *out);
      break;
  }
  return out.release();
}

std::unique_ptr<Bitmap> Bitmap::Clone() const {
  return std::unique_ptr<Bitmap>(ConvertToType(m_type));
}

void Bitmap::FlipVertical() {
  const std::size_t stride = GetStride();
  std::vector<std::uint8_t> row(stride);
  for (int top = 0, bottom = m_height - 1; top < bottom; ++top, --bottom) {
    std::uint8_t* a = GetLine(top);
    std::uint8_t* b = GetLine(bottom);
    std::memcpy(row.data(), a, stride);
    std::memcpy(a, b, stride);
    std::memcpy(b, row.data(), stride);
  }
}

void Bitmap::Release() {
  m_pixels.reset();
  m_width = 0;
  m_height = 0;
}

rgbBitmap::rgbBitmap(int width, int height) : Bitmap(kBitmapRgb, 3, width, height) {}

rgbaBitmap::rgbaBitmap(int width, int height) : Bitmap(kBitmapRgba, 4, width, height) {}

grayBitmap::grayBitmap(int width, int height, int type)
    : Bitmap(grayType(type), 1, width, height) {}

rgbaBitmap* rgbaBitmap::CreateRGBABitmap(const Bitmap& colour, const Bitmap& alpha) {
  if (colour.IsEmpty()) return nullptr;
  const int width = colour.GetWidth();
  const int height = colour.GetHeight();

  std::unique_ptr<Bitmap> rgbCopy;
  const Bitmap* rgb = &colour;
  if (colour.GetBaseClass() != kBitmapRgb) {
    rgbCopy.reset(colour.ConvertToType(kBitmapRgb));
    rgb = rgbCopy.get();
  }
  std::unique_ptr<Bitmap> mask(alpha.ConvertToType(kBitmapAlpha));
  if (!mask->IsEmpty() && (mask->GetWidth() != width || mask->GetHeight() != height)) {
    mask->Resize(width, height, vex3d::kResizeArea);
  }
  const bool opaque = mask->IsEmpty();

  std::unique_ptr<rgbaBitmap> out(new rgbaBitmap(width, height));
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::uint8_t* c = rgb->GetBits();
  const std::uint8_t* a = opaque ? nullptr : mask->GetBits();
  std::uint8_t* d = out->GetBits();
  for (std::size_t i = 0; i < count; ++i, c += 3, d += 4) {
    d[0] = c[0];
    d[1] = c[1];
    d[2] = c[2];
    d[3] = opaque ? 255 : a[i];
  }
  return out.release();
}
