#include "embedded_textures.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cstring>

#include "assimp_common.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_bytes.h"
#include "hostlib/images/image_io.h"
#include "material/embedded_image.h"
#include "material/material.h"
#include "material/materials.h"
#include "scene/scene.h"

namespace vex3d::assimp {

std::shared_ptr<const CEmbeddedImage> embeddedImageOf(const aiTexture& texture,
                                                      std::string& error) {
  if (texture.pcData == nullptr || texture.mWidth == 0) {
    error = "empty image";
    return nullptr;
  }
  if (texture.mHeight == 0) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(texture.pcData);
    return CEmbeddedImage::Unchecked(std::vector<std::uint8_t>(bytes, bytes + texture.mWidth));
  }
  const std::uint64_t pixels = std::uint64_t{texture.mWidth} * texture.mHeight;
  if (texture.mWidth > static_cast<unsigned>(kMaxBitmapSide) ||
      texture.mHeight > static_cast<unsigned>(kMaxBitmapSide) || pixels > imagePixelLimit()) {
    error = "image of " + std::to_string(texture.mWidth) + " x " + std::to_string(texture.mHeight) +
            " pixels is larger than allowed";
    return nullptr;
  }
  rgbaBitmap image(static_cast<int>(texture.mWidth), static_cast<int>(texture.mHeight));
  std::uint8_t* out = image.GetBits();
  for (std::uint64_t i = 0; i < pixels; ++i, out += 4) {
    const aiTexel& t = texture.pcData[i];
    out[0] = t.r;
    out[1] = t.g;
    out[2] = t.b;
    out[3] = t.a;
  }
  std::vector<std::uint8_t> png;
  if (!encodePngBytes(image, png, error)) return nullptr;
  return CEmbeddedImage::Unchecked(std::move(png));
}

EmbeddedTextures::EmbeddedTextures(const C3DScene& scene) {
  for (auto [id, material] : const_cast<C3DScene&>(scene).GetMaterials().GetMap()) {
    (void)id;
    for (const MapSlot& slot : kMapSlots) {
      const CMaterialMap* map = material->GetMaterialMap(slot.type);
      if (map == nullptr || map->GetEmbeddedImage() == nullptr) continue;
      const CEmbeddedImage* image = map->GetEmbeddedImage().get();
      if (std::find(m_images.begin(), m_images.end(), image) != m_images.end()) continue;
      m_images.push_back(image);
      m_names.push_back(map->GetFileName());
    }
  }
  for (std::size_t i = 0; i < m_images.size(); ++i) {
    const CEmbeddedImage& image = *m_images[i];
    auto* texture = new aiTexture;
    m_textures.push_back(texture);
    // Compressed: the width counts the bytes, the height is 0.
    texture->mWidth = static_cast<unsigned>(image.GetBytes().size());
    texture->mHeight = 0;
    const std::string& hint = image.GetExtension();
    std::strncpy(texture->achFormatHint, hint.c_str(), HINTMAXTEXTURELEN - 1);
    texture->achFormatHint[HINTMAXTEXTURELEN - 1] = '\0';
    // The library frees texels as aiTexel[]: the bytes go in a block of
    // whole texels.
    const std::size_t texels = (image.GetBytes().size() + sizeof(aiTexel) - 1) / sizeof(aiTexel);
    texture->pcData = new aiTexel[texels];
    std::memcpy(texture->pcData, image.GetBytes().data(), image.GetBytes().size());
    texture->mFilename = aiString(m_names[i]);
  }
}

EmbeddedTextures::~EmbeddedTextures() {
  for (aiTexture* texture : m_textures) delete texture;
}

std::string EmbeddedTextures::referenceOf(const CEmbeddedImage* image) const {
  const auto at = std::find(m_images.begin(), m_images.end(), image);
  if (image == nullptr || at == m_images.end()) return {};
  return "*" + std::to_string(at - m_images.begin());
}

void EmbeddedTextures::moveInto(aiScene& out) {
  if (m_textures.empty()) return;
  out.mNumTextures = static_cast<unsigned>(m_textures.size());
  out.mTextures = new aiTexture*[m_textures.size()];
  std::copy(m_textures.begin(), m_textures.end(), out.mTextures);
  m_textures.clear();
}

}  // namespace vex3d::assimp
