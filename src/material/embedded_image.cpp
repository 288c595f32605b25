#include "material/embedded_image.h"

#include "hostlib/images/image_bytes.h"

std::shared_ptr<const CEmbeddedImage> CEmbeddedImage::Unchecked(std::vector<std::uint8_t> bytes) {
  auto image = std::shared_ptr<CEmbeddedImage>(new CEmbeddedImage(std::move(bytes)));
  // What the header tells is worth knowing even unchecked: a writer names
  // the image's format by it.
  vex3d::ImageBytesInfo info;
  std::string ignored;
  if (vex3d::probeImageBytes(image->m_bytes, info, ignored)) image->Describe(info);
  return image;
}

std::shared_ptr<const CEmbeddedImage> CEmbeddedImage::Checked(std::vector<std::uint8_t> bytes,
                                                              std::string& error) {
  vex3d::ImageBytesInfo info;
  if (!vex3d::probeImageBytes(bytes, info, error)) return nullptr;
  auto image = std::shared_ptr<CEmbeddedImage>(new CEmbeddedImage(std::move(bytes)));
  image->Describe(info);
  return image;
}

void CEmbeddedImage::Describe(const vex3d::ImageBytesInfo& info) {
  m_width = info.width;
  m_height = info.height;
  if (!info.extension.empty()) m_extension = info.extension;
}
