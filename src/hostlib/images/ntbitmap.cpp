#include "hostlib/images/ntbitmap.h"

#include <cstring>
#include <utility>

#include "hostlib/core/exceptions.h"
#include "hostlib/images/bitmap.h"

NTBitmap::~NTBitmap() = default;

bool NTBitmap::Create(int width, int height, int depth) {
  Delete();
  if (depth != 24 && depth != 32) return false;
  if (width < 1 || height < 1 || width > vex3d::kMaxBitmapSide || height > vex3d::kMaxBitmapSide) {
    return false;
  }
  const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(depth / 8);
  m_stride = (row + 3) & ~std::size_t{3};
  m_pixels.reset(new std::uint8_t[m_stride * static_cast<std::size_t>(height)]());
  m_width = width;
  m_height = height;
  m_depth = depth;
  return true;
}

bool NTBitmap::CreateFromBitmap(const Bitmap& source) {
  if (source.IsEmpty()) {
    Delete();
    return false;
  }
  const bool alpha = source.GetBaseClass() == vex3d::kBitmapRgba;
  std::unique_ptr<Bitmap> converted;
  const Bitmap* pixels = &source;
  if (!alpha && source.GetBaseClass() != vex3d::kBitmapRgb) {
    converted.reset(source.ConvertToType(vex3d::kBitmapRgb));
    pixels = converted.get();
  }
  if (!Create(source.GetWidth(), source.GetHeight(), alpha ? 32 : 24)) return false;
  for (int row = 0; row < m_height; ++row) {
    std::memcpy(GetLine(row), pixels->GetLine(row), pixels->GetStride());
  }
  return true;
}

void NTBitmap::Delete() {
  m_pixels.reset();
  m_width = 0;
  m_height = 0;
  m_depth = 0;
  m_stride = 0;
}

std::uint8_t* NTBitmap::GetLine(int row) {
  return const_cast<std::uint8_t*>(std::as_const(*this).GetLine(row));
}

const std::uint8_t* NTBitmap::GetLine(int row) const {
  if (row < 0 || row >= m_height) AfxThrowInvalidArgException("bitmap row out of range");
  return m_pixels.get() + static_cast<std::size_t>(m_height - 1 - row) * m_stride;
}

Bitmap* NTBitmap::ConvertToBitmap() const {
  if (IsEmpty()) return nullptr;
  std::unique_ptr<Bitmap> out(
      Bitmap::Create(m_depth == 32 ? vex3d::kBitmapRgba : vex3d::kBitmapRgb, m_width, m_height));
  for (int row = 0; row < m_height; ++row) {
    std::memcpy(out->GetLine(row), GetLine(row), out->GetStride());
  }
  return out.release();
}
