#pragma once
// A memory bitmap laid out for rendering into: the target of the off-screen
// paths that have no pixel buffer, and the form a finished thumbnail takes.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "hostlib/hostlib_export.h"

class Bitmap;

// Pixels are red, green, blue (and alpha at depth 32) bytes, the order of a
// GL_RGB / GL_RGBA readback. Rows are stored bottom row first, as GL reads
// them, each padded to a multiple of 4 bytes (GL's default pack alignment),
// so glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, GetBits())
// fills it as it stands.
class VEXHOST_EXPORT NTBitmap {
 public:
  NTBitmap() = default;
  NTBitmap(const NTBitmap&) = delete;
  NTBitmap& operator=(const NTBitmap&) = delete;
  ~NTBitmap();

  // Zero-filled pixels of width x height at depth 24 or 32, replacing any
  // previous ones. False, leaving the bitmap empty, for another depth or a
  // size outside [1, kMaxBitmapSide].
  bool Create(int width, int height, int depth);
  // A copy of `source` (rows flipped into this layout): depth 32 for an RGBA
  // bitmap, 24 for the others (grey expanded). False for an empty source.
  bool CreateFromBitmap(const Bitmap& source);
  void Delete();

  bool IsEmpty() const { return m_pixels == nullptr; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  // 24 or 32; 0 when empty.
  int GetDepth() const { return m_depth; }
  int GetBytesPerPixel() const { return m_depth / 8; }
  std::size_t GetStride() const { return m_stride; }
  // First byte of the bottom row; null when empty.
  std::uint8_t* GetBits() { return m_pixels.get(); }
  const std::uint8_t* GetBits() const { return m_pixels.get(); }
  // First byte of `row` counted from the top like a Bitmap's. Throws
  // CInvalidArgException outside [0, height).
  std::uint8_t* GetLine(int row);
  const std::uint8_t* GetLine(int row) const;

  // A new rgbaBitmap (depth 32) or rgbBitmap (depth 24) with the rows top row
  // first; null when empty. The caller owns it.
  Bitmap* ConvertToBitmap() const;

 private:
  int m_width = 0;
  int m_height = 0;
  int m_depth = 0;
  std::size_t m_stride = 0;
  std::unique_ptr<std::uint8_t[]> m_pixels;
};
