#pragma once
// In-memory images of the bitmap library.
//
// Every bitmap has 8-bit channels, stores its rows top row first (row 0 is
// the top of the image) and keeps them contiguous: row r starts GetStride()
// bytes after row r - 1, with no padding. GL readbacks come bottom row first;
// read them with a pack alignment of 1 and call FlipVertical().
#include <cstddef>
#include <cstdint>
#include <memory>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// Bitmap types (Bitmap::GetType), which are also the layer types of a
// CLayerBitmap.
constexpr int kBitmapRgb = 1;    // red, green, blue
constexpr int kBitmapRgba = 2;   // red, green, blue, straight (not premultiplied) alpha
constexpr int kBitmapGray = 4;   // one channel of luminance
constexpr int kBitmapAlpha = 5;  // one channel of opacity: the mask layer of an image
// Selector only, never the type of a bitmap: the first layer, whatever its type.
constexpr int kBitmapAnyType = 255;

// Resize modes.
constexpr int kResizeNearest = 0;
// Each output pixel is the exact area-weighted mean of the input pixels it
// covers, so rendering at twice the size and halving antialiases.
constexpr int kResizeArea = 1;

// Largest width or height of a bitmap.
constexpr int kMaxBitmapSide = 1 << 16;

}  // namespace vex3d

// Base of the bitmap kinds; only the kinds below are instantiated.
// Bitmaps are handed across the interfaces as raw pointers: whoever is told
// that it owns one deletes it with DeleteBitmap (or plain delete).
class VEXHOST_EXPORT Bitmap {
 public:
  virtual ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // A new zero-filled bitmap of `type` (1, 2, 4 or 5); null for another type
  // or a size outside [0, kMaxBitmapSide]. The caller owns it.
  static Bitmap* Create(int type, int width, int height);
  // Deletes a bitmap created by this library; null is ignored.
  static void DeleteBitmap(Bitmap* bitmap);

  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetType() const { return m_type; }
  // The pixel layout, shared by types with the same channels: 1 for three
  // channels, 2 for four, 4 for one (grey and alpha bitmaps alike).
  int GetBaseClass() const;
  int GetBytesPerPixel() const { return m_bytesPerPixel; }
  std::size_t GetStride() const {
    return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_bytesPerPixel);
  }
  std::size_t GetByteSize() const { return GetStride() * static_cast<std::size_t>(m_height); }
  bool IsEmpty() const { return m_width == 0 || m_height == 0; }

  // First byte of `row` (0 = top). Throws CInvalidArgException outside
  // [0, height).
  std::uint8_t* GetLine(int row);
  const std::uint8_t* GetLine(int row) const;
  // First byte of the top row; null when empty.
  std::uint8_t* GetBits() { return m_pixels.get(); }
  const std::uint8_t* GetBits() const { return m_pixels.get(); }

  // Resizes in place to width x height with mode kResizeNearest or
  // kResizeArea; the type stays. False, with the bitmap unchanged, for a size
  // outside [1, kMaxBitmapSide], an unknown mode or an empty bitmap.
  bool Resize(int width, int height, int mode);

  // A new bitmap of `type` (1, 2, 4 or 5) with these pixels; null for another
  // type. The caller owns it. Colour to grey takes the luminance
  // (0.299 R + 0.587 G + 0.114 B, rounded); RGBA to alpha takes the alpha,
  // RGB to alpha the luminance; one channel to colour repeats the value in
  // red, green and blue; alpha added to a colour is 255 (opaque) and alpha
  // dropped from a colour is simply discarded.
  Bitmap* ConvertToType(int type) const;
  std::unique_ptr<Bitmap> Clone() const;

  void FlipVertical();
  // Releases the pixels; the bitmap becomes 0 x 0 and keeps its type.
  void Release();

 protected:
  Bitmap(int type, int bytesPerPixel, int width, int height);

 private:
  int m_type;
  int m_bytesPerPixel;
  int m_width = 0;
  int m_height = 0;
  std::unique_ptr<std::uint8_t[]> m_pixels;
};

class VEXHOST_EXPORT rgbBitmap : public Bitmap {
 public:
  // Zero-filled (black). Throws CInvalidArgException for a size outside
  // [0, kMaxBitmapSide].
  rgbBitmap(int width, int height);
};

class VEXHOST_EXPORT rgbaBitmap : public Bitmap {
 public:
  // Zero-filled (transparent black).
  rgbaBitmap(int width, int height);

  // Joins the colour of `colour` (an RGB bitmap; a grey one is expanded and
  // an RGBA one gives only its colour) with the opacity of `alpha` (a grey or
  // alpha bitmap's value, an RGBA bitmap's alpha, an RGB bitmap's
  // luminance). An alpha image of another size is resized to the colour's
  // with the area filter; an empty one leaves the result opaque. Null when
  // `colour` is empty. The caller owns the
  // result; the arguments are left alone.
  static rgbaBitmap* CreateRGBABitmap(const Bitmap& colour, const Bitmap& alpha);
};

// One 8-bit channel: type 4 (grey) or 5 (alpha).
class VEXHOST_EXPORT grayBitmap : public Bitmap {
 public:
  // `type` must be vex3d::kBitmapGray or vex3d::kBitmapAlpha, else
  // CInvalidArgException.
  grayBitmap(int width, int height, int type = vex3d::kBitmapGray);
};
