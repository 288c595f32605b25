#pragma once
// A picture that a 3D file carries inside itself (a binary glTF's buffer, a
// data: URI, an FBX's video content) instead of naming an image file. The
// scene owns it through the maps that use it: its encoded bytes are kept as
// they came, so that writing the scene again, embedded or as a file beside
// the output, loses nothing, and the map decodes them like an image file.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "vex3d_export.h"

namespace vex3d {
struct ImageBytesInfo;
}

class VEX3D_EXPORT CEmbeddedImage {
 public:
  // The bytes as they came, not decoded: what a reader hands on to be
  // checked elsewhere (the exchange worker, whose output is checked by its
  // caller). Size and format are taken from the header when it reads.
  static std::shared_ptr<const CEmbeddedImage> Unchecked(std::vector<std::uint8_t> bytes);
  // The bytes when their header says they hold an image this module reads
  // within the pixel budget; null with `error` set otherwise.
  static std::shared_ptr<const CEmbeddedImage> Checked(std::vector<std::uint8_t> bytes,
                                                       std::string& error);

  std::span<const std::uint8_t> GetBytes() const { return m_bytes; }
  // Size in pixels from the image's header; 0 when it did not read.
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  // The extension its format is written with ("png", "jpg"...), "png" when
  // the header did not read.
  const std::string& GetExtension() const { return m_extension; }

  bool operator==(const CEmbeddedImage& other) const { return m_bytes == other.m_bytes; }

 private:
  explicit CEmbeddedImage(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
  void Describe(const vex3d::ImageBytesInfo& info);

  std::vector<std::uint8_t> m_bytes;
  int m_width = 0;
  int m_height = 0;
  std::string m_extension = "png";
};
